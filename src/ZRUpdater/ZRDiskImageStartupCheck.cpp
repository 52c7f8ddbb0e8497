#include "ZRUpdater/ZRDiskImageStartupCheck.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "ZRKit/UI/ZRCustomizableAlert.h"
#include "ZRKit/ZRBundle.h"
#include "ZRUpdater/ZRSecurityExtensions.h"
#include "ZRUpdater/ZRUpdater.h"
#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "ZRUpdater/ZRUpdaterFolders.h"
#include "ZRUpdater/ZRUpdaterXPCService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

using Platform::SystemLog::log;

void ZRDiskImageStartupCheck::handleStartFromDiskImageIsSandboxed(bool sandboxed) {
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    if (!ZRUpdaterFileManager::isReadOnlyDiskImageAtPath(bundle.bundlePath()))
        return;
    log(QStringLiteral("is running from disk image"));
    const int answer = ZRRunInformationalAlertPanel(
        QCoreApplication::translate("ZRUpdater", "Running from Disk Image"),
        QCoreApplication::translate(
            "ZRUpdater", "You are about to start %@ from a disk image. If you intend to use it "
                         "regularly, we recommend that you copy the application to your hard drives "
                         "'Applications' directory."),
        QCoreApplication::translate("ZRUpdater", "Copy and Restart"),
        QCoreApplication::translate("ZRUpdater", "Continue"), QString(), ZRBundle::bundleDisplayName(bundle));
    if (answer != 1000)
        return;
    const QString destination =
        ZRUpdaterFolders::installationFolder() + QLatin1Char('/') + QFileInfo(bundle.bundlePath()).fileName();
    log(QStringLiteral("will copy myself to %1").arg(destination));
    QDir().mkpath(ZRUpdaterFolders::installationFolder());
    if (copyPathWithAuthentication(bundle.bundlePath(), destination, sandboxed)) {
        log(QStringLiteral("will restart at %1").arg(destination));
        performRestartAtPath(destination, sandboxed);
        ZRUpdater::terminateApplication();
        return;
    }
    ZRRunAlertPanel(QCoreApplication::translate("ZRUpdater", "Update Error"),
                    QCoreApplication::translate("ZRUpdater",
                                                "You do not have permission to write to the /Applications "
                                                "directory."),
                    QCoreApplication::translate("ZRUpdater", "Continue"), QString(), QString());
    log(QStringLiteral("could not copy myself to %1").arg(destination));
}

bool ZRDiskImageStartupCheck::copyPathWithAuthentication(const QString& source, const QString& destination,
                                                         bool sandboxed) {
    if (sandboxed)
        return ZRUpdaterXPCService::copyPathWithAuthentication(source, destination, nullptr);
    return ZRSecurityExtensions::copyPathWithAuthentication(source, destination);
}

void ZRDiskImageStartupCheck::performRestartAtPath(const QString& path, bool sandboxed) {
    if (!sandboxed) {
        ZRSecurityExtensions::launchWhenThisProcessHasQuit(path);
        return;
    }
    // The service removes a folder of the start-up check's own, which must exist as this user's.
    const QString folder = ZRUpdaterFolders::diskImageStartupCheckFolder();
    ZRUpdaterFolders::makeOwnFolder(folder, true);
    ZRUpdaterXPCService::waitForApplicationWithProcessIDToQuit(
        qint32(QCoreApplication::applicationPid()), path,
        folder + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces));
}
