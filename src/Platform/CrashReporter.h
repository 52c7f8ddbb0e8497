#pragma once

#include <QString>

namespace Platform {

/*! What the application asks of crash reporting when it starts it. */
struct CrashReporterOptions {
    QString dsn;
    QString environment; // "production"
    QString release;     // "<CFBundleIdentifier>@<short version>+<build>"
    bool enableAppHangTracking = false;
    double appHangTimeoutInterval = 2.0;
    bool enableNetworkBreadcrumbs = false;
    bool enableCaptureFailedRequests = false;
    bool enableAutoBreadcrumbTracking = true;
    double tracesSampleRate = 0.0;
};

/*! Crash, app-hang and session reporting to the endpoint named by a DSN. */
class CrashReporter {
public:
    /*! Starts reporting once per process. Returns true when reporting is on. */
    static bool start(const CrashReporterOptions& options);
};

} // namespace Platform
