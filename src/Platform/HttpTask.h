#pragma once

#include "Platform/Error.h"
#include "Platform/HttpMessage.h"
#include "Platform/Progress.h"

#include <QElapsedTimer>
#include <QJsonValue>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QNetworkReply;

namespace Platform {

class HttpSession;

/*! One request of an HttpSession, from resume() to its one completion. */
class HttpTask : public std::enable_shared_from_this<HttpTask> {
public:
    enum class State { Suspended, Running, Completed };

    /*! The answer's head (when there was one), the decoded JSON (Undefined when none) and the error. */
    using Completion = std::function<void(const std::optional<HttpResponse>& response,
                                          const QJsonValue& responseObject, const OptionalError& error)>;

    HttpTask(const HttpTask&) = delete;
    HttpTask& operator=(const HttpTask&) = delete;

    quint64 identifier() const { return m_identifier; }
    const HttpRequest& originalRequest() const { return m_request; }
    /*! Set once the server's answer has arrived. */
    const std::optional<HttpResponse>& response() const { return m_response; }
    /*! Bytes received out of the expected total. */
    const std::shared_ptr<Progress>& progress() const { return m_progress; }
    State state() const { return m_state; }

    /*! Queues the request behind the session's per-host limit. GUI thread. */
    void resume();
    /*! Ends the task, whether suspended, waiting or running: unless it has already completed, its
        completion receives the cancellation error on a later turn of the event loop (never inside this
        call), and the request is not sent afterwards, not even by a later resume(). GUI thread. */
    void cancel();

private:
    friend class HttpSession;
    HttpTask(HttpSession* session, quint64 identifier, HttpRequest request, Completion completion);
    /*! Ends the task with the cancellation error on a later turn, unless it completes before. */
    void completeCancelledLater();

    QPointer<HttpSession> m_session;
    quint64 m_identifier;
    HttpRequest m_request;
    Completion m_completion;
    std::optional<HttpResponse> m_response;
    std::shared_ptr<Progress> m_progress = std::make_shared<Progress>();
    State m_state = State::Suspended;
    QPointer<QNetworkReply> m_reply;
    QElapsedTimer m_elapsed;
    bool m_cancelled = false;
    bool m_deadlinePassed = false;
    int m_retries = 0;
};

} // namespace Platform
