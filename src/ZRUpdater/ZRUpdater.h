#pragma once

#include "ZRUpdater/ZRUpdateExtractor.h"
#include "ZRUpdater/ZRUpdaterRelease.h"
#include "ZRUpdater/ZRUpdaterReleaseController.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "ZRUpdater/ZRUpdateAlertController.h"
#include "ZRUpdater/ZRUpdaterStatusPanelController.h"

#include <QFile>
#include <QNetworkReply>

class QNetworkAccessManager;

/*! Posted when the updater is about to end the application for its relaunch. */
inline const char* const kZRUpdaterWillRestartNotification = "updaterWillRestartNotification";

/*! The application's self-updater: decides when to look for a new version, reads the release feed,
    offers the newest release the running system can run, and downloads, unpacks, installs and relaunches
    it. One object per process; main thread only. Every report to the user depends on `verbose` (a check
    the user asked for, or an offer already shown). */
class ZRUpdater final : public QObject,
                        public ZRUpdaterReleaseControllerDelegate,
                        public ZRUpdateExtractorDelegate {
public:
    static ZRUpdater& sharedZRUpdater();
    static ZRUpdater& sharedUpdaterForSandboxedApp(bool sandboxed);

    bool sandboxed = false;
    bool logUpdateXML = false;
    bool verbose = false;
    bool updateInProgress = false;
    std::optional<ZRUpdaterRelease> newestRelease;
    /*! Where the downloaded archive lies. */
    QString downloadPath;

    void setLogUpdateXML(bool log) { logUpdateXML = log; }

    /*! The launch-time check: at most every twelve hours, after asking the user once. */
    void eventuallyCheckForUpdatesInBackground();
    void checkForUpdatesInBackground() { checkForUpdatesAndNotify(false); }
    /*! The user's check (menu and preferences). */
    void checkForUpdates(QObject* sender = nullptr);
    void checkForUpdatesAndNotify(bool notify);

    /*! The feed address with the query that describes this application. */
    QUrl feedRequestURL() const;
    /*! SHA-1 of the machine's hardware address as 40 lower-case hex digits; empty without one. Tests
        pass their own folder in place of /sys/class/net. */
    static QString hashedMACAddress(const QString& sysClassNetPath = QStringLiteral("/sys/class/net"));
    bool isAutomaticallyUpdating() const;
    bool canRunAutoupdate() const;
    void showUpdateErrorAlertWithInfo(const QString& text);

    // Feed results.
    void releaseControllerDidFinishLoading(ZRUpdaterReleaseController* controller) override;
    void releaseControllerDidFailToLoadWithError(ZRUpdaterReleaseController* controller,
                                                 const Platform::Error& error) override;

    // The update alert.
    void showUpdatePanel();
    QString updateButtonTitleForUpdateAlert() const;
    /*! 0 install, 1 later, 2 skip this version. */
    void updateAlertFinishedWithChoice(ZRUpdateAlertController* alert, int choice);
    ZRUpdateAlertController* updateAlertController() const { return m_updateAlertController; }
    ZRUpdaterStatusPanelController* statusPanelController() const { return m_statusPanelController; }

    // Download and unpacking.
    void beginDownload();
    void cancelDownload();
    void abandonUpdate();
    void downloadErrorOccurred(const QString& description);
    void mountDownload();
    /*! Detaches the disk image of the download, if one is attached (the update has ended or no longer
        needs it). */
    void detachDiskImage();
    /*! This process's private download folder (0700), made if needed; empty when it cannot be made. */
    QString temporaryDownloadDirectory();
    /*! The server's suggested name reduced to one safe file name (no folders, no control characters, at
        most 255 bytes, cut between characters and keeping an extension of up to 16), a trailing ".txt"
        removed; empty when nothing usable is left. */
    static QString safeDownloadFileName(const QString& suggested);
    void extractorDidFinish(ZRUpdateExtractor* extractor) override;
    void extractorDidFail(ZRUpdateExtractor* extractor) override;

    // Installation and relaunch.
    void installAndRestart();
    /*! The new bundle in the download folder: a real folder named like the running bundle whose Info.plist
        has the running bundle's identifier; empty when there is none. */
    QString downloadedApplicationPath();
    static QString findAppName(const QString& name, const QString& folder);
    void restartCurrentApplication();

    /*! Replaces how the application is ended for the relaunch (tests); empty restores quit(). */
    static void setTerminateHandlerForTesting(std::function<void()> handler);
    /*! Ends the application for a relaunch (the handler set for testing, else quit()). */
    static void terminateApplication();
    /*! Forgets the running update and its windows (tests). */
    void resetForTesting();

private:
    ZRUpdater();
    ~ZRUpdater() override;
    void startDownloadTask();
    /*! Stops the running download and removes what it wrote. */
    void discardDownloadTask();
    void downloadFinished(QNetworkReply* reply);
    void showStage(const QString& title, double maximum, const QString& status = {});

    std::unique_ptr<ZRUpdaterReleaseController> m_releaseController;
    QPointer<ZRUpdateAlertController> m_updateAlertController;
    QPointer<ZRUpdaterStatusPanelController> m_statusPanelController;
    std::unique_ptr<ZRUpdateExtractor> m_extractor;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_urlTask;
    std::unique_ptr<QFile> m_downloadFile;
    QString m_downloadFolder;
};
