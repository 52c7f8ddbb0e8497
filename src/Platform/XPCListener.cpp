#include "Platform/XPCListener.h"

#include "Platform/SystemLog.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace Platform {

XPCIncomingConnection::XPCIncomingConnection(int fd, XPCSocket::PeerCredentials peer)
    : m_fd(fd)
    , m_peer(std::move(peer)) {}

XPCIncomingConnection::~XPCIncomingConnection() {
    ::close(m_fd);
}

void XPCIncomingConnection::serve(int frameTimeoutMs) {
    if (!m_exportedObject)
        return;
    XPCWire::FrameReader reader;
    for (;;) {
        QString reason;
        const std::optional<QCborMap> message = XPCSocket::readMessage(m_fd, reader, &reason, frameTimeoutMs);
        if (!message) {
            if (reader.pendingBytes() > 0 || !reader.error().isEmpty())
                SystemLog::log(
                    QStringLiteral("dropping connection of process %1: %2").arg(m_peer.pid).arg(reason));
            return;
        }
        if (!XPCSocket::writeMessage(m_fd, m_exportedObject->handleMessage(*message), &reason))
            return;
    }
}

void XPCIncomingConnection::refuse(const Error& reason) {
    QString ignored;
    XPCSocket::writeMessage(m_fd, XPCWire::errorReply(reason), &ignored);
}

XPCListener::XPCListener(QString serviceName, QString bundlePath)
    : m_serviceName(std::move(serviceName))
    , m_bundlePath(XPCSocket::canonicalBundlePath(bundlePath)) {}

QString XPCListener::socketPath(QString* error) const {
    return XPCSocket::socketPath(m_serviceName, m_bundlePath, error);
}

int XPCListener::resume() {
    QString reason;
    const QString socketPath = this->socketPath(&reason);
    if (socketPath.isEmpty()) {
        SystemLog::log(QStringLiteral("%1: cannot listen: %2").arg(m_serviceName, reason));
        return 1;
    }
    const QByteArray encodedSocket = QFile::encodeName(socketPath);
    const QByteArray lockPath = encodedSocket + ".lock";
    const int lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0) {
        SystemLog::log(
            QStringLiteral("%1: cannot open %2: %3")
                .arg(m_serviceName, QFile::decodeName(lockPath), QString::fromLocal8Bit(strerror(errno))));
        return 1;
    }
    // Another instance holds the lock while it serves. It may be about to end (it stops listening
    // first), so the lock is waited for a little before this instance leaves the socket to it.
    QElapsedTimer lockWait;
    lockWait.start();
    while (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        if (lockWait.hasExpired(5000)) {
            ::close(lockFd);
            return 0;
        }
        ::usleep(50000);
    }
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(lockFd, 0) != 0 || ::write(lockFd, pid.constData(), size_t(pid.size())) != pid.size())
        SystemLog::log(QStringLiteral("%1: cannot record the process id").arg(m_serviceName));

    // Holding the lock, whatever socket file is left belongs to an instance that has ended.
    ::unlink(encodedSocket.constData());
    const int listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, encodedSocket.constData(), size_t(encodedSocket.size()));
    if (listenFd < 0 || ::bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::chmod(encodedSocket.constData(), 0600) != 0 || ::listen(listenFd, 16) != 0) {
        SystemLog::log(QStringLiteral("%1: cannot listen on %2: %3")
                           .arg(m_serviceName, socketPath, QString::fromLocal8Bit(strerror(errno))));
        if (listenFd >= 0)
            ::close(listenFd);
        ::close(lockFd);
        return 1;
    }

    QElapsedTimer idle;
    idle.start();
    bool draining = false;
    for (;;) {
        pollfd entry{listenFd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, draining ? 0 : 250);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 && !draining) {
            // Nothing more can be accepted: stop taking connections and finish what runs.
            ::unlink(encodedSocket.constData());
            draining = true;
        }
        if (ready <= 0) {
            if (draining)
                break;
            if (m_activeConnections.load() > 0) {
                idle.restart();
            } else if (idle.hasExpired(m_idleTimeoutMs) && m_delegate != nullptr &&
                       m_delegate->listenerShouldStayAlive(*this)) {
                idle.restart();
            } else if (idle.hasExpired(m_idleTimeoutMs)) {
                // No new client finds the socket from now on; those already queued are still served.
                ::unlink(encodedSocket.constData());
                draining = true;
            }
            continue;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        idle.restart();
        accept(fd);
    }
    while (m_activeConnections.load() > 0)
        ::usleep(20000);
    ::close(listenFd);
    ::close(lockFd);
    return 0;
}

void XPCListener::accept(int fd) {
    auto connection = std::make_unique<XPCIncomingConnection>(
        fd, XPCSocket::peerCredentials(fd).value_or(XPCSocket::PeerCredentials{}));
    const pid_t peer = connection->peer().pid;
    {
        std::lock_guard lock(m_peersMutex);
        const auto held = m_connectionsPerPeer.find(peer);
        if (held != m_connectionsPerPeer.end() && held->second >= m_maximumConnections) {
            connection->refuse(Error(ErrorDomain, 2, QStringLiteral("The service is busy.")));
            return;
        }
    }
    Error refusal(ErrorDomain, 1, QStringLiteral("The service refused the connection."));
    if (m_delegate == nullptr ||
        !m_delegate->listenerShouldAcceptNewConnection(*this, *connection, &refusal)) {
        SystemLog::log(QStringLiteral("%1: refused a connection from process %2 (%3)")
                           .arg(m_serviceName)
                           .arg(connection->peer().pid)
                           .arg(connection->peer().executablePath));
        connection->refuse(refusal);
        return;
    }
    ++m_activeConnections;
    {
        std::lock_guard lock(m_peersMutex);
        ++m_connectionsPerPeer[peer];
    }
    std::thread([this, peer, connection = std::move(connection)]() mutable {
        connection->serve(m_frameTimeoutMs);
        connection.reset();
        {
            std::lock_guard lock(m_peersMutex);
            if (--m_connectionsPerPeer[peer] <= 0)
                m_connectionsPerPeer.erase(peer);
        }
        --m_activeConnections;
    }).detach();
}

} // namespace Platform
