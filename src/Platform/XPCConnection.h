#pragma once

#include "Platform/Error.h"
#include "Platform/XPCWire.h"

#include <QCborMap>
#include <QString>

#include <optional>

namespace Platform {

/*! The application's end of a connection to a service executable of its bundle, the way launchd starts
    an XPC service on demand: when nothing listens on the service's socket, the connection starts the
    executable (detached, in its own session, without the caller's standard streams) and waits a bounded
    time for it to listen. Messages are exchanged one at a time and block the calling thread until the
    reply came or the connection failed. Not shared between threads; one connection per call is the rule. */
class XPCConnection {
public:
    static inline const QString ErrorDomain = QStringLiteral("com.dunwarbeck.error.xpc");
    /*! The service could not be reached or started. */
    static constexpr int ConnectionInvalid = 4099;
    /*! The connection ended before the reply (the service went away mid-call). */
    static constexpr int ConnectionInterrupted = 4097;

    /*! A connection to the service of the bundle whose executable lies at serviceExecutable. */
    XPCConnection(QString serviceName, QString bundlePath, QString serviceExecutable);
    /*! A connection to whatever listens on the socket; nothing is started. */
    static XPCConnection toSocket(const QString& socketPath);
    ~XPCConnection();
    XPCConnection(const XPCConnection&) = delete;
    XPCConnection& operator=(const XPCConnection&) = delete;
    XPCConnection(XPCConnection&& other) noexcept;

    /*! How long resume() waits for a started service to listen. */
    void setConnectTimeout(int milliseconds) { m_connectTimeoutMs = milliseconds; }
    /*! How long sendMessageWithReplySync() waits for the reply (a minute unless set); when it passes, the
        call fails as interrupted. */
    void setReplyTimeout(int milliseconds) { m_replyTimeoutMs = milliseconds; }

    /*! Connects, starting the service when needed; false with the error when it cannot. */
    bool resume(Error* error = nullptr);
    /*! Sends the message and blocks until the reply; without a reply the error says why. A reply that
        reports the service's own refusal (XPCWire::errorReply) comes back as the error. Connects first
        when resume() was not called. */
    std::optional<QCborMap> sendMessageWithReplySync(const QCborMap& message, Error* error);
    /*! Closes the connection; later messages fail. */
    void invalidate();

private:
    XPCConnection() = default;
    Error invalidError(const QString& reason) const;
    bool connectOnce(QString* reason);

    QString m_serviceName;
    QString m_bundlePath;
    QString m_serviceExecutable;
    QString m_socketPath;
    int m_connectTimeoutMs = 10000;
    int m_replyTimeoutMs = 60000;
    int m_fd = -1;
    bool m_invalidated = false;
};

} // namespace Platform
