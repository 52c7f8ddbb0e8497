#include "AppLifecycle.h"

#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRBundle.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString InstancePath = QStringLiteral("/Instance");
const QString InstanceInterface = QStringLiteral("com.dunwarbeck.Corvantide.Instance");
const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");

QString instanceService() {
    return Platform::Bundle::mainBundle().bundleIdentifier();
}

QString applicationName() {
    return ZRBundle::bundleName(Platform::Bundle::mainBundle());
}

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop reads the byte and quits.
void handleSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

/*! The object other starts call on the session bus. */
class AppLifecycleShowService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.dunwarbeck.Corvantide.Instance")

public:
    AppLifecycleShowService(std::function<void()> show, QObject* parent)
        : QObject(parent)
        , m_show(std::move(show)) {}

public Q_SLOTS:
    Q_SCRIPTABLE void Show() {
        // Answered at once; the menu or window opens on the next turn.
        QMetaObject::invokeMethod(
            this, [this] { m_show(); }, Qt::QueuedConnection);
    }

private:
    std::function<void()> m_show;
};

AppLifecycle::AppLifecycle(QObject* parent)
    : QObject(parent) {}

AppLifecycle::~AppLifecycle() {
    if (m_lockDescriptor >= 0)
        ::close(m_lockDescriptor);
}

// MARK: - One instance

AppLifecycle::Instance AppLifecycle::claimInstance(const QString& folder, std::chrono::milliseconds wait) {
    Platform::assertMainThread();
    const QString path = folder + QLatin1Char('/') + InstanceLockFileName;
    // Opening an existing lock file changes nothing in it; the lock ends with the process.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        Platform::SystemLog::log(QStringLiteral("could not open the instance lock %1: %2; running without it")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return Instance::First;
    }
    const QDeadlineTimer deadline(wait);
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            m_lockDescriptor = descriptor;
            return Instance::First;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            Platform::SystemLog::log(
                QStringLiteral("could not take the instance lock %1: %2; running without it")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
            ::close(descriptor);
            return Instance::First;
        }
        if (askRunningInstanceToShow()) {
            ::close(descriptor);
            Platform::SystemLog::log(
                QStringLiteral("%1 is running already: it was asked to show itself").arg(applicationName()));
            return Instance::AlreadyShown;
        }
        // The holder is ending (a relaunch after an update) or still starting: wait for either.
        if (deadline.hasExpired())
            break;
        QThread::msleep(100);
    }
    ::close(descriptor);
    Platform::SystemLog::log(
        QStringLiteral("%1 is running already but did not answer within %2 s; this start ends")
            .arg(applicationName())
            .arg(wait.count() / 1000));
    return Instance::NotAnswering;
}

bool AppLifecycle::askRunningInstanceToShow() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(instanceService()))
        return false;
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(instanceService(), InstancePath, InstanceInterface,
                                                QStringLiteral("Show")),
                 QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void AppLifecycle::listenForShowRequests(std::function<void()> show) {
    Platform::assertMainThread();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Platform::SystemLog::log(QStringLiteral("no session bus: a second start cannot reach this one"));
        return;
    }
    m_showService = new AppLifecycleShowService(std::move(show), this);
    if (!bus.registerObject(InstancePath, m_showService, QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(instanceService())) {
        Platform::SystemLog::log(QStringLiteral("could not register %1 on the session bus: %2")
                                     .arg(instanceService(), bus.lastError().message()));
        return;
    }
    // An ending process answers no more: a start from now on waits for the lock instead.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this,
                [] { QDBusConnection::sessionBus().unregisterService(instanceService()); });
}

// MARK: - Termination signals

void AppLifecycle::quitOnTerminationSignals() {
    Platform::assertMainThread();
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        // exit() ends every running loop, a modal question's too; quit() would ask the windows to close
        // first, and a question that cannot be cancelled refuses.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// MARK: - Tray host

bool AppLifecycle::isStatusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(WatcherService))
        return false;
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                QStringLiteral("org.freedesktop.DBus.Properties"),
                                                QStringLiteral("Get"))
                     << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered"),
                 QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool AppLifecycle::isTrayAvailable() {
    if (isStatusNotifierHostRegistered())
        return true;
    // An XEmbed tray owns the selection _NET_SYSTEM_TRAY_S<screen> on the X display.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false;
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    const QByteArray screen =
        dot > display.lastIndexOf(':') && dot >= 0 ? display.mid(dot + 1) : QByteArray("0");
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + screen;
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr);
    if (atom == nullptr)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}

void AppLifecycle::watchTrayHost() {
    Platform::assertMainThread();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || m_trayWatcher != nullptr)
        return;
    m_trayWatcher = new QDBusServiceWatcher(
        WatcherService, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_trayWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (isStatusNotifierHostRegistered())
            Q_EMIT trayHostAppeared();
    });
    connect(m_trayWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { Q_EMIT trayHostVanished(); });
    // A watcher that is there before its host says so when the host registers.
    bus.connect(WatcherService, WatcherPath, WatcherService, QStringLiteral("StatusNotifierHostRegistered"),
                this, SIGNAL(trayHostAppeared()));
}

#include "AppLifecycle.moc"
