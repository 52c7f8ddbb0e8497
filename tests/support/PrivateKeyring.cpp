#pragma push_macro("signals")
#undef signals
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include "PrivateKeyring.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

namespace TestUtils {

namespace {

const char Password[] = "private-keyring-password";

SecretService* service() {
    return secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, nullptr);
}

SecretCollection* defaultCollection(SecretService* secretService) {
    return secret_collection_for_alias_sync(secretService, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                            nullptr, nullptr);
}

/*! Lets go of the session bus the process talks to, so that the next keychain call connects to the bus
    DBUS_SESSION_BUS_ADDRESS names then: libsecret keeps the service it met first, and its proxies let go
    of the bus only when the main context runs. */
void releaseSessionBus() {
    secret_service_disconnect();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

GVariant* call(const char* interface, const char* method, GVariant* parameters) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr)
        return nullptr;
    GVariant* answer = g_dbus_connection_call_sync(bus, "org.freedesktop.secrets", "/org/freedesktop/secrets",
                                                   interface, method, parameters, nullptr,
                                                   G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    g_object_unref(bus);
    return answer;
}

} // namespace

PrivateKeyring::PrivateKeyring(Login login) {
    const QString home = m_root.filePath(QStringLiteral("home"));
    const QString data = m_root.filePath(QStringLiteral("data"));
    const QString runtime = m_root.filePath(QStringLiteral("runtime"));
    for (const QString& folder : {home, data, runtime})
        QDir().mkpath(folder);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start");
        return;
    }
    const QByteArray address = m_bus.readLine().trimmed();
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        m_previousAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    releaseSessionBus();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    m_addressReplaced = true;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
    environment.remove(QStringLiteral("GNOME_KEYRING_CONTROL"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
    if (login == Login::Unlocked)
        arguments.append(QStringLiteral("--unlock"));
    m_daemon.start(QStringLiteral("gnome-keyring-daemon"), arguments);
    if (!m_daemon.waitForStarted()) {
        m_error = QStringLiteral("gnome-keyring-daemon did not start");
        return;
    }
    if (login == Login::Unlocked) {
        m_daemon.write(Password);
        m_daemon.waitForBytesWritten(5000);
    }
    m_daemon.closeWriteChannel();
    if (!waitForService())
        m_error = QStringLiteral("the private Secret Service did not come up");
}

PrivateKeyring::~PrivateKeyring() {
    releaseSessionBus();
    for (QProcess* process : {&m_daemon, &m_bus}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
    }
    if (m_addressReplaced) {
        if (m_previousAddress)
            qputenv("DBUS_SESSION_BUS_ADDRESS", *m_previousAddress);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

bool PrivateKeyring::waitForService() {
    const bool wantsLogin = m_daemon.arguments().contains(QStringLiteral("--unlock"));
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_daemon.state() == QProcess::Running) {
        GVariant* alias =
            call("org.freedesktop.Secret.Service", "ReadAlias", g_variant_new("(s)", "default"));
        if (alias != nullptr) {
            const gchar* path = nullptr;
            g_variant_get(alias, "(&o)", &path);
            const bool ready = !wantsLogin || QByteArray(path) != "/";
            g_variant_unref(alias);
            if (ready)
                return true;
        }
        QThread::msleep(50);
    }
    return false;
}

bool PrivateKeyring::lock() {
    SecretService* secretService = service();
    SecretCollection* collection = secretService ? defaultCollection(secretService) : nullptr;
    bool locked = false;
    if (collection != nullptr) {
        GList* objects = g_list_append(nullptr, collection);
        locked = secret_service_lock_sync(secretService, objects, nullptr, nullptr, nullptr) == 1;
        g_list_free(objects);
        g_object_unref(collection);
    }
    if (secretService != nullptr)
        g_object_unref(secretService);
    return locked;
}

bool PrivateKeyring::unlock() {
    SecretService* secretService = service();
    SecretCollection* collection = secretService ? defaultCollection(secretService) : nullptr;
    bool unlocked = false;
    if (collection != nullptr) {
        SecretValue* value = secret_value_new(Password, -1, "text/plain");
        GVariant* secret = secret_service_encode_dbus_secret(secretService, value);
        GVariant* answer = call(
            "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface", "UnlockWithMasterPassword",
            g_variant_new("(o@(oayays))", g_dbus_proxy_get_object_path(G_DBUS_PROXY(collection)), secret));
        unlocked = answer != nullptr;
        if (answer != nullptr)
            g_variant_unref(answer);
        secret_value_unref(value);
        g_object_unref(collection);
    }
    if (secretService != nullptr)
        g_object_unref(secretService);
    return unlocked && !isLocked();
}

bool PrivateKeyring::isLocked() {
    SecretService* secretService = service();
    SecretCollection* collection = secretService ? defaultCollection(secretService) : nullptr;
    const bool locked = collection == nullptr || secret_collection_get_locked(collection);
    if (collection != nullptr)
        g_object_unref(collection);
    if (secretService != nullptr)
        g_object_unref(secretService);
    return locked;
}

} // namespace TestUtils
