#include "Platform/CrashReporter.h"

namespace Platform {

bool CrashReporter::start(const CrashReporterOptions& options) {
    Q_UNUSED(options);
    return false;
}

} // namespace Platform
