#include "ZRUpdaterSandboxServiceDelegate.h"

#include "ZRUpdaterSandboxService.h"

#include "Platform/RegularFile.h"

#include <QFileInfo>

#include <unistd.h>

namespace {

// "<pid> <start time>": the start time (clock ticks since boot, /proc/<pid>/stat field 22) tells a
// process apart from a later one that got the same id. Empty when the process is gone.
QString processIdentity(pid_t pid) {
    const std::optional<QByteArray> content = Platform::RegularFile::read(
        QStringLiteral("/proc/%1/stat").arg(pid), Platform::RegularFile::Links::Refuse, nullptr, 4096);
    if (!content)
        return {};
    const QByteArray& line = *content;
    // The command name in parentheses may hold spaces; the fields after its closing parenthesis do not.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // Field 3 (state) is the first after the name, so field 22 is at index 19.
    if (fields.size() < 20)
        return {};
    return QStringLiteral("%1 %2").arg(pid).arg(QString::fromLatin1(fields.at(19)));
}

QString executableOf(pid_t pid) {
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath();
}

bool isInside(const QString& path, const QString& folder) {
    return !path.isEmpty() && !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

bool ZRUpdaterSandboxServiceDelegate::listenerShouldStayAlive(Platform::XPCListener& listener) {
    std::lock_guard lock(m_mutex);
    bool replacedPeerRuns = false;
    for (auto it = m_acceptedPeers.begin(); it != m_acceptedPeers.end();) {
        const pid_t pid = pid_t(it->section(QLatin1Char(' '), 0, 0).toInt());
        // Processes that have ended are forgotten.
        if (processIdentity(pid) != *it) {
            it = m_acceptedPeers.erase(it);
            continue;
        }
        if (!isInside(executableOf(pid), listener.bundlePath()))
            replacedPeerRuns = true;
        ++it;
    }
    return replacedPeerRuns;
}

bool ZRUpdaterSandboxServiceDelegate::listenerShouldAcceptNewConnection(
    Platform::XPCListener& listener, Platform::XPCIncomingConnection& connection, Platform::Error* refusal) {
    const Platform::XPCSocket::PeerCredentials& peer = connection.peer();
    const QString identity = peer.pid > 0 ? processIdentity(peer.pid) : QString();
    const bool sameUser = peer.pid > 0 && peer.uid == ::geteuid() && !identity.isEmpty();
    const bool inBundle = isInside(QFileInfo(peer.executablePath).canonicalFilePath(), listener.bundlePath());
    std::lock_guard lock(m_mutex);
    if (!sameUser || !(inBundle || m_acceptedPeers.contains(identity))) {
        *refusal =
            Platform::Error(ZRUpdaterSandboxService::ErrorDomain, ZRUpdaterSandboxService::RequestRefused,
                            QStringLiteral("The service serves only its own application."));
        return false;
    }
    if (inBundle)
        m_acceptedPeers.insert(identity);
    connection.setExportedObject(std::make_unique<ZRUpdaterSandboxService>(
        ZRUpdaterSandboxServiceConfinement::forBundle(listener.bundlePath())));
    return true;
}
