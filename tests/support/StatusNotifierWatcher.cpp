#include "StatusNotifierWatcher.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDateTime>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString DBusMenuInterface = QStringLiteral("com.canonical.dbusmenu");

// One layout node: (id, properties, children as variants of nodes).
DBusMenuReader::Row readNode(const QDBusArgument& argument, QList<DBusMenuReader::Row>* children) {
    DBusMenuReader::Row row;
    argument.beginStructure();
    argument >> row.id;
    argument.beginMap();
    while (!argument.atEnd()) {
        QString key;
        QDBusVariant value;
        argument.beginMapEntry();
        argument >> key >> value;
        argument.endMapEntry();
        QVariant variant = value.variant();
        if (variant.canConvert<QDBusArgument>()) {
            // icon-data arrives as a byte array, shortcuts as nested string lists.
            const QDBusArgument nested = variant.value<QDBusArgument>();
            if (nested.currentSignature() == u"ay") {
                QByteArray bytes;
                nested >> bytes;
                variant = bytes;
            } else {
                variant = QStringLiteral("<%1>").arg(nested.currentSignature());
            }
        }
        row.properties.insert(key, variant);
    }
    argument.endMap();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        if (children) {
            const QDBusArgument nested = child.variant().value<QDBusArgument>();
            children->append(readNode(nested, nullptr));
        }
    }
    argument.endArray();
    argument.endStructure();
    return row;
}

} // namespace

StatusNotifierWatcher::StatusNotifierWatcher(QObject* parent)
    : QObject(parent) {}

StatusNotifierWatcher::~StatusNotifierWatcher() {
    stop();
}

void StatusNotifierWatcher::stop() {
    if (!m_started)
        return;
    QDBusConnection::sessionBus().unregisterObject(WatcherPath);
    QDBusConnection::sessionBus().unregisterService(WatcherService);
    m_started = false;
    m_items.clear();
}

bool StatusNotifierWatcher::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(WatcherPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties))
        return false;
    m_started = bus.registerService(WatcherService);
    return m_started;
}

QStringList StatusNotifierWatcher::registeredStatusNotifierItems() const {
    QStringList result;
    for (const Item& item : m_items)
        result << item.service + item.path;
    return result;
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    Item item;
    if (serviceOrPath.startsWith(QLatin1Char('/'))) {
        item.service = message().service();
        item.path = serviceOrPath;
    } else {
        item.service = serviceOrPath;
        item.path = QStringLiteral("/StatusNotifierItem");
    }
    m_items.append(item);
    emit StatusNotifierItemRegistered(item.service + item.path);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString&) {
    emit StatusNotifierHostRegistered();
}

std::optional<DBusMenuReader> DBusMenuReader::forItem(const StatusNotifierWatcher::Item& item) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        item.service, item.path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
    const QString path = value.value<QDBusObjectPath>().path();
    if (path.isEmpty())
        return std::nullopt;
    return DBusMenuReader(item.service, path);
}

DBusMenuReader::DBusMenuReader(QString service, QString path)
    : m_service(std::move(service))
    , m_path(std::move(path)) {}

bool DBusMenuReader::aboutToShow() const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, DBusMenuInterface, QStringLiteral("AboutToShow"));
    call << 0;
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

QList<DBusMenuReader::Row> DBusMenuReader::rows() const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, DBusMenuInterface, QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    QList<Row> children;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return children;
    readNode(reply.arguments().at(1).value<QDBusArgument>(), &children);
    QList<Row> visible;
    for (const Row& row : children)
        if (row.isVisible())
            visible << row;
    return visible;
}

QStringList DBusMenuReader::rowTexts() const {
    QStringList texts;
    for (const Row& row : rows())
        texts << (row.isSeparator() ? QStringLiteral("-") : row.label());
    return texts;
}

bool DBusMenuReader::event(int id, const QString& eventID) const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, DBusMenuInterface, QStringLiteral("Event"));
    call << id << eventID << QVariant::fromValue(QDBusVariant(QVariant(0)))
         << uint(QDateTime::currentSecsSinceEpoch());
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}
