#include "Platform/XPCConnection.h"

#include "Platform/XPCSocket.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace Platform {

XPCConnection::XPCConnection(QString serviceName, QString bundlePath, QString serviceExecutable)
    : m_serviceName(std::move(serviceName))
    , m_bundlePath(std::move(bundlePath))
    , m_serviceExecutable(std::move(serviceExecutable)) {}

XPCConnection XPCConnection::toSocket(const QString& socketPath) {
    XPCConnection connection;
    connection.m_serviceName = socketPath;
    connection.m_socketPath = socketPath;
    return connection;
}

XPCConnection::XPCConnection(XPCConnection&& other) noexcept
    : m_serviceName(std::move(other.m_serviceName))
    , m_bundlePath(std::move(other.m_bundlePath))
    , m_serviceExecutable(std::move(other.m_serviceExecutable))
    , m_socketPath(std::move(other.m_socketPath))
    , m_connectTimeoutMs(other.m_connectTimeoutMs)
    , m_replyTimeoutMs(other.m_replyTimeoutMs)
    , m_fd(std::exchange(other.m_fd, -1))
    , m_invalidated(other.m_invalidated) {}

XPCConnection::~XPCConnection() {
    invalidate();
}

Error XPCConnection::invalidError(const QString& reason) const {
    return Error(
        ErrorDomain, ConnectionInvalid,
        QStringLiteral("The connection to service named %1 was invalidated: %2.").arg(m_serviceName, reason));
}

bool XPCConnection::connectOnce(QString* reason) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_socketPath);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        ::close(fd);
        return false;
    }
    // A socket in our private folder answered by another user's process is not our service.
    const auto peer = XPCSocket::peerCredentials(fd);
    if (!peer || peer->uid != ::geteuid()) {
        *reason = QStringLiteral("the service runs as another user");
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool XPCConnection::resume(Error* error) {
    auto failed = [&](const Error& failure) {
        if (error != nullptr)
            *error = failure;
        return false;
    };
    if (m_fd >= 0)
        return true;
    if (m_invalidated)
        return failed(invalidError(QStringLiteral("the connection was closed")));
    if (m_socketPath.isEmpty()) {
        QString reason;
        m_socketPath = XPCSocket::socketPath(m_serviceName, m_bundlePath, &reason);
        if (m_socketPath.isEmpty())
            return failed(invalidError(reason));
    }
    QString reason;
    if (connectOnce(&reason))
        return true;
    if (m_serviceExecutable.isEmpty())
        return failed(invalidError(reason));

    const QFileInfo executable(m_serviceExecutable);
    if (!executable.isFile() || !executable.isExecutable())
        return failed(
            invalidError(QStringLiteral("the service executable %1 is missing").arg(m_serviceExecutable)));
    QProcess process;
    process.setProgram(m_serviceExecutable);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return failed(invalidError(QStringLiteral("the service executable %1 could not be started: %2")
                                       .arg(m_serviceExecutable, process.errorString())));
    // Another caller may have started it at the same moment; whichever instance listens first serves.
    QDeadlineTimer deadline(m_connectTimeoutMs);
    while (!connectOnce(&reason)) {
        if (deadline.hasExpired())
            return failed(
                invalidError(QStringLiteral("the service did not start listening (%1)").arg(reason)));
        QThread::msleep(20);
    }
    return true;
}

std::optional<QCborMap> XPCConnection::sendMessageWithReplySync(const QCborMap& message, Error* error) {
    Error failure;
    if (!resume(&failure)) {
        if (error != nullptr)
            *error = failure;
        return std::nullopt;
    }
    QString reason;
    // A refusal may be waiting although the write failed, so the reply is read in any case.
    const bool written = XPCSocket::writeMessage(m_fd, message, &reason);
    XPCWire::FrameReader reader;
    QString readReason;
    std::optional<QCborMap> reply = XPCSocket::readMessage(m_fd, reader, &readReason, m_replyTimeoutMs);
    if (!reply) {
        if (error != nullptr)
            *error = Error(ErrorDomain, ConnectionInterrupted,
                           QStringLiteral("The connection to service named %1 was interrupted: %2.")
                               .arg(m_serviceName, written ? readReason : reason));
        return std::nullopt;
    }
    if (std::optional<Error> refusal = XPCWire::errorInReply(*reply)) {
        if (error != nullptr)
            *error = *refusal;
        return std::nullopt;
    }
    return reply;
}

void XPCConnection::invalidate() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_invalidated = true;
}

} // namespace Platform
