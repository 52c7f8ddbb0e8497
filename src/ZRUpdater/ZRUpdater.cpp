#include "ZRUpdater/ZRUpdater.h"

#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/UI/ZRCustomizableAlert.h"
#include "ZRKit/ZRBundle.h"
#include "ZRKit/ZRData.h"
#include "ZRKit/ZRMacAddress.h"
#include "ZRKit/ZRMacOSXVersion.h"
#include "ZRUpdater/ZRUpdateAlertController.h"
#include "ZRUpdater/ZRUpdaterPreferencesManager.h"
#include "ZRUpdater/ZRUpdaterStatusPanelController.h"

#include <QApplication>
#include <QLocale>
#include <QUrlQuery>

using Platform::SystemLog::log;
namespace Prefs = ZRUpdaterPreferencesManager;

ZRUpdater& ZRUpdater::sharedZRUpdater() {
    static ZRUpdater* updater = new ZRUpdater(); // lives for the process
    return *updater;
}

ZRUpdater& ZRUpdater::sharedUpdaterForSandboxedApp(bool sandboxed) {
    ZRUpdater& updater = sharedZRUpdater();
    updater.sandboxed = sandboxed;
    return updater;
}

ZRUpdater::ZRUpdater() = default;
ZRUpdater::~ZRUpdater() = default;

void ZRUpdater::resetForTesting() {
    if (m_urlTask)
        m_urlTask->abort();
    m_releaseController.reset();
    m_extractor.reset();
    delete m_updateAlertController;
    delete m_statusPanelController;
    newestRelease.reset();
    updateInProgress = false;
    verbose = false;
    downloadPath.clear();
}

void ZRUpdater::eventuallyCheckForUpdatesInBackground() {
    Platform::assertMainThread();
    if (const auto last = Prefs::lastVersionCheckDate();
        last && last->secsTo(QDateTime::currentDateTimeUtc()) < 43200 &&
        *last <= QDateTime::currentDateTimeUtc())
        return;
    std::optional<bool> check = Prefs::checkForUpdates();
    if (!check) {
        const int answer = ZRRunAlertPanel(
            QCoreApplication::translate("ZRUpdater", "Check for new versions on launch?"),
            QCoreApplication::translate("ZRUpdater",
                                        "Would you like %@ to check for new versions on launch?"),
            QCoreApplication::translate("ZRUpdater", "Yes"), QCoreApplication::translate("ZRUpdater", "No"),
            QString(), ZRBundle::bundleDisplayName(Platform::Bundle::mainBundle()));
        // A question ended without an answer (the application is quitting) asks again next time.
        if (answer != 1000 && answer != 1001)
            return;
        check = answer == 1000;
        Prefs::setCheckForUpdates(*check);
    }
    if (*check) {
        Prefs::setLastVersionCheckDate(QDateTime::currentDateTimeUtc());
        checkForUpdatesInBackground();
    }
}

void ZRUpdater::checkForUpdates(QObject*) {
    checkForUpdatesAndNotify(true);
}

void ZRUpdater::checkForUpdatesAndNotify(bool notify) {
    Platform::assertMainThread();
    if (updateInProgress) {
        if (!notify)
            return;
        QApplication::beep();
        if (m_statusPanelController && m_statusPanelController->isVisible())
            m_statusPanelController->bringToFront();
        else if (m_updateAlertController && m_updateAlertController->isVisible())
            m_updateAlertController->bringToFront();
        else
            showUpdateErrorAlertWithInfo(
                QCoreApplication::translate("ZRUpdater", "An update is already running."));
        return;
    }
    verbose = notify;
    updateInProgress = true;
    m_releaseController = std::make_unique<ZRUpdaterReleaseController>();
    m_releaseController->delegate = this;
    const QUrl url = feedRequestURL();
    if (!url.isValid() || url.isEmpty()) {
        log(QStringLiteral("Wrong URL for updater %1").arg(Prefs::updateURL()));
        releaseControllerDidFailToLoadWithError(m_releaseController.get(), Platform::Error());
        return;
    }
    if (logUpdateXML)
        log(QStringLiteral("ZRUpdater fetching %1").arg(url.toString(QUrl::RemoveUserInfo)));
    m_releaseController->fetchReleasesFromURL(url, logUpdateXML);
}

QUrl ZRUpdater::feedRequestURL() const {
    QUrl url(Prefs::updateURL(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return {};
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    QUrlQuery query;
    auto add = [&query](const QString& name, const QString& value) {
        if (!value.isEmpty())
            query.addQueryItem(name, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    };
    add(QStringLiteral("GZIP"), QStringLiteral("1"));
    add(QStringLiteral("APPLICATION"), ZRBundle::bundleDisplayName(bundle));
    add(QStringLiteral("APP_VERSION"), ZRBundle::versionInfo(bundle));
    add(QStringLiteral("APP_BUNDLE_VERSION"), ZRBundle::bundleVersion(bundle));
    const QStringList localizations = bundle.localizations();
    add(QStringLiteral("APP_LANGUAGE"),
        localizations.isEmpty() ? QStringLiteral("English") : localizations.first());
    if (Prefs::shouldIncludeSystemInformationForUpdates()) {
        add(QStringLiteral("SYS_VERSION"), ZRMacOSXVersion::productVersion());
        add(QStringLiteral("UUID"), hashedMACAddress());
    }
    url.setQuery(query);
    return url;
}

QString ZRUpdater::hashedMACAddress(const QString& sysClassNetPath) {
    const auto address = ZRCopyMacAddress(sysClassNetPath);
    // Six zero bytes stand for a machine without such an interface: no address to hash.
    if (!address || address->size() != 6 || *address == QByteArray(6, '\0'))
        return {};
    return ZRData::sha1DigestString(*address);
}

bool ZRUpdater::isAutomaticallyUpdating() const {
    return Prefs::updaterDownloadInBackground() && !verbose;
}

bool ZRUpdater::canRunAutoupdate() const {
    return !Platform::Bundle::mainBundle().bundlePath().startsWith(QLatin1String("/private/var"));
}

void ZRUpdater::showUpdateErrorAlertWithInfo(const QString& text) {
    if (!verbose)
        return;
    ZRRunAlertPanel(QCoreApplication::translate("ZRUpdater", "Update Error"), QStringLiteral("%@"),
                    QCoreApplication::translate("ZRUpdater", "Cancel"), QString(), QString(), text);
}

void ZRUpdater::releaseControllerDidFinishLoading(ZRUpdaterReleaseController* controller) {
    Platform::assertMainThread();
    if (controller != m_releaseController.get())
        return;
    ZRUpdaterRelease running = ZRUpdaterRelease::mainBundleRelease();
    running.minSystemVersion = ZRMacOSXVersion::currentSystemVersion();
    const QString skipped = Prefs::updaterSkippedReleaseVersion();
    for (const ZRUpdaterRelease& release : controller->sortedReleases()) {
        newestRelease = release;
        if (release.versionString.isEmpty()) {
            log(QStringLiteral("ERROR could not extract a version string from release %1")
                    .arg(release.description()));
            continue;
        }
        if (!verbose && release.versionString == skipped) {
            updateInProgress = false;
            return;
        }
        if (running.compareByMinSystemVersion(release) == std::strong_ordering::less)
            continue;
        if (running.compareByBundleVersion(release) == std::strong_ordering::greater) {
            if (isAutomaticallyUpdating())
                beginDownload();
            else
                showUpdatePanel();
            return;
        }
        break;
    }
    newestRelease.reset();
    if (verbose)
        ZRRunInformationalAlertPanel(
            QCoreApplication::translate("ZRUpdater", "Your Version of %@ is up to date.")
                .replace(QStringLiteral("%@"), running.applicationName),
            QCoreApplication::translate("ZRUpdater", "%@ is currently the newest version available."),
            QCoreApplication::translate("ZRUpdater", "OK"), QString(), QString(), running.title);
    updateInProgress = false;
}

void ZRUpdater::releaseControllerDidFailToLoadWithError(ZRUpdaterReleaseController* controller,
                                                        const Platform::Error& error) {
    Platform::assertMainThread();
    if (controller != m_releaseController.get())
        return;
    log(QStringLiteral("ZRUpdater could not read the release feed: %1").arg(error.localizedDescription()));
    showUpdateErrorAlertWithInfo(QCoreApplication::translate(
        "ZRUpdater", "An error occurred while downloading the update information. Please try again later."));
    updateInProgress = false;
}

void ZRUpdater::showUpdatePanel() {
    delete m_updateAlertController;
    m_updateAlertController = new ZRUpdateAlertController(*newestRelease, this);
    m_updateAlertController->showWindow();
    verbose = true;
}

QString ZRUpdater::updateButtonTitleForUpdateAlert() const {
    return canRunAutoupdate() ? QCoreApplication::translate("ZRUpdater", "Install Update")
                              : QCoreApplication::translate("ZRUpdater", "Download Update");
}

void ZRUpdater::updateAlertFinishedWithChoice(ZRUpdateAlertController* alert, int choice) {
    if (!alert || alert != m_updateAlertController)
        return;
    m_updateAlertController = nullptr;
    alert->deleteLater();
    switch (choice) {
    case 0:
        Prefs::setUpdaterSkippedReleaseVersion({});
        beginDownload();
        break;
    case 1:
        updateInProgress = false;
        Prefs::setUpdaterSkippedReleaseVersion({});
        break;
    case 2:
        updateInProgress = false;
        if (newestRelease)
            Prefs::setUpdaterSkippedReleaseVersion(newestRelease->versionString);
        break;
    default:
        break;
    }
}
