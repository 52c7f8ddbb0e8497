#pragma once

#include "Platform/SentryEnvelope.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <functional>
#include <mutex>

namespace Platform {

/*! Sends envelopes to a crash-report server from an outbox folder, on a thread of its own.

    Every envelope is written to the outbox first and leaves it once the server has answered: taken
    (2xx), or dropped with a log line (any other status; a 429 too, whose envelope the server has
    discarded). A 429's Retry-After and any answer's X-Sentry-Rate-Limits hold back the envelopes of the
    limited categories until the time given, then they go. Envelopes go in the order they were written,
    one at a time; the outbox keeps at most `Capacity` of them and `CapacityBytes` in all, dropping the
    oldest. Only when the server cannot be reached do the envelopes stay, for the next wake-up or start. */
class SentryTransport final {
public:
    static constexpr int Capacity = 30;
    static constexpr qint64 CapacityBytes = 4 * 1024 * 1024;
    /*! The longest wait a rate limit may ask for, and the wait of one that cannot be read. */
    static constexpr qint64 LongestRateLimitSeconds = 24 * 60 * 60;
    static constexpr qint64 DefaultRateLimitSeconds = 60;

    /*! Sends to the endpoint with the X-Sentry-Auth value and the client's "name/version" as its
        User-Agent. */
    SentryTransport(QString outboxFolder, QUrl endpoint, QByteArray authHeader, QByteArray userAgent);
    /*! Stops the sending thread; what is not sent stays in the outbox. */
    ~SentryTransport();
    SentryTransport(const SentryTransport&) = delete;
    SentryTransport& operator=(const SentryTransport&) = delete;

    /*! Stops the sending thread (jobs not yet run are dropped); what is not sent stays in the outbox. */
    void stop();

    /*! Writes the envelope to the outbox and wakes the sender. Any thread. False when it cannot be
        written. */
    bool enqueue(const SentryEnvelope& envelope);
    /*! Asks the sender to go through the outbox (as at start). Any thread. */
    void wake();
    /*! Wakes the sender and waits, at most the timeout, until it has sent all it can send now (the rest
        is held back by a rate limit or an unreachable server); true when it has. Not on the sending
        thread. */
    bool flush(std::chrono::milliseconds timeout);
    /*! Runs a job on the sending thread (work that must not hold up the caller). Any thread. */
    void post(std::function<void()> job);

    /*! The outbox files, oldest first. */
    QStringList pendingFiles() const;
    QString outboxFolder() const { return m_outboxFolder; }

    /*! Writes a file whole under a temporary name and renames it into place, so that a reader sees the
        old file or the new one, never a part. Not synced to the disk: start-up cannot wait for that. */
    static bool writeFileAtomically(const QString& path, const QByteArray& data);

    /*! Reads a rate-limit answer into seconds per category ("" for every category): X-Sentry-Rate-Limits
        when given, else Retry-After (whole seconds or an HTTP date) for a 429. A wait is at most
        LongestRateLimitSeconds; one that is no whole number of seconds is DefaultRateLimitSeconds. */
    static QList<QPair<QString, qint64>> rateLimits(int status, const QByteArray& rateLimitsHeader,
                                                    const QByteArray& retryAfterHeader);

private:
    class Worker;

    QString m_outboxFolder;
    QThread m_thread;
    Worker* m_worker = nullptr;
    mutable std::mutex m_outboxMutex;
};

} // namespace Platform
