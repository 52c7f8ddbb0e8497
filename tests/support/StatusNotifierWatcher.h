#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

/*! What a panel does with the tray on the session bus: it owns org.kde.StatusNotifierWatcher with a host
    registered, so that applications export their items, and records every item that registers. Only one
    per bus: run it on a private session (PrivateSession). */
class StatusNotifierWatcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StatusNotifierWatcher(QObject* parent = nullptr);
    ~StatusNotifierWatcher() override;

    /*! Owns the name and exports the object; false when the bus refuses. */
    bool start();
    /*! Gives the name up and forgets the items, as a panel that ends. */
    void stop();

    /*! The registered items as "bus name" + "object path" pairs (an item that registers with a path
        gives its sender as the bus name). */
    struct Item {
        QString service;
        QString path;
    };
    QList<Item> items() const { return m_items; }

    QStringList registeredStatusNotifierItems() const;
    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QList<Item> m_items;
    bool m_started = false;
};

/*! Reads an exported menu as a panel does, over com.canonical.dbusmenu. */
class DBusMenuReader {
public:
    struct Row {
        int id = 0;
        QVariantMap properties;

        QString label() const { return properties.value(QStringLiteral("label")).toString(); }
        bool isSeparator() const {
            return properties.value(QStringLiteral("type")).toString() == u"separator";
        }
        bool isEnabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
        bool isVisible() const { return properties.value(QStringLiteral("visible"), true).toBool(); }
        QByteArray iconData() const { return properties.value(QStringLiteral("icon-data")).toByteArray(); }
    };

    /*! The menu of the item (its "Menu" property). */
    static std::optional<DBusMenuReader> forItem(const StatusNotifierWatcher::Item& item);
    DBusMenuReader(QString service, QString path);

    /*! Sends AboutToShow for the top level, as a panel does before opening the menu. */
    bool aboutToShow() const;
    /*! The top level's visible rows (GetLayout of the root, whole depth). */
    QList<Row> rows() const;
    /*! The rows as text: labels, "-" for separators. */
    QStringList rowTexts() const;
    /*! Sends the event ("clicked") for the row. */
    bool event(int id, const QString& eventID = QStringLiteral("clicked")) const;

private:
    QString m_service;
    QString m_path;
};
