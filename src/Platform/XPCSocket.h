#pragma once

#include "Platform/XPCWire.h"

#include <QCborMap>
#include <QString>

#include <optional>
#include <sys/types.h>

/*! What the client and the listener of service connections share: where a service listens, and blocking
    message exchange over a connected Unix socket. */
namespace Platform::XPCSocket {

/*! The socket of the service that belongs to the bundle: <runtime folder>/corvantide/<digest>.sock, where
    the runtime folder is $XDG_RUNTIME_DIR (or Qt's private fallback) and the digest is taken over the
    service name and the bundle's canonical path, so that each installed copy has its own service. The
    folder is made with mode 0700 and must be ours, a real folder and closed to others; a null string
    with a reason when it is not or the path does not fit a socket address. */
QString socketPath(const QString& serviceName, const QString& bundlePath, QString* error);

/*! The canonical form of the path (links resolved) when it exists, else the cleaned absolute path. */
QString canonicalBundlePath(const QString& bundlePath);

struct PeerCredentials {
    pid_t pid = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    /*! The peer's executable (from /proc), empty when it cannot be read. */
    QString executablePath;
};

/*! The credentials of the process at the other end of a connected Unix socket. */
std::optional<PeerCredentials> peerCredentials(int fd);

/*! Writes the message whole; false with a reason when the peer has gone. Never raises SIGPIPE. */
bool writeMessage(int fd, const QCborMap& message, QString* error);

/*! Blocks until one whole message arrived; nullopt with a reason when the peer closed the connection
    first, sent something that is not a message, or (with a timeout other than -1) the message was not
    whole within that many milliseconds. */
std::optional<QCborMap> readMessage(int fd, XPCWire::FrameReader& reader, QString* error, int timeoutMs = -1);

} // namespace Platform::XPCSocket
