#include "ZRKit/ZRURLSession.h"

#include "Platform/HttpSession.h"
#include "Platform/SystemLog.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <QThread>

#include <condition_variable>
#include <mutex>

void ZRURLRequest::setValueForHTTPHeaderField(const QByteArray& value, const QByteArray& field) {
    headerFields.removeIf(
        [&field](const auto& header) { return header.first.compare(field, Qt::CaseInsensitive) == 0; });
    headerFields.append({field, value});
}

namespace {

QByteArray headerValue(const QList<QPair<QByteArray, QByteArray>>& fields, const QByteArray& field) {
    for (const auto& header : fields)
        if (header.first.compare(field, Qt::CaseInsensitive) == 0)
            return header.second;
    return QByteArray();
}

Platform::Error sessionError(const char* text) {
    return Platform::Error(ZRURLSession::ErrorDomain, 0, QCoreApplication::translate("ZRURLSession", text));
}

} // namespace

QByteArray ZRURLRequest::valueForHTTPHeaderField(const QByteArray& field) const {
    return headerValue(headerFields, field);
}

QByteArray ZRURLResponse::valueForHTTPHeaderField(const QByteArray& field) const {
    return headerValue(headerFields, field);
}

bool ZRURLSessionResult::isInformationalResponse() const {
    return response && response->statusCode >= 100 && response->statusCode < 200;
}

bool ZRURLSessionResult::isSuccessfulResponse() const {
    return response && response->statusCode >= 200 && response->statusCode < 300;
}

// The part of a run that lives on the private thread: its network access manager and reply.
struct ZRURLSession::Run : QObject {
    ZRURLSession* session;
    bool toFile;
    std::mutex* mutex;
    std::condition_variable* ended;
    QNetworkAccessManager* manager = nullptr;
    QPointer<QNetworkReply> reply;
    std::unique_ptr<QTemporaryFile> file;
    qint64 m_written = 0;

    Run(ZRURLSession* owner, bool file, std::mutex* m, std::condition_variable* c)
        : session(owner)
        , toFile(file)
        , mutex(m)
        , ended(c) {}

    void start() {
        manager = new QNetworkAccessManager(this);
        manager->setCookieJar(nullptr);
        QNetworkRequest request(session->m_request.url);
        for (const auto& [field, value] : std::as_const(session->m_request.headerFields))
            request.setRawHeader(field, value);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             session->m_allowRedirect ? QNetworkRequest::NoLessSafeRedirectPolicy
                                                      : QNetworkRequest::ManualRedirectPolicy);
        // The run's configuration: an ephemeral one that reloads, ignoring local cache data.
        const ZRURLSessionConfiguration configuration;
        if (configuration.reloadIgnoringLocalCacheData) {
            request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
            request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        }
        if (!configuration.HTTPShouldSetCookies)
            request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        if (!configuration.acceptsCookies)
            request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        if (session->m_request.timeoutInterval > 0)
            request.setTransferTimeout(
                static_cast<int>(qMin(session->m_request.timeoutInterval * 1000.0, 2.0e9)));
        if (toFile) {
            file =
                std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/ZRURLSession-XXXXXX"));
            file->setAutoRemove(false);
            if (!file->open()) {
                finish(
                    sessionError(QT_TRANSLATE_NOOP("ZRURLSession", "Unknown error while downloading data.")),
                    std::nullopt);
                return;
            }
        }
        const QByteArray& body = session->m_request.body;
        // Qt waits for the body of a HEAD sent as a custom verb; its own HEAD ends at the answer's head.
        reply = session->m_request.method == "HEAD"
                    ? manager->head(request)
                    : manager->sendCustomRequest(request, session->m_request.method,
                                                 body.isEmpty() ? QByteArray() : body);
        ZRURLSessionForwardDelegate* delegate = session->m_forwardDelegate;
        if (delegate)
            connect(reply, &QNetworkReply::uploadProgress, this,
                    [delegate](qint64 sent, qint64 total) { delegate->didSendBodyData(sent, total); });
        connect(manager, &QNetworkAccessManager::authenticationRequired, this,
                [delegate](QNetworkReply* challenged, QAuthenticator* authenticator) {
                    // Without a credential the reply ends with the challenge's own answer.
                    if (delegate)
                        delegate->didReceiveChallenge(responseOf(challenged), authenticator);
                });
        if (file)
            connect(reply, &QNetworkReply::readyRead, this, [this] { writeToFile(reply->readAll()); });
        connect(reply, &QNetworkReply::finished, this, [this] { replyFinished(); });
    }

    static ZRURLResponse responseOf(QNetworkReply* reply) {
        ZRURLResponse response;
        response.url = reply->url();
        response.statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        for (const auto& pair : reply->rawHeaderPairs())
            response.headerFields.append(pair);
        return response;
    }

    void replyFinished() {
        QNetworkReply* finished = reply.data();
        finished->deleteLater();
        const bool hasStatus = finished->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        std::optional<Platform::Error> error;
        // A status does not make an answer whole: a connection lost after the head cuts the body short.
        if ((finished->error() != QNetworkReply::NoError && !hasStatus) ||
            Platform::HttpSession::failedInTransport(finished))
            error = Platform::HttpSession::transportError(finished, session->m_request.url);
        std::optional<ZRURLResponse> response;
        if (hasStatus)
            response = responseOf(finished);
        QByteArray body;
        if (!error) {
            body = finished->readAll();
            if (file)
                writeToFile(body);
            if (Platform::HttpSession::isCutShort(finished, session->m_request.method,
                                                  response ? response->statusCode : 0,
                                                  file ? m_written : body.size()))
                error = Platform::HttpSession::connectionLostError(session->m_request.url);
        }
        std::lock_guard lock(*mutex);
        if (session->m_state.load() != Running)
            return; // the time limit won
        session->m_response = response;
        if (!error && file) {
            file->flush();
            session->m_receivedFileURL = file->fileName();
            file->close();
            file.reset();
        } else if (!error) {
            session->m_receivedData = body;
        }
        if (error) {
            session->m_receivedError = error;
            dropFile();
        }
        session->m_state.store(error ? Failed : Stopped);
        ended->notify_all();
    }

    void finish(const Platform::Error& error, const std::optional<ZRURLResponse>& response) {
        std::lock_guard lock(*mutex);
        if (session->m_state.load() != Running)
            return;
        session->m_response = response;
        session->m_receivedError = error;
        dropFile();
        session->m_state.store(Failed);
        ended->notify_all();
    }

    void cancel() {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
        }
        dropFile();
    }

    void writeToFile(const QByteArray& bytes) {
        if (file && file->write(bytes) == bytes.size())
            m_written += bytes.size();
    }

    void dropFile() {
        if (file) {
            file->remove();
            file.reset();
        }
    }
};

ZRURLSession::ZRURLSession(ZRURLRequest request, ZRURLSessionForwardDelegate* delegate,
                           double timeoutInterval, bool allowRedirect, bool disableCaching)
    : m_request(std::move(request))
    , m_forwardDelegate(delegate)
    , m_timeoutInterval(timeoutInterval)
    , m_allowRedirect(allowRedirect)
    , m_disableCaching(disableCaching) {}

ZRURLSession::~ZRURLSession() = default;

ZRURLRequest ZRURLSession::request() const {
    std::lock_guard lock(m_mutex);
    return m_request;
}

void ZRURLSession::setRequest(const ZRURLRequest& request) {
    std::lock_guard lock(m_mutex);
    m_request = request;
}

std::optional<ZRURLResponse> ZRURLSession::response() const {
    std::lock_guard lock(m_mutex);
    return m_response;
}

ZRURLSessionConfiguration
ZRURLSession::apiSessionConfigurationWithTimeoutIntervalForRequestTimeoutIntervalForResource(
    double forRequest, double forResource) {
    ZRURLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = forRequest;
    configuration.timeoutIntervalForResource = forResource;
    return configuration;
}

std::optional<QByteArray> ZRURLSession::sendSynchronousRequestReturningResponse(
    const ZRURLRequest& request, std::optional<ZRURLResponse>* response,
    ZRURLSessionForwardDelegate* delegate, double timeoutInterval, bool disableCaching,
    Platform::Error* error) {
    return sendSynchronousRequestReturningResponse(request, response, delegate, timeoutInterval,
                                                   disableCaching, false, error);
}

namespace {

template <typename T>
std::optional<T> handOut(const ZRURLSessionResult& result, const std::optional<T>& value,
                         std::optional<ZRURLResponse>* response, Platform::Error* error) {
    if (response)
        *response = result.response;
    if (error) // A run that succeeded clears what an earlier run left in the place.
        *error = result.receivedError.value_or(Platform::Error());
    return value;
}

} // namespace

std::optional<QByteArray> ZRURLSession::sendSynchronousRequestReturningResponse(
    const ZRURLRequest& request, std::optional<ZRURLResponse>* response,
    ZRURLSessionForwardDelegate* delegate, double timeoutInterval, bool disableCaching, bool allowRedirect,
    Platform::Error* error) {
    const ZRURLSessionResult result =
        sendSynchronousRequest(request, delegate, timeoutInterval, disableCaching, allowRedirect);
    return handOut(result, result.receivedData, response, error);
}

std::optional<QString> ZRURLSession::downloadRequestSynchronouslyReturningResponse(
    const ZRURLRequest& request, std::optional<ZRURLResponse>* response,
    ZRURLSessionForwardDelegate* delegate, double timeoutInterval, bool disableCaching, bool allowRedirect,
    Platform::Error* error) {
    const ZRURLSessionResult result =
        downloadRequestSynchronously(request, delegate, timeoutInterval, disableCaching, allowRedirect);
    return handOut(result, result.receivedFileURL, response, error);
}

ZRURLSessionResult ZRURLSession::sendSynchronousRequest(const ZRURLRequest& request,
                                                        ZRURLSessionForwardDelegate* delegate,
                                                        double timeoutInterval, bool disableCaching,
                                                        bool allowRedirect) {
    ZRURLSession session(request, delegate, timeoutInterval, allowRedirect, disableCaching);
    return session.synchronouslyDownloadData();
}

ZRURLSessionResult ZRURLSession::downloadRequestSynchronously(const ZRURLRequest& request,
                                                              ZRURLSessionForwardDelegate* delegate,
                                                              double timeoutInterval, bool disableCaching,
                                                              bool allowRedirect) {
    ZRURLSession session(request, delegate, timeoutInterval, allowRedirect, disableCaching);
    return session.synchronouslyDownloadToFile();
}

ZRURLSessionResult ZRURLSession::synchronouslyDownloadDataToFile(bool toFile) {
    synchronouslyDownloadRequestToFile(toFile);
    ZRURLSessionResult result;
    result.response = m_response;
    if (m_state.load() == Stopped) {
        result.receivedData = m_receivedData;
        result.receivedFileURL = m_receivedFileURL;
    } else {
        result.receivedError =
            m_receivedError
                ? *m_receivedError
                : sessionError(QT_TRANSLATE_NOOP("ZRURLSession", "Unknown error while downloading data."));
    }
    return result;
}

void ZRURLSession::synchronouslyDownloadRequestToFile(bool toFile) {
    if (m_state.load() != Stopped) {
        // A failed or running instance does not run again; each run takes a new one.
        Platform::SystemLog::log(QStringLiteral("State must be stopped"));
        if (!m_receivedError)
            m_receivedError =
                sessionError(QT_TRANSLATE_NOOP("ZRURLSession", "Unknown error while downloading data."));
        m_state.store(Failed);
        return;
    }
    QElapsedTimer started;
    started.start();
    m_state.store(Running);

    std::condition_variable ended;
    QThread thread;
    auto* run = new Run(this, toFile, &m_mutex, &ended);
    run->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, run, &QObject::deleteLater);
    thread.start();
    QMetaObject::invokeMethod(
        run, [run] { run->start(); }, Qt::QueuedConnection);

    {
        std::unique_lock lock(m_mutex);
        while (m_state.load() == Running) {
            ended.wait_for(lock, std::chrono::milliseconds(50));
            if (m_state.load() == Running && m_timeoutInterval > 0 &&
                started.elapsed() > m_timeoutInterval * 1000.0) {
                Platform::SystemLog::log(QStringLiteral("Request timed out while downloading from %1")
                                             .arg(m_request.url.toString()));
                m_receivedError =
                    sessionError(QT_TRANSLATE_NOOP("ZRURLSession", "Timeout while downloading data."));
                m_state.store(Failed);
            }
        }
    }
    QMetaObject::invokeMethod(
        run, [run] { run->cancel(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}
