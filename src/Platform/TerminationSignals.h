#pragma once

class QCoreApplication;

namespace Platform {

/*! Ends the application's event loop normally (as a quit command would) when the process receives
    SIGTERM, SIGINT or SIGHUP, which is how a desktop session ends a tray program; the application's
    end-of-run work then runs as usual. Call once, on the main thread, after the application exists. */
void quitOnTerminationSignals(QCoreApplication* application);

} // namespace Platform
