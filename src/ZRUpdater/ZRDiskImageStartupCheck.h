#pragma once

#include <QString>

/*! Offers, when the application runs from a read-only disk image, to copy it to the folder applications
    are installed to (ZRUpdaterFolders::installationFolder) and to restart it from there. Nothing in this
    application calls it; it is ready for a caller that wants it at launch. */
class ZRDiskImageStartupCheck {
public:
    /*! Asks and, when the user agrees, copies, restarts and ends the application. */
    static void handleStartFromDiskImageIsSandboxed(bool sandboxed);
    /*! Sandboxed: the service's copy; else the privileged copy. */
    static bool copyPathWithAuthentication(const QString& source, const QString& destination, bool sandboxed);
    /*! Starts the application at path once this process has gone: through the service (which removes the
        start-up check's folder afterwards) when sandboxed, else with the relaunch script. */
    static void performRestartAtPath(const QString& path, bool sandboxed);
};
