#include "Platform/Assert.h"

#include "Platform/MainThread.h"

namespace Platform {

void invalidParameter(const QString& condition) {
    fatalError(QStringLiteral("Invalid parameter not satisfying: %1").arg(condition));
}

} // namespace Platform
