#include "ZRKit/ZRError.h"

#include "Platform/Assert.h"

namespace ZRError {

Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription) {
    Platform::parameterAssert(!localizedDescription.isNull(), "inLocalizedDescription");
    return Platform::Error(Domain, 0, localizedDescription);
}

Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription,
                                                 const QString& recoverySuggestion) {
    Platform::parameterAssert(!localizedDescription.isNull(), "inLocalizedDescription");
    Platform::parameterAssert(!recoverySuggestion.isNull(), "inRecoverySuggestion");
    return Platform::Error(Domain, 0, localizedDescription, recoverySuggestion);
}

} // namespace ZRError
