#include "ZRUpdater/ZRUpdaterReleaseController.h"

#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRBundle.h"
#include "ZRKit/ZRError.h"
#include "ZRKit/ZRZLib.h"
#include "ZRUpdater/ZRUpdaterReleaseParser.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

using Platform::SystemLog::log;

bool ZRUpdaterIsAllowedURL(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    const QString host = url.host().toLower();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

void ZRUpdaterCheckRedirects(QNetworkReply* reply, QObject* context,
                             std::function<void(const QUrl&)> refused) {
    QObject::connect(
        reply, &QNetworkReply::redirected, context,
        [reply, refused = std::move(refused)](const QUrl& target) {
            const QUrl next = reply->url().resolved(target);
            if (ZRUpdaterIsAllowedURL(next)) {
                emit reply->redirectAllowed();
                return;
            }
            log(QStringLiteral("Refusing the redirect from %1 to %2: only https, or http to this "
                               "machine")
                    .arg(reply->url().toString(QUrl::RemoveUserInfo), next.toString(QUrl::RemoveUserInfo)));
            refused(next);
        });
}

ZRUpdaterReleaseController::ZRUpdaterReleaseController(QObject* parent)
    : QObject(parent) {}

ZRUpdaterReleaseController::~ZRUpdaterReleaseController() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

bool ZRUpdaterReleaseController::isBetaOrAlphaVersion(const QString& versionString) {
    return versionString.contains(QLatin1Char('a'), Qt::CaseInsensitive) ||
           versionString.contains(QLatin1Char('b'), Qt::CaseInsensitive) ||
           versionString.contains(QLatin1String("pre"), Qt::CaseInsensitive);
}

bool ZRUpdaterReleaseController::runningBetaOrAlphaVersion() {
    return isBetaOrAlphaVersion(ZRBundle::versionString(Platform::Bundle::mainBundle()));
}

QList<ZRUpdaterRelease> ZRUpdaterReleaseController::sortedReleases() const {
    QList<ZRUpdaterRelease> sorted = m_releases;
    if (!shouldCheckForBetaReleases())
        sorted.removeIf([](const ZRUpdaterRelease& release) { return release.isBeta; });
    std::stable_sort(sorted.begin(), sorted.end(), [](const ZRUpdaterRelease& a, const ZRUpdaterRelease& b) {
        return a.compareByBundleVersion(b) == std::strong_ordering::less;
    });
    return sorted;
}

std::optional<ZRUpdaterRelease> ZRUpdaterReleaseController::newestRelease() const {
    const QList<ZRUpdaterRelease> sorted = sortedReleases();
    if (sorted.isEmpty())
        return std::nullopt;
    return sorted.first();
}

std::optional<QList<ZRUpdaterRelease>>
ZRUpdaterReleaseController::releasesFromFeedData(const QByteArray& data, QString* error) {
    const auto unpacked = ZRZLib::inflateGzipWhilePossible(data, MaximumFeedSize);
    if (!unpacked || unpacked->isEmpty()) {
        *error = QString::fromUtf8(QT_TRANSLATE_NOOP("ZRUpdater", "Could not uncompress data."));
        return std::nullopt;
    }
    if (unpacked->size() > MaximumFeedSize) {
        *error = QString::fromUtf8(QT_TRANSLATE_NOOP("ZRUpdater", "The update feed is too large."));
        return std::nullopt;
    }
    ZRUpdaterReleaseParser parser(*unpacked, MaximumReleaseCount);
    parser.parse();
    if (parser.tooManyReleases()) {
        *error =
            QString::fromUtf8(QT_TRANSLATE_NOOP("ZRUpdater", "The update feed lists too many releases."));
        return std::nullopt;
    }
    QList<ZRUpdaterRelease> releases = parser.parsedReleases();
    if (releases.isEmpty()) {
        *error = QString::fromUtf8(QT_TRANSLATE_NOOP("ZRUpdater", "Got no releases from update feed."));
        return std::nullopt;
    }
    return releases;
}

void ZRUpdaterReleaseController::fetchReleasesFromURL(const QUrl& url, bool logResult) {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    if (!ZRUpdaterIsAllowedURL(url)) {
        log(QStringLiteral("Refusing to fetch the update feed from %1: only https, or http to this machine")
                .arg(url.toString(QUrl::RemoveUserInfo)));
        report(ZRError::zr_errorWithLocalizedDescription(
            QCoreApplication::translate("ZRUpdater", "The update feed address is not secure.")));
        return;
    }
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        m_network->setCookieJar(nullptr);
        m_network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    ++m_fetchSerial;
    ZRUpdaterCheckRedirects(reply, this, [this, reply](const QUrl&) {
        if (m_reply != reply)
            return;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        m_releases.clear();
        report(ZRError::zr_errorWithLocalizedDescription(
            QCoreApplication::translate("ZRUpdater", "The update feed address is not secure.")));
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply, url](qint64 received, qint64) {
        if (m_reply != reply || received <= MaximumFeedSize)
            return;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        log(QStringLiteral("Refusing the update feed from URL %1: more than %2 bytes")
                .arg(url.toString(QUrl::RemoveUserInfo))
                .arg(MaximumFeedSize));
        m_releases.clear();
        report(ZRError::zr_errorWithLocalizedDescription(
            QCoreApplication::translate("ZRUpdater", "The update feed is too large.")));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, logResult] {
        reply->deleteLater();
        if (m_reply == reply)
            finished(reply, url, logResult);
    });
}

namespace {

// What a worker thread made of the feed: the releases, or the error to report.
struct FeedResult {
    QList<ZRUpdaterRelease> releases;
    std::optional<Platform::Error> error;
};

FeedResult readFeed(const QByteArray& data, const QUrl& url, bool logResult, const QVariant& status,
                    const QStringList& headerFields, const Platform::Error& transportError) {
    const QString address = url.toString(QUrl::RemoveUserInfo);
    if (logResult) {
        log(QStringLiteral("ZRUpdater data length (before unzip): %1").arg(data.size()));
        const QByteArray unpacked =
            ZRZLib::inflateGzipWhilePossible(data, ZRUpdaterReleaseController::MaximumFeedSize)
                .value_or(QByteArray());
        log(QStringLiteral("ZRUpdater data length (after unzip): %1").arg(unpacked.size()));
        log(QStringLiteral("ZRUpdater response: %1").arg(QString::fromUtf8(unpacked)));
        if (status.isValid()) {
            log(QStringLiteral("ZRUpdater status code: %1").arg(status.toInt()));
            log(QStringLiteral("ZRUpdater header fields: %1").arg(headerFields.join(QStringLiteral(", "))));
        }
    }
    if (data.isEmpty())
        return {{}, transportError};
    QString reason;
    auto releases = ZRUpdaterReleaseController::releasesFromFeedData(data, &reason);
    if (releases)
        return {std::move(*releases), std::nullopt};
    if (reason.startsWith(QLatin1String("Could not")))
        log(QStringLiteral("Could not deflate gzip from url %1").arg(address));
    else if (reason.startsWith(QLatin1String("Got no")))
        log(QStringLiteral("Got no releases while downloading from URL %1").arg(address));
    else
        log(QStringLiteral("Refusing the update feed from URL %1: %2").arg(address, reason));
    return {{},
            ZRError::zr_errorWithLocalizedDescription(
                QCoreApplication::translate("ZRUpdater", reason.toUtf8().constData()))};
}

} // namespace

void ZRUpdaterReleaseController::finished(QNetworkReply* reply, const QUrl& url, bool logResult) {
    m_reply = nullptr;
    const QByteArray data = reply->readAll();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    QStringList headerFields;
    if (logResult)
        for (const auto& [name, value] : reply->rawHeaderPairs())
            headerFields.append(QString::fromLatin1(name + ": " + value));
    const Platform::Error transportError(QStringLiteral("com.corvantide.error.url"), int(reply->error()),
                                         reply->errorString());
    // Unpacking and reading happen on a worker thread, so that a large feed never stalls the interface;
    // the result comes back to this thread.
    const quint64 serial = m_fetchSerial;
    const std::weak_ptr<int> lifetime = m_lifetime;
    QThreadPool::globalInstance()->start(
        [this, lifetime, serial, data, url, logResult, status, headerFields, transportError] {
            FeedResult result = readFeed(data, url, logResult, status, headerFields, transportError);
            Platform::runOnMain([this, lifetime, serial, result = std::move(result)]() mutable {
                if (lifetime.expired() || serial != m_fetchSerial || m_reply)
                    return; // the controller is gone, or a later fetch replaced this one
                m_releases = std::move(result.releases);
                report(result.error);
            });
        });
}

void ZRUpdaterReleaseController::report(std::optional<Platform::Error> error) {
    QTimer::singleShot(0, this, [this, error] {
        if (!delegate)
            return;
        if (error)
            delegate->releaseControllerDidFailToLoadWithError(this, *error);
        else
            delegate->releaseControllerDidFinishLoading(this);
    });
}
