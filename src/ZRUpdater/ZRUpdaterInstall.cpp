// Installation of the unpacked bundle in place of the running one, and the relaunch.
#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "ZRKit/UI/ZRCustomizableAlert.h"
#include "ZRKit/ZRBundle.h"
#include "ZRKit/ZRError.h"
#include "ZRUpdater/ZRSecurityExtensions.h"
#include "ZRUpdater/ZRUpdater.h"
#include "ZRUpdater/ZRUpdaterRelease.h"
#include "ZRUpdater/ZRUpdaterStatusPanelController.h"
#include "ZRUpdater/ZRUpdaterXPCService.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>

using Platform::SystemLog::log;

namespace {
std::function<void()>& terminateHandlerRef() {
    static std::function<void()> handler;
    return handler;
}
// Why the downloaded bundle must not take the running one's place, or a null string: it must start an
// executable of its own, and it must not be an older build than the one running.
QString installRefusal(const Platform::Bundle& downloaded) {
    const QString executable = downloaded.executablePath();
    if (executable.isEmpty() || !QFileInfo(executable).isFile())
        return QStringLiteral("the downloaded %1 names no executable inside itself (\"%2\")")
            .arg(downloaded.bundlePath(),
                 downloaded.infoDictionary().value(QStringLiteral("CFBundleExecutable")).toString());
    const ZRUpdaterRelease running = ZRUpdaterRelease::mainBundleRelease();
    const ZRUpdaterRelease candidate = ZRUpdaterRelease::releaseFromBundle(downloaded);
    if (running.compareByBundleVersion(candidate) == std::strong_ordering::less)
        return QStringLiteral("the downloaded version %1 is older than the running version %2")
            .arg(candidate.title, running.title);
    return {};
}

} // namespace

void ZRUpdater::setTerminateHandlerForTesting(std::function<void()> handler) {
    terminateHandlerRef() = std::move(handler);
}

void ZRUpdater::extractorDidFinish(ZRUpdateExtractor* extractor) {
    if (extractor != m_extractor.get())
        return;
    m_extractor.release()->deleteLater();
    if (isAutomaticallyUpdating()) {
        installAndRestart();
        return;
    }
    if (m_statusPanelController) {
        m_statusPanelController->beginActionWithTitle(
            QCoreApplication::translate("ZRUpdater", "Ready to install"), 1, QString());
        m_statusPanelController->setProgressValue(1);
        m_statusPanelController->setButtonTitle(
            QCoreApplication::translate("ZRUpdater", "Install and Relaunch"), [this] { installAndRestart(); },
            true);
        QApplication::alert(m_statusPanelController, 0);
    }
}

QString ZRUpdater::findAppName(const QString& name, const QString& folder) {
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() == name)
            return path;
    }
    return {};
}

QString ZRUpdater::downloadedApplicationPath() {
    const Platform::Bundle running = Platform::Bundle::mainBundle();
    const QString bundleName = ZRBundle::bundleName(running);
    if (!isAutomaticallyUpdating() && m_statusPanelController) {
        m_statusPanelController->beginActionWithTitle(
            QCoreApplication::translate("ZRUpdater", "Installing update..."), 0, QString());
        m_statusPanelController->setButtonEnabled(false);
        m_statusPanelController->setCancelHandler({}); // no way back once the installation begins
        QCoreApplication::processEvents();
    }
    if (bundleName.isEmpty()) {
        log(QStringLiteral("ERROR: No CFBundleName found."));
        return {};
    }
    const QString expected = bundleName + QStringLiteral(".app");
    const QString folder = QFileInfo(downloadPath).path();
    QString candidate = findAppName(expected, folder);
    if (candidate.isEmpty())
        candidate = folder + QLatin1Char('/') + expected;
    const QFileInfo item(candidate);
    if (!item.exists()) {
        log(QStringLiteral("ERROR: No downloaded app file found"));
        return {};
    }
    // Only a real folder that is a build of this very application replaces it.
    if (item.isSymLink() || !item.isDir()) {
        log(QStringLiteral("ERROR: The downloaded %1 is not a folder").arg(candidate));
        return {};
    }
    const Platform::Bundle downloaded(candidate);
    if (downloaded.bundleIdentifier().isEmpty() ||
        downloaded.bundleIdentifier() != running.bundleIdentifier()) {
        log(QStringLiteral("ERROR: The downloaded %1 is not a build of %2")
                .arg(candidate, running.bundleIdentifier()));
        return {};
    }
    return candidate;
}

void ZRUpdater::installAndRestart() {
    Platform::assertMainThread();
    const QString target = Platform::Bundle::mainBundle().bundlePath();
    const QString source = downloadedApplicationPath();
    if (source.isEmpty()) {
        abandonUpdate();
        return;
    }
    Platform::OptionalError error;
    bool installed = false;
    if (const QString refusal = installRefusal(Platform::Bundle(source)); !refusal.isEmpty()) {
        error = ZRError::zr_errorWithLocalizedDescription(refusal);
    } else if (sandboxed) {
        installed = ZRUpdaterXPCService::movePathWithAuthentication(source, target, &error);
    } else {
        installed = ZRSecurityExtensions::copyPathWithAuthentication(source, target, &error);
    }
    // The attached image, if the update came as one, is no longer needed either way.
    detachDiskImage();
    if (!installed) {
        log(QStringLiteral("Got error while installing: %1")
                .arg(error ? error->description() : QStringLiteral("(null)")));
        if (!isAutomaticallyUpdating())
            showUpdateErrorAlertWithInfo(QCoreApplication::translate(
                "ZRUpdater", "You do not have permission to write to the application's directory. Are you "
                             "running off a disk image?"));
        abandonUpdate();
        return;
    }
    if (isAutomaticallyUpdating()) {
        const QString name = ZRBundle::bundleDisplayName(Platform::Bundle::mainBundle());
        const int answer = ZRRunAlertPanel(
            QCoreApplication::translate("ZRUpdater", "A new version of %@ has been installed")
                .replace(QStringLiteral("%@"), name),
            QCoreApplication::translate("ZRUpdater", "%@ has been installed and will be ready to use next "
                                                     "time %@ starts! Would you like to relaunch now?"),
            QCoreApplication::translate("ZRUpdater", "Relaunch Now"),
            QCoreApplication::translate("ZRUpdater", "Relaunch Later"), QString(),
            newestRelease ? newestRelease->title : QString(), name);
        if (answer != 1000)
            return; // the new bundle is in place; it runs at the next start
    }
    restartCurrentApplication();
}

void ZRUpdater::restartCurrentApplication() {
    const qint32 processID = qint32(QCoreApplication::applicationPid());
    const QString bundlePath = Platform::Bundle::mainBundle().bundlePath();
    const QString folder = QFileInfo(downloadPath).path();
    Platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kZRUpdaterWillRestartNotification),
                                                       this);
    if (sandboxed) {
        // The application ends only when the service has taken on the relaunch.
        std::optional<Platform::Error> failure;
        std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
        const auto connection = ZRUpdaterXPCService::setupConnectionAndProxy(
            &proxy, [&failure](const Platform::Error& error) { failure = error; });
        bool accepted = false;
        if (connection && proxy)
            proxy->waitForApplicationWithProcessIDToQuit(processID, bundlePath, folder,
                                                         [&accepted] { accepted = true; });
        if (!accepted || failure) {
            log(QStringLiteral("ERROR could not schedule the relaunch: %1")
                    .arg(failure ? failure->description() : QStringLiteral("no reply")));
            showUpdateErrorAlertWithInfo(QCoreApplication::translate(
                "ZRUpdater",
                "The new version is installed, but the application could not be restarted. Please "
                "quit and start it again."));
            if (m_statusPanelController) // the installation is over: the panel may be closed
                m_statusPanelController->setCancelHandler([] {});
            return;
        }
    } else {
        ZRSecurityExtensions::waitForApplicationWithProcessIDToQuit(processID, bundlePath, folder);
    }
    terminateApplication();
}

void ZRUpdater::terminateApplication() {
    if (terminateHandlerRef())
        terminateHandlerRef()();
    else
        QCoreApplication::quit();
}
