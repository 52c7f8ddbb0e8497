#pragma once

#include "Platform/Error.h"
#include "ZRUpdater/ZRUpdaterRelease.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class ZRUpdaterReleaseController;

class ZRUpdaterReleaseControllerDelegate {
public:
    virtual ~ZRUpdaterReleaseControllerDelegate() = default;
    virtual void releaseControllerDidFinishLoading(ZRUpdaterReleaseController* controller) = 0;
    virtual void releaseControllerDidFailToLoadWithError(ZRUpdaterReleaseController* controller,
                                                         const Platform::Error& error) = 0;
};

/*! True for the addresses the updater fetches from: https, or http to this machine only. */
bool ZRUpdaterIsAllowedURL(const QUrl& url);

/*! Lets the reply follow a redirect only to an address ZRUpdaterIsAllowedURL accepts; its request must
    ask for QNetworkRequest::UserVerifiedRedirectPolicy. Any other target is logged and handed to refused
    (called in context), which ends the reply. */
void ZRUpdaterCheckRedirects(QNetworkReply* reply, QObject* context,
                             std::function<void(const QUrl&)> refused);

/*! Fetches the release feed (nothing cached, no cookies), unpacks gzip and reads its releases on a worker
    thread. The delegate hears of the result once per fetch, on the main thread, on a later turn of the
    event loop. Destroying the controller cancels the fetch without a report. */
class ZRUpdaterReleaseController final : public QObject {

public:
    explicit ZRUpdaterReleaseController(QObject* parent = nullptr);
    ~ZRUpdaterReleaseController() override;

    /*! A feed larger than this, as sent or unpacked, is refused; real feeds are a few kilobytes. */
    static constexpr qsizetype MaximumFeedSize = qsizetype(8) * 1024 * 1024;
    /*! A feed that lists more releases than this is refused. */
    static constexpr qsizetype MaximumReleaseCount = 10000;

    ZRUpdaterReleaseControllerDelegate* delegate = nullptr;

    void fetchReleasesFromURL(const QUrl& url, bool logResult);
    const QList<ZRUpdaterRelease>& releases() const { return m_releases; }
    void setReleases(QList<ZRUpdaterRelease> releases) { m_releases = std::move(releases); }

    /*! The running version is a pre-release: its short version holds "a", "b" or "pre" in any case. */
    static bool runningBetaOrAlphaVersion();
    static bool isBetaOrAlphaVersion(const QString& versionString);
    bool shouldCheckForBetaReleases() const { return runningBetaOrAlphaVersion(); }
    /*! Highest bundle version first; betas left out unless the running version is a pre-release. */
    QList<ZRUpdaterRelease> sortedReleases() const;
    std::optional<ZRUpdaterRelease> newestRelease() const;

    /*! The feed's releases from the bytes the server sent (plain or gzipped); std::nullopt with the
        reason in *error when they do not unpack, are too large, hold no release or too many. Safe from any
        thread. */
    static std::optional<QList<ZRUpdaterRelease>> releasesFromFeedData(const QByteArray& data,
                                                                       QString* error);

private:
    void finished(QNetworkReply* reply, const QUrl& url, bool logResult);
    void report(std::optional<Platform::Error> error);

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QList<ZRUpdaterRelease> m_releases;
    /*! Counts the fetches; a worker's result counts only for the latest one. */
    quint64 m_fetchSerial = 0;
    /*! Expires with the controller; a worker's result finds it expired and is dropped. */
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};
