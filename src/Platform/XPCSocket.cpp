#include "Platform/XPCSocket.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform::XPCSocket {

namespace {

bool setError(QString* error, const QString& reason) {
    if (error != nullptr)
        *error = reason;
    return false;
}

// The folder must be a real folder of ours that nobody else may enter.
bool ensurePrivateFolder(const QString& path, QString* error) {
    const QByteArray encoded = QFile::encodeName(path);
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
        return setError(
            error, QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    struct stat info {};
    if (::lstat(encoded.constData(), &info) != 0)
        return setError(
            error,
            QStringLiteral("cannot examine %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 0077) != 0)
        return setError(error, QStringLiteral("%1 is not a private folder of this user").arg(path));
    return true;
}

} // namespace

QString canonicalBundlePath(const QString& bundlePath) {
    const QFileInfo info(bundlePath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString socketPath(const QString& serviceName, const QString& bundlePath, QString* error) {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) {
        setError(error, QStringLiteral("no runtime folder"));
        return {};
    }
    const QString folder = QDir::cleanPath(runtime) + QStringLiteral("/corvantide");
    if (!ensurePrivateFolder(folder, error))
        return {};
    const QByteArray digest =
        QCryptographicHash::hash((serviceName + QLatin1Char('\n') + canonicalBundlePath(bundlePath)).toUtf8(),
                                 QCryptographicHash::Sha256);
    const QString path =
        folder + QLatin1Char('/') + QString::fromLatin1(digest.toHex().left(24)) + QStringLiteral(".sock");
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        setError(error, QStringLiteral("socket path %1 is too long").arg(path));
        return {};
    }
    return path;
}

std::optional<PeerCredentials> peerCredentials(int fd) {
    struct ucred credentials {};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof(credentials))
        return std::nullopt;
    PeerCredentials peer;
    peer.pid = credentials.pid;
    peer.uid = credentials.uid;
    peer.gid = credentials.gid;
    char target[4096];
    const QByteArray link = QByteArrayLiteral("/proc/") + QByteArray::number(credentials.pid) + "/exe";
    const ssize_t size = ::readlink(link.constData(), target, sizeof(target) - 1);
    if (size > 0)
        peer.executablePath = QFile::decodeName(QByteArray(target, size));
    return peer;
}

bool writeMessage(int fd, const QCborMap& message, QString* error) {
    const QByteArray framed = XPCWire::frame(message);
    if (framed.isEmpty())
        return setError(error, QStringLiteral("message is too large"));
    qsizetype written = 0;
    while (written < framed.size()) {
        const ssize_t n =
            ::send(fd, framed.constData() + written, size_t(framed.size() - written), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return setError(error, QString::fromLocal8Bit(strerror(errno)));
        written += n;
    }
    return true;
}

std::optional<QCborMap> readMessage(int fd, XPCWire::FrameReader& reader, QString* error, int timeoutMs) {
    char buffer[16384];
    const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    for (;;) {
        QCborMap message;
        switch (reader.next(&message)) {
        case XPCWire::FrameReader::Status::Message:
            return message;
        case XPCWire::FrameReader::Status::Failed:
            setError(error, reader.error());
            return std::nullopt;
        case XPCWire::FrameReader::Status::NeedMore:
            break;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, deadline.isForever() ? -1 : int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            setError(error, QStringLiteral("no whole message within %1 ms").arg(timeoutMs));
            return std::nullopt;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            setError(error, QString::fromLocal8Bit(strerror(errno)));
            return std::nullopt;
        }
        if (n == 0) {
            setError(error, QStringLiteral("connection closed"));
            return std::nullopt;
        }
        reader.append(QByteArrayView(buffer, n));
    }
}

} // namespace Platform::XPCSocket
