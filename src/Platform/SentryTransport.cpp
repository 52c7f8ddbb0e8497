#include "Platform/SentryTransport.h"

#include "Platform/SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <future>
#include <vector>

#include <cstdio>

namespace Platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

const QString EnvelopeSuffix = QStringLiteral(".envelope");

QStringList outboxEntries(const QString& folder) {
    // Matched by suffix rather than a name filter, which would compile a pattern each time.
    const QDir dir(folder);
    QStringList paths;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        if (name.endsWith(EnvelopeSuffix))
            paths.append(dir.filePath(name));
    return paths;
}

} // namespace

class SentryTransport::Worker final : public QObject {
public:
    Worker(QString folder, QUrl endpoint, QByteArray authHeader, QByteArray userAgent)
        : m_folder(std::move(folder))
        , m_endpoint(std::move(endpoint))
        , m_authHeader(std::move(authHeader))
        , m_userAgent(std::move(userAgent)) {}

    void wake() {
        m_unreachable = false;
        sendNext();
    }

    /*! Calls done once nothing is on its way: at once, or when the request in flight and those after it
        have ended. */
    void whenIdle(std::function<void()> done) {
        m_idleCallbacks.push_back(std::move(done));
        notifyIfIdle();
    }

    void stop() {
        if (m_reply != nullptr) {
            m_reply->disconnect(this);
            m_reply->abort();
            m_reply->deleteLater();
            m_reply = nullptr;
        }
        if (m_timer != nullptr)
            m_timer->stop();
    }

private:
    bool isLimited(const QStringList& categories, SteadyClock::time_point now,
                   SteadyClock::time_point* until) const {
        bool limited = false;
        auto check = [&](const QString& category) {
            const auto found = m_limits.constFind(category);
            if (found != m_limits.constEnd() && *found > now) {
                limited = true;
                if (*until == SteadyClock::time_point() || *found < *until)
                    *until = *found;
            }
        };
        check(QString());
        for (const QString& category : categories)
            check(category);
        return limited;
    }

    void notifyIfIdle() {
        if (m_reply != nullptr)
            return;
        std::vector<std::function<void()>> callbacks;
        callbacks.swap(m_idleCallbacks);
        for (const auto& callback : callbacks)
            callback();
    }

    void sendNext() {
        if (m_reply != nullptr)
            return;
        if (m_unreachable) {
            notifyIfIdle();
            return;
        }
        const auto now = SteadyClock::now();
        SteadyClock::time_point earliest;
        for (const QString& path : outboxEntries(m_folder)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QString error;
            auto envelope = SentryEnvelope::parse(file.readAll(), &error);
            file.close();
            if (!envelope) {
                QFile::remove(path);
                SystemLog::log(
                    QStringLiteral("Crash reporting dropped an unreadable report from its outbox: %1")
                        .arg(error));
                continue;
            }
            SteadyClock::time_point until;
            if (isLimited(envelope->categories(), now, &until)) {
                if (earliest == SteadyClock::time_point() || until < earliest)
                    earliest = until;
                continue;
            }
            envelope->header.insert(QStringLiteral("sent_at"),
                                    QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
            m_currentCategories = envelope->categories();
            send(path, envelope->serialized());
            return;
        }
        if (earliest != SteadyClock::time_point()) {
            if (m_timer == nullptr) {
                m_timer = new QTimer(this);
                m_timer->setSingleShot(true);
                QObject::connect(m_timer, &QTimer::timeout, this, [this] { sendNext(); });
            }
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(earliest - now);
            m_timer->start(std::max<qint64>(1, wait.count()));
        }
        notifyIfIdle();
    }

    void send(const QString& path, const QByteArray& body) {
        if (m_network == nullptr)
            m_network = new QNetworkAccessManager(this);
        QNetworkRequest request(m_endpoint);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-sentry-envelope"));
        request.setRawHeader("X-Sentry-Auth", m_authHeader);
        request.setRawHeader("User-Agent", m_userAgent);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setTransferTimeout(30000);
        m_currentPath = path;
        m_reply = m_network->post(request, body);
        QObject::connect(m_reply, &QNetworkReply::finished, this, [this] { finished(); });
    }

    void finished() {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const auto now = SteadyClock::now();
        for (const auto& [category, seconds] :
             rateLimits(status, reply->rawHeader("X-Sentry-Rate-Limits"), reply->rawHeader("Retry-After"))) {
            const auto until = now + std::chrono::seconds(seconds);
            auto& limit = m_limits[category];
            if (until > limit)
                limit = until;
        }
        if (status == 0) {
            // Nothing reached the server: keep it for later.
            m_unreachable = true;
            if (!m_reportedUnreachable)
                SystemLog::log(QStringLiteral("Crash reporting cannot reach its server; reports wait in the "
                                              "outbox (%1)")
                                   .arg(SystemLog::escaped(reply->errorString())));
            m_reportedUnreachable = true;
            notifyIfIdle();
            return;
        }
        m_reportedUnreachable = false;
        if (status == 429) {
            // The server has discarded the envelope; the next one of its categories waits at least a
            // moment, however the answer reads.
            const auto soonest = now + std::chrono::seconds(1);
            for (const QString& category : m_currentCategories)
                if (m_limits.value(category) < soonest && m_limits.value(QString()) < soonest)
                    m_limits[category] = soonest;
            SystemLog::log(QStringLiteral("Crash reporting: the server is rate-limiting reports and "
                                          "discarded one (HTTP 429)"));
        } else if (status < 200 || status >= 300) {
            SystemLog::log(QStringLiteral("Crash reporting: the server refused a report, dropped (HTTP %1)")
                               .arg(status));
        }
        QFile::remove(m_currentPath);
        sendNext();
    }

    QString m_folder;
    QUrl m_endpoint;
    QByteArray m_authHeader;
    QByteArray m_userAgent;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_timer = nullptr;
    QString m_currentPath;
    QStringList m_currentCategories;
    QHash<QString, SteadyClock::time_point> m_limits;
    std::vector<std::function<void()>> m_idleCallbacks;
    bool m_unreachable = false;
    bool m_reportedUnreachable = false;
};

SentryTransport::SentryTransport(QString outboxFolder, QUrl endpoint, QByteArray authHeader,
                                 QByteArray userAgent)
    : m_outboxFolder(std::move(outboxFolder)) {
    QDir().mkpath(m_outboxFolder);
    m_worker = new Worker(m_outboxFolder, std::move(endpoint), std::move(authHeader), std::move(userAgent));
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("crash-transport"));
    m_thread.start(QThread::LowPriority);
}

SentryTransport::~SentryTransport() {
    stop();
}

void SentryTransport::stop() {
    if (!m_thread.isRunning())
        return;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->stop(); }, Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool SentryTransport::enqueue(const SentryEnvelope& envelope) {
    static std::atomic<quint64> counter{0};
    {
        std::lock_guard lock(m_outboxMutex);
        const QString name = QStringLiteral("%1-%2-%3")
                                 .arg(QDateTime::currentMSecsSinceEpoch(), 14, 10, QLatin1Char('0'))
                                 .arg(counter.fetch_add(1), 8, 10, QLatin1Char('0'))
                                 .arg(QUuid::createUuid().toString(QUuid::Id128).left(8)) +
                             EnvelopeSuffix;
        if (!writeFileAtomically(QDir(m_outboxFolder).filePath(name), envelope.serialized())) {
            SystemLog::log(
                QStringLiteral("Crash reporting cannot write a report to its outbox %1").arg(m_outboxFolder));
            return false;
        }
        // The oldest go first while the outbox holds too many envelopes or too many bytes.
        const QStringList entries = outboxEntries(m_outboxFolder);
        qint64 bytes = 0;
        for (const QString& entry : entries)
            bytes += QFileInfo(entry).size();
        qsizetype count = entries.size();
        for (const QString& entry : entries) {
            if (count <= Capacity && bytes <= CapacityBytes)
                break;
            bytes -= QFileInfo(entry).size();
            --count;
            QFile::remove(entry);
        }
        if (count == 0) {
            SystemLog::log(QStringLiteral("Crash reporting dropped a report too large for its outbox"));
            return false;
        }
    }
    wake();
    return true;
}

void SentryTransport::wake() {
    if (!m_thread.isRunning())
        return;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->wake(); }, Qt::QueuedConnection);
}

bool SentryTransport::flush(std::chrono::milliseconds timeout) {
    if (!m_thread.isRunning())
        return false;
    auto idle = std::make_shared<std::promise<void>>();
    std::future<void> done = idle->get_future();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, idle] {
            worker->wake();
            worker->whenIdle([idle] { idle->set_value(); });
        },
        Qt::QueuedConnection);
    return done.wait_for(timeout) == std::future_status::ready;
}

bool SentryTransport::writeFileAtomically(const QString& path, const QByteArray& data) {
    // The temporary name does not end in ".envelope", so the sender never picks it up.
    const QString temporary =
        path + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(data) == data.size();
    file.close();
    if (!written || file.error() != QFileDevice::NoError ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

void SentryTransport::post(std::function<void()> job) {
    if (!m_thread.isRunning())
        return;
    QMetaObject::invokeMethod(m_worker, std::move(job), Qt::QueuedConnection);
}

QStringList SentryTransport::pendingFiles() const {
    std::lock_guard lock(m_outboxMutex);
    return outboxEntries(m_outboxFolder);
}

namespace {

// A wait in whole seconds, at most a day; anything else (a fraction, a sign, an exponent, inf, nan, no
// digits at all) is the protocol's default wait.
qint64 waitSeconds(const QByteArray& text) {
    const QByteArray digits = text.trimmed();
    if (digits.isEmpty() ||
        !std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c >= '0' && c <= '9'; }))
        return SentryTransport::DefaultRateLimitSeconds;
    qint64 seconds = 0;
    for (const char c : digits) {
        seconds = seconds * 10 + (c - '0');
        if (seconds >= SentryTransport::LongestRateLimitSeconds)
            return SentryTransport::LongestRateLimitSeconds;
    }
    return seconds;
}

} // namespace

QList<QPair<QString, qint64>> SentryTransport::rateLimits(int status, const QByteArray& rateLimitsHeader,
                                                          const QByteArray& retryAfterHeader) {
    QList<QPair<QString, qint64>> limits;
    if (!rateLimitsHeader.trimmed().isEmpty()) {
        // "retry_after:categories:scope[:reason[:namespaces]], ..."; no categories means all of them.
        for (const QByteArray& entry : rateLimitsHeader.split(',')) {
            const QList<QByteArray> fields = entry.trimmed().split(':');
            if (fields.size() < 2)
                continue;
            const qint64 seconds = waitSeconds(fields.at(0));
            const QByteArray categories = fields.at(1).trimmed();
            if (categories.isEmpty()) {
                limits.append({QString(), seconds});
                continue;
            }
            for (const QByteArray& category : categories.split(';'))
                if (!category.trimmed().isEmpty())
                    limits.append({QString::fromLatin1(category.trimmed()), seconds});
        }
        return limits;
    }
    if (status != 429)
        return limits;
    const QByteArray retryAfter = retryAfterHeader.trimmed();
    qint64 seconds = waitSeconds(retryAfter);
    if (!retryAfter.isEmpty() && !std::isdigit(static_cast<unsigned char>(retryAfter.front()))) {
        // An HTTP date ends in "GMT", which the RFC 2822 reader takes only as an offset.
        QString text = QString::fromLatin1(retryAfter);
        if (text.endsWith(QLatin1String(" GMT")) || text.endsWith(QLatin1String(" UTC")))
            text = text.chopped(4) + QStringLiteral(" +0000");
        const QDateTime date = QDateTime::fromString(text, Qt::RFC2822Date);
        if (date.isValid())
            seconds =
                std::clamp<qint64>(QDateTime::currentDateTimeUtc().secsTo(date), 0, LongestRateLimitSeconds);
    }
    limits.append({QString(), seconds});
    return limits;
}

} // namespace Platform
