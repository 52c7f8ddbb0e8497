#include "ZRUpdaterSandboxServiceDelegate.h"

#include "ZRUpdaterSandboxService.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

// "<pid> <start time>": the start time (clock ticks since boot, /proc/<pid>/stat field 22) tells a
// process apart from a later one that got the same id. Empty when the process is gone.
QString processIdentity(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
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

} // namespace

ZRUpdaterSandboxServiceDelegate::ZRUpdaterSandboxServiceDelegate(QString knownPeersPath)
    : m_knownPeersPath(std::move(knownPeersPath)) {}

bool ZRUpdaterSandboxServiceDelegate::isKnownPeer(const QString& identity) {
    std::lock_guard lock(m_mutex);
    QFile file(m_knownPeersPath);
    if (identity.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n')).contains(identity);
}

void ZRUpdaterSandboxServiceDelegate::rememberPeer(const QString& identity) {
    std::lock_guard lock(m_mutex);
    if (identity.isEmpty())
        return;
    QStringList kept{identity};
    QFile existing(m_knownPeersPath);
    if (existing.open(QIODevice::ReadOnly)) {
        for (const QString& line : QString::fromLatin1(existing.readAll()).split(QLatin1Char('\n'))) {
            // Processes that have ended are forgotten.
            const pid_t pid = pid_t(line.section(QLatin1Char(' '), 0, 0).toInt());
            if (!line.isEmpty() && line != identity && pid > 0 && processIdentity(pid) == line)
                kept.append(line);
        }
        existing.close();
    }
    QSaveFile file(m_knownPeersPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(kept.join(QLatin1Char('\n')).toLatin1() + '\n');
        file.commit();
    }
}

bool ZRUpdaterSandboxServiceDelegate::listenerShouldAcceptNewConnection(
    Platform::XPCListener& listener, Platform::XPCIncomingConnection& connection, Platform::Error* refusal) {
    const Platform::XPCSocket::PeerCredentials& peer = connection.peer();
    const QString executable = QFileInfo(peer.executablePath).canonicalFilePath();
    const QString identity = peer.pid > 0 ? processIdentity(peer.pid) : QString();
    const bool sameUser = peer.pid > 0 && peer.uid == ::geteuid();
    const bool inBundle =
        !executable.isEmpty() && executable.startsWith(listener.bundlePath() + QLatin1Char('/'));
    if (!sameUser || !(inBundle || isKnownPeer(identity))) {
        *refusal =
            Platform::Error(ZRUpdaterSandboxService::ErrorDomain, ZRUpdaterSandboxService::RequestRefused,
                            QStringLiteral("The service serves only its own application."));
        return false;
    }
    if (inBundle)
        rememberPeer(identity);
    connection.setExportedObject(std::make_unique<ZRUpdaterSandboxService>(
        ZRUpdaterSandboxServiceConfinement::forBundle(listener.bundlePath())));
    return true;
}
