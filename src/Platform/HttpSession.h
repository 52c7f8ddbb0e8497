#pragma once

#include "Platform/HttpTask.h"
#include "Platform/JSONResponseSerializer.h"

#include <QHash>
#include <QObject>

#include <deque>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace Platform {

/*! A session of JSON requests: at most a few requests per host at a time (the rest wait in the order they
    were resumed), every answer run through the JSON response serializer, and every completion called
    once, on the GUI thread. Transport failures arrive as errors of URLErrorDomain, HTTP failures as
    errors of the serializer's domain carrying the status and the body. Every task is reported to the
    activity hub. Create and use it on the GUI thread. */
class HttpSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpSession)

public:
    static inline const QString URLErrorDomain = QStringLiteral("com.corvantide.error.url");
    enum URLErrorCode {
        Unknown = -1,
        Cancelled = -999,
        BadURL = -1000,
        TimedOut = -1001,
        UnsupportedURL = -1002,
        CannotFindHost = -1003,
        CannotConnectToHost = -1004,
        NetworkConnectionLost = -1005,
        SecureConnectionFailed = -1200,
    };

    struct Configuration {
        int maximumConnectionsPerHost = 2;
        /*! A GET answered 429 or 503 is sent again up to this many times: after the answer's
            Retry-After, or else after an exponential back-off with jitter starting at firstRetryDelayMs;
            only while the wait stays under longestRetryWaitMs. The last answer is the task's answer. */
        int maximumRateLimitRetries = 0;
        int firstRetryDelayMs = 1000;
        int longestRetryWaitMs = 60000;
    };

    /*! The error of a cancelled task: URLErrorDomain, Cancelled, for the request's URL. */
    static Error cancellationError(const QUrl& url);
    /*! The URLErrorDomain error for a reply that failed in transport (refused, lost, timed out, TLS...). */
    static Error transportError(QNetworkReply* reply, const QUrl& url);
    /*! Whether a finished reply failed in its connection (refused, lost, timed out, TLS, proxy, a broken
        exchange) rather than carrying an HTTP status that Qt also reports as an error. */
    static bool failedInTransport(QNetworkReply* reply);
    /*! Whether a body of receivedBytes falls short of the reply's Content-Length: the connection was
        lost before the answer was whole. */
    static bool isCutShort(QNetworkReply* reply, const QByteArray& method, int statusCode,
                           qint64 receivedBytes);
    /*! The URLErrorDomain error for a connection lost before the answer was whole. */
    static Error connectionLostError(const QUrl& url);

    explicit HttpSession(QObject* parent = nullptr);
    explicit HttpSession(Configuration configuration, QObject* parent = nullptr);
    /*! Tasks still waiting or running end with the cancellation error. A session that outlives the
        application object (a process-wide one) closes the same way when that object is destroyed, so
        that no network thread is left running while Qt is torn down. */
    ~HttpSession() override;

    JSONResponseSerializer& responseSerializer() { return m_serializer; }
    const Configuration& configuration() const { return m_configuration; }

    /*! A suspended task for the request; resume() sends it. */
    std::shared_ptr<HttpTask> dataTask(HttpRequest request, HttpTask::Completion completion);

    /*! Tasks resumed and not yet completed. */
    qsizetype pendingTaskCount() const { return m_pending.size(); }

    /*! Forgets every cookie that answers have set (a sign-in starts without any). */
    void removeAllCookies();

private:
    friend class HttpTask;
    void resume(HttpTask* task);
    void cancel(HttpTask* task);
    void startNext(const QString& hostKey);
    void send(const std::shared_ptr<HttpTask>& task);
    void handleReply(const std::shared_ptr<HttpTask>& task, QNetworkReply* reply);
    /*! Queues the task again after the wait its rate-limited answer calls for; false when it is not to
        be retried. */
    bool retryLater(const std::shared_ptr<HttpTask>& task, const HttpResponse& response);
    void complete(const std::shared_ptr<HttpTask>& task, const QJsonValue& responseObject,
                  const OptionalError& error);
    std::shared_ptr<HttpTask> pendingTask(HttpTask* task) const;
    /*! Ends every task with the cancellation error and lets go of the network access manager. */
    void close();
    static void closeSessionsOutlivingTheApplication();

    struct HostQueue {
        int running = 0;
        std::deque<std::shared_ptr<HttpTask>> waiting;
    };

    Configuration m_configuration;
    JSONResponseSerializer m_serializer;
    QNetworkAccessManager* m_network;
    QHash<QString, HostQueue> m_hosts;
    QHash<HttpTask*, std::shared_ptr<HttpTask>> m_pending;
    quint64 m_nextIdentifier = 1;
    // Set once the session closes; a task resumed from the completions of the ended ones ends as well.
    bool m_closing = false;
};

} // namespace Platform
