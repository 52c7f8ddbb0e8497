#pragma once

#include "Platform/Error.h"
#include "Platform/XPCSocket.h"

#include <QCborMap>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace Platform {

/*! What a service offers on an accepted connection: one reply for each message. Called on the
    connection's own thread; an object serves one connection only. */
class XPCExportedObject {
public:
    virtual ~XPCExportedObject() = default;
    virtual QCborMap handleMessage(const QCborMap& message) = 0;
};

/*! The service's end of one accepted connection. */
class XPCIncomingConnection {
public:
    XPCIncomingConnection(int fd, XPCSocket::PeerCredentials peer);
    ~XPCIncomingConnection();
    XPCIncomingConnection(const XPCIncomingConnection&) = delete;
    XPCIncomingConnection& operator=(const XPCIncomingConnection&) = delete;

    const XPCSocket::PeerCredentials& peer() const { return m_peer; }
    void setExportedObject(std::unique_ptr<XPCExportedObject> object) {
        m_exportedObject = std::move(object);
    }
    /*! Answers every message until the peer closes the connection, sends something unreadable, or
        leaves a message unfinished for frameTimeoutMs (counted from when the service waits for it). */
    void serve(int frameTimeoutMs = -1);
    /*! Tells the peer why it is turned away. */
    void refuse(const Error& reason);

private:
    int m_fd;
    XPCSocket::PeerCredentials m_peer;
    std::unique_ptr<XPCExportedObject> m_exportedObject;
};

class XPCListener;

class XPCListenerDelegate {
public:
    virtual ~XPCListenerDelegate() = default;
    /*! Examines the connection and, to accept it, gives it its exported object. A refused connection
        is told so with the error set here and closed. */
    virtual bool listenerShouldAcceptNewConnection(XPCListener& listener, XPCIncomingConnection& connection,
                                                   Error* refusal) = 0;
    /*! Asked when the idle time has passed with no connection; true keeps the service listening. */
    virtual bool listenerShouldStayAlive(XPCListener& /*listener*/) { return false; }
};

/*! The listener of a service executable inside a bundle: it listens on the socket that clients of the
    same bundle connect to (XPCSocket::socketPath) and serves each accepted connection on its own thread.
    One instance serves per socket (a lock file next to it holds the serving process's id); a second
    instance finds the lock taken and ends at once. With no connection for the idle time it ends, and the
    next client starts it again. */
class XPCListener {
public:
    static inline const QString ErrorDomain = QStringLiteral("com.dunwarbeck.error.xpc.listener");

    /*! The listener of the service named so, for the bundle at bundlePath. */
    XPCListener(QString serviceName, QString bundlePath);
    XPCListener(const XPCListener&) = delete;
    XPCListener& operator=(const XPCListener&) = delete;

    const QString& bundlePath() const { return m_bundlePath; }
    /*! Where it listens (XPCSocket::socketPath); a null string when there is no such place. */
    QString socketPath(QString* error = nullptr) const;
    void setDelegate(XPCListenerDelegate* delegate) { m_delegate = delegate; }
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    /*! How many connections one client process may hold open at once; more are told the service is
        busy. */
    void setMaximumConnections(int count) { m_maximumConnections = count; }
    /*! How long a connection may take to send one whole message (5 s unless set). */
    void setFrameTimeout(int milliseconds) { m_frameTimeoutMs = milliseconds; }

    /*! Serves until idle; answers the process exit status (0 also when another instance serves). */
    int resume();

private:
    void accept(int fd);

    QString m_serviceName;
    QString m_bundlePath;
    XPCListenerDelegate* m_delegate = nullptr;
    int m_idleTimeoutMs = 30000;
    int m_maximumConnections = 16;
    int m_frameTimeoutMs = 5000;
    std::atomic<int> m_activeConnections{0};
    std::mutex m_peersMutex;
    std::map<pid_t, int> m_connectionsPerPeer;
};

} // namespace Platform
