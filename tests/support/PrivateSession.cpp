#include "PrivateSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <memory>

namespace PrivateSession {

namespace {

struct Session {
    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<QProcess> bus;
    std::unique_ptr<QProcess> keyring;
    bool started = false;
    bool ok = false;
};

Session& session() {
    static Session value;
    return value;
}

void stop() {
    Session& s = session();
    for (QProcess* process : {s.keyring.get(), s.bus.get()})
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(2000))
                process->kill();
            process->waitForFinished(1000);
        }
}

} // namespace

bool start() {
    Session& s = session();
    if (s.started)
        return s.ok;
    s.started = true;
    s.root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/corvantide-session-XXXXXX"));
    if (!s.root->isValid())
        return false;
    const QString runtime = s.root->filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    s.bus = std::make_unique<QProcess>();
    s.bus->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
    if (!s.bus->waitForStarted(5000))
        return false;
    QByteArray address;
    QDeadlineTimer deadline(10000);
    while (!address.contains('\n') && !deadline.hasExpired()) {
        s.bus->waitForReadyRead(100);
        address += s.bus->readAllStandardOutput();
    }
    address = address.trimmed();
    if (address.isEmpty())
        return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qunsetenv("DBUS_SESSION_BUS_PID");

    // The keyring keeps its control socket in its own runtime folder, away from the shared daemon's.
    QProcessEnvironment keyringEnvironment = QProcessEnvironment::systemEnvironment();
    keyringEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // Otherwise it would hand the password to the daemon of the shared session and stop there.
    keyringEnvironment.remove(QStringLiteral("GNOME_KEYRING_CONTROL"));
    s.keyring = std::make_unique<QProcess>();
    s.keyring->setProcessEnvironment(keyringEnvironment);
    s.keyring->start(
        QStringLiteral("gnome-keyring-daemon"),
        {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
    if (!s.keyring->waitForStarted(5000))
        return false;
    // The password on standard input unlocks (first: creates) the login keyring.
    s.keyring->write("corvantide-test");
    s.keyring->waitForBytesWritten(5000);
    s.keyring->closeWriteChannel();

    // Ready once the Secret Service answers on the bus.
    deadline = QDeadlineTimer(10000);
    while (!deadline.hasExpired()) {
        QProcess probe;
        probe.start(QStringLiteral("dbus-send"),
                    {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                     QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                     QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                     QStringLiteral("string:org.freedesktop.secrets")});
        probe.waitForFinished(3000);
        const QByteArray answer = probe.readAllStandardOutput() + probe.readAllStandardError();
        if (answer.contains("boolean true")) {
            s.ok = true;
            break;
        }
        QThread::msleep(50);
    }
    std::atexit(stop);
    if (!s.ok)
        qWarning("private session: the Secret Service did not start on %s (keyring %s, exit %d): %s",
                 address.constData(), s.keyring->state() == QProcess::Running ? "running" : "ended",
                 s.keyring->exitCode(), s.keyring->readAllStandardError().constData());
    return s.ok;
}

QProcessEnvironment environment() {
    return QProcessEnvironment::systemEnvironment();
}

} // namespace PrivateSession
