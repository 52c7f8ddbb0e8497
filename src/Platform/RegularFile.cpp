#include "Platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::RegularFile {

namespace {

QString systemReason() {
    return QString::fromLocal8Bit(strerror(errno));
}

bool setError(QString* error, const QString& reason) {
    if (error != nullptr)
        *error = reason;
    return false;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

int open(const QString& path, Links links, QString* error) {
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty() || encoded.contains('\0')) {
        setError(error, QStringLiteral("%1 is no file name").arg(path));
        return -1;
    }
    // Non-blocking, so that opening a named pipe with no writer returns at once; checked, then blocking.
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (links == Links::Refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(encoded.constData(), flags);
    if (fd < 0) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, systemReason()));
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        setError(error, QStringLiteral("%1 is not a regular file").arg(path));
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<QByteArray> read(const QString& path, Links links, QString* error, qint64 maximumSize) {
    const int fd = open(path, links, error);
    if (fd < 0)
        return std::nullopt;
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            setError(error, QStringLiteral("cannot read %1: %2").arg(path, systemReason()));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (content.size() + n > maximumSize) {
            setError(error, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maximumSize));
            ::close(fd);
            return std::nullopt;
        }
        content.append(buffer, n);
    }
    ::close(fd);
    return content;
}

bool copy(const QString& source, const QString& destination, unsigned mode, QString* error) {
    const int in = open(source, Links::Refuse, error);
    if (in < 0)
        return false;
    const QByteArray to = QFile::encodeName(destination);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        setError(error, QStringLiteral("cannot create %1: %2").arg(destination, systemReason()));
        ::close(in);
        return false;
    }
    bool copied = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0 || !writeAll(out, buffer, size_t(n))) {
            copied = false;
            break;
        }
    }
    if (copied)
        copied = ::fchmod(out, mode & 07777) == 0;
    if (!copied)
        setError(error, QStringLiteral("cannot copy %1 to %2: %3").arg(source, destination, systemReason()));
    ::close(in);
    if (::close(out) != 0 && copied) {
        copied = false;
        setError(error, QStringLiteral("cannot write %1: %2").arg(destination, systemReason()));
    }
    if (!copied)
        ::unlink(to.constData());
    return copied;
}

} // namespace Platform::RegularFile
