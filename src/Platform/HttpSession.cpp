#include "Platform/HttpSession.h"

#include "Platform/HttpActivityHub.h"
#include "Platform/MainThread.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>

namespace Platform {

namespace {

QString hostKey(const QUrl& url) {
    return url.scheme().toLower() + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(
               url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80));
}

// The connection's own failures (refused, lost, timed out, TLS, proxy, a broken exchange), as opposed to
// an HTTP status that Qt also reports as an error. A body cut off by one of them is no answer to decode;
// a redirect that is not followed, though, is a whole answer of its own.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::NoError:
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return false;
    default:
        return error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolFailure;
    }
}

Error urlError(HttpSession::URLErrorCode code, const QString& description, const QUrl& url) {
    Error error(HttpSession::URLErrorDomain, code, description);
    error.setUserInfoValue(QStringLiteral("URL"), url);
    return error;
}

Error connectionLostError(const QUrl& url) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("HttpSession", text); };
    return urlError(HttpSession::NetworkConnectionLost, tr("The network connection was lost."), url);
}

Error transportErrorOf(QNetworkReply* reply, const QUrl& url) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("HttpSession", text); };
    switch (reply->error()) {
    case QNetworkReply::OperationCanceledError: // the transfer timeout aborts the reply this way
    case QNetworkReply::TimeoutError:
        return urlError(HttpSession::TimedOut, tr("The request timed out."), url);
    case QNetworkReply::HostNotFoundError:
        return urlError(HttpSession::CannotFindHost,
                        tr("A server with the specified hostname could not be found."), url);
    case QNetworkReply::ConnectionRefusedError:
        return urlError(HttpSession::CannotConnectToHost, tr("Could not connect to the server."), url);
    case QNetworkReply::RemoteHostClosedError:
        return connectionLostError(url);
    case QNetworkReply::SslHandshakeFailedError:
        return urlError(HttpSession::SecureConnectionFailed,
                        tr("A TLS error caused the secure connection to fail."), url);
    case QNetworkReply::ProtocolUnknownError:
        return urlError(HttpSession::UnsupportedURL, tr("unsupported URL"), url);
    default:
        return urlError(HttpSession::Unknown, reply->errorString(), url);
    }
}

// Sessions not yet destroyed, on the GUI thread; those still here when the application object goes are
// closed by its destructor.
QList<HttpSession*>& liveSessions() {
    static QList<HttpSession*> sessions;
    return sessions;
}

bool g_closeRoutineAdded = false;

// Qt may hand over an answer whose connection closed before the body was whole as if it had arrived
// (the closing and the last bytes read in one turn): a body shorter than its Content-Length is a lost
// connection, not an answer to decode. Qt drops that header from answers it decompresses.
bool isCutShort(QNetworkReply* reply, const QByteArray& method, int statusCode, qint64 receivedBytes) {
    if (method == "HEAD" || statusCode < 200 || statusCode == 204 || statusCode == 304)
        return false;
    bool ok = false;
    const qint64 expected = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
    return ok && receivedBytes < expected;
}

} // namespace

bool HttpSession::failedInTransport(QNetworkReply* reply) {
    return isTransportFailure(reply->error());
}

bool HttpSession::isCutShort(QNetworkReply* reply, const QByteArray& method, int statusCode,
                             qint64 receivedBytes) {
    return Platform::isCutShort(reply, method, statusCode, receivedBytes);
}

Error HttpSession::connectionLostError(const QUrl& url) {
    return Platform::connectionLostError(url);
}

Error HttpSession::transportError(QNetworkReply* reply, const QUrl& url) {
    return transportErrorOf(reply, url);
}

Error HttpSession::cancellationError(const QUrl& url) {
    return urlError(Cancelled, QCoreApplication::translate("HttpSession", "cancelled"), url);
}

HttpSession::HttpSession(QObject* parent)
    : HttpSession(Configuration{}, parent) {}

HttpSession::HttpSession(Configuration configuration, QObject* parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_network(new QNetworkAccessManager(this)) {
    assertMainThread();
    if (m_configuration.maximumConnectionsPerHost < 1)
        m_configuration.maximumConnectionsPerHost = 1;
    liveSessions().append(this);
    // The network access manager runs a thread of its own; one left running past the application
    // object handles late socket events (a server closing a kept-alive connection) while Qt is torn down.
    if (!g_closeRoutineAdded) {
        g_closeRoutineAdded = true;
        qAddPostRoutine(closeSessionsOutlivingTheApplication);
    }
}

void HttpSession::closeSessionsOutlivingTheApplication() {
    g_closeRoutineAdded = false; // a later application object gets the routine again
    const QList<HttpSession*> sessions = liveSessions();
    for (HttpSession* session : sessions)
        session->close();
}

HttpSession::~HttpSession() {
    liveSessions().removeOne(this);
    close();
}

void HttpSession::close() {
    if (m_closing)
        return;
    m_closing = true;
    // Waiting tasks first, so that finishing a running one cannot start them.
    for (auto& queue : m_hosts)
        queue.waiting.clear();
    const auto pending = m_pending.values();
    for (const auto& task : pending) {
        task->m_cancelled = true;
        if (task->m_reply) {
            task->m_reply->disconnect(this);
            task->m_reply->abort();
        }
        complete(task, QJsonValue(QJsonValue::Undefined), cancellationError(task->m_request.url));
    }
    delete m_network;
    m_network = nullptr;
}

std::shared_ptr<HttpTask> HttpSession::dataTask(HttpRequest request, HttpTask::Completion completion) {
    assertMainThread();
    return std::shared_ptr<HttpTask>(
        new HttpTask(this, m_nextIdentifier++, std::move(request), std::move(completion)));
}

std::shared_ptr<HttpTask> HttpSession::pendingTask(HttpTask* task) const {
    return m_pending.value(task);
}

void HttpSession::resume(HttpTask* task) {
    assertMainThread();
    if (task->m_state != HttpTask::State::Suspended || task->m_cancelled)
        return;
    // The caller's handle may be the only one; the session keeps the task alive until it completes.
    const std::shared_ptr<HttpTask> strong = task->shared_from_this();
    task->m_state = HttpTask::State::Running;
    task->m_elapsed.start();
    m_pending.insert(task, strong);
    HttpActivityHub::shared().taskDidStart(*task);
    const QString key = hostKey(task->m_request.url);
    m_hosts[key].waiting.push_back(strong);
    startNext(key);
}

void HttpSession::cancel(HttpTask* task) {
    assertMainThread();
    if (task->m_cancelled || task->m_state == HttpTask::State::Completed)
        return;
    task->m_cancelled = true;
    if (task->m_state == HttpTask::State::Running) {
        const QString key = hostKey(task->m_request.url);
        if (QNetworkReply* reply = task->m_reply) {
            // Nothing of the reply reaches the task any more: the completion must not run inside cancel().
            task->m_reply = nullptr;
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
            --m_hosts[key].running;
            startNext(key);
        } else {
            std::erase(m_hosts[key].waiting, pendingTask(task));
        }
    }
    task->completeCancelledLater();
}

void HttpSession::startNext(const QString& key) {
    if (m_closing)
        return;
    HostQueue& queue = m_hosts[key];
    while (queue.running < m_configuration.maximumConnectionsPerHost && !queue.waiting.empty()) {
        const std::shared_ptr<HttpTask> task = queue.waiting.front();
        queue.waiting.pop_front();
        ++queue.running;
        send(task);
    }
}

void HttpSession::send(const std::shared_ptr<HttpTask>& task) {
    const HttpRequest& request = task->m_request;
    QNetworkRequest networkRequest(request.url);
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    networkRequest.setTransferTimeout(request.timeoutMs);
    // A redirect elsewhere would carry the request's headers (a bearer token) to another host.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::SameOriginRedirectPolicy);
    QNetworkReply* reply = request.body
                               ? m_network->sendCustomRequest(networkRequest, request.method, *request.body)
                               : m_network->sendCustomRequest(networkRequest, request.method);
    task->m_reply = reply;
    // The transfer timeout only limits quiet time; an answer trickling in byte by byte ends here.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [task, reply] {
        task->m_deadlinePassed = true;
        reply->abort();
    });
    deadline->start(std::max(0, request.deadlineMs));
    connect(reply, &QNetworkReply::downloadProgress, this, [task](qint64 received, qint64 total) {
        task->m_progress->setTotalUnitCount(total);
        task->m_progress->setCompletedUnitCount(received);
    });
    connect(reply, &QNetworkReply::finished, this, [this, task, reply] { handleReply(task, reply); });
}

void HttpSession::handleReply(const std::shared_ptr<HttpTask>& task, QNetworkReply* reply) {
    reply->deleteLater();
    task->m_reply = nullptr;
    const QString key = hostKey(task->m_request.url);
    --m_hosts[key].running;

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        HttpResponse response;
        response.url = reply->url();
        response.statusCode = status.toInt();
        response.reasonPhrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
        for (const auto& header : reply->rawHeaderPairs())
            response.headers.append(header);
        task->m_response = response;
    }
    if (task->m_response && !isTransportFailure(reply->error()) && retryLater(task, *task->m_response)) {
        task->m_response.reset();
        startNext(key);
        return;
    }
    if (task->m_response && !isTransportFailure(reply->error())) {
        const QByteArray body = reply->readAll();
        if (Platform::isCutShort(reply, task->m_request.method, task->m_response->statusCode, body.size())) {
            complete(task, QJsonValue(QJsonValue::Undefined),
                     Platform::connectionLostError(task->m_request.url));
            startNext(key);
            return;
        }
        const JSONResponseSerializer::Result result = m_serializer.serialize(*task->m_response, body);
        complete(task, result.responseObject, result.error);
    } else {
        complete(task, QJsonValue(QJsonValue::Undefined),
                 task->m_deadlinePassed
                     ? urlError(TimedOut,
                                QCoreApplication::translate("HttpSession", "The request timed out."),
                                task->m_request.url)
                     : transportErrorOf(reply, task->m_request.url));
    }
    startNext(key);
}

bool HttpSession::retryLater(const std::shared_ptr<HttpTask>& task, const HttpResponse& response) {
    if (task->m_retries >= m_configuration.maximumRateLimitRetries || task->m_request.method != "GET" ||
        (response.statusCode != 429 && response.statusCode != 503))
        return false;
    qint64 waitMs = 0;
    if (const std::optional<qint64> seconds = response.retryAfterSeconds()) {
        // Compared before it is counted in milliseconds, where a huge wait would overflow.
        if (*seconds > m_configuration.longestRetryWaitMs / 1000)
            return false;
        waitMs = *seconds * 1000;
    } else {
        const qint64 backoff = qint64(m_configuration.firstRetryDelayMs) << task->m_retries;
        waitMs = backoff + QRandomGenerator::global()->bounded(backoff / 2 + 1);
    }
    if (waitMs >= m_configuration.longestRetryWaitMs)
        return false;
    ++task->m_retries;
    QTimer::singleShot(std::chrono::milliseconds(waitMs), this, [this, task] {
        if (task->m_cancelled || task->m_state != HttpTask::State::Running)
            return;
        const QString key = hostKey(task->m_request.url);
        m_hosts[key].waiting.push_back(task);
        startNext(key);
    });
    return true;
}

void HttpSession::complete(const std::shared_ptr<HttpTask>& task, const QJsonValue& responseObject,
                           const OptionalError& error) {
    if (task->m_state == HttpTask::State::Completed)
        return;
    task->m_state = HttpTask::State::Completed;
    // A task cancelled before it was ever resumed was never reported as started.
    if (m_pending.remove(task.get())) {
        const double elapsed = static_cast<double>(task->m_elapsed.nsecsElapsed()) / 1e9;
        HttpActivityHub::shared().taskDidFinish(*task, responseObject, elapsed, error);
    }
    HttpTask::Completion completion = std::move(task->m_completion);
    if (completion)
        completion(task->m_response, responseObject, error);
}

HttpTask::HttpTask(HttpSession* session, quint64 identifier, HttpRequest request, Completion completion)
    : m_session(session)
    , m_identifier(identifier)
    , m_request(std::move(request))
    , m_completion(std::move(completion)) {}

void HttpTask::resume() {
    if (m_session && !m_session->m_closing) {
        m_session->resume(this);
        return;
    }
    // The session is gone or going: the task can only end as cancelled, on a later turn like any answer.
    if (m_state == State::Suspended && !m_cancelled) {
        m_cancelled = true;
        completeCancelledLater();
    }
}

void HttpTask::cancel() {
    if (m_session) {
        m_session->cancel(this);
        return;
    }
    if (m_state == State::Suspended && !m_cancelled) {
        m_cancelled = true;
        completeCancelledLater();
    }
}

void HttpTask::completeCancelledLater() {
    // Not tied to the session's lifetime: a session destroyed meanwhile has ended the tasks it held, and
    // the one it never held still gets its completion here.
    runOnMain([self = shared_from_this()] {
        if (self->m_state == State::Completed)
            return;
        const Error error = HttpSession::cancellationError(self->m_request.url);
        if (self->m_session) {
            self->m_session->complete(self, QJsonValue(QJsonValue::Undefined), error);
            return;
        }
        self->m_state = State::Completed;
        Completion completion = std::move(self->m_completion);
        if (completion)
            completion(self->m_response, QJsonValue(QJsonValue::Undefined), error);
    });
}

void HttpSession::removeAllCookies() {
    assertMainThread();
    if (m_network != nullptr)
        m_network->setCookieJar(new QNetworkCookieJar(m_network));
}

} // namespace Platform
