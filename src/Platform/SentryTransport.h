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

    Every envelope is written to the outbox first and leaves it only when the server has taken it
    (2xx) or refused it for good (another 4xx). Envelopes go in the order they were written, one at a
    time; the outbox keeps at most `Capacity` of them, dropping the oldest. A 429 answer, Retry-After and
    X-Sentry-Rate-Limits hold back the envelopes of the limited categories until the time given. When
    the server cannot be reached (or answers 5xx), the envelopes stay for the next wake-up or start. */
class SentryTransport final {
public:
    static constexpr int Capacity = 30;

    SentryTransport(QString outboxFolder, QUrl endpoint, QByteArray authHeader);
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
        when given, else Retry-After (seconds or an HTTP date, 60 when unreadable) for a 429. */
    static QList<QPair<QString, double>> rateLimits(int status, const QByteArray& rateLimitsHeader,
                                                    const QByteArray& retryAfterHeader);

private:
    class Worker;

    QString m_outboxFolder;
    QThread m_thread;
    Worker* m_worker = nullptr;
    mutable std::mutex m_outboxMutex;
};

} // namespace Platform
