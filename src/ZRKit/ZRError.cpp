#include "ZRKit/ZRError.h"

namespace ZRError {

Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription) {
    return Platform::Error(Domain, 0, localizedDescription);
}

Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription,
                                                 const QString& recoverySuggestion) {
    return Platform::Error(Domain, 0, localizedDescription, recoverySuggestion);
}

} // namespace ZRError
