#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

/*! What the target/action layer keeps for one item (a menu item, button, pop-up or tool bar), as typed
    fields of one child object of the item rather than as named dynamic properties. Created on the first
    change; it goes with its item. Main thread only. */
class ZRItemAttributes final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRItemAttributes)

public:
    /*! The item's attributes, or nullptr when nothing was set on it yet. */
    static const ZRItemAttributes* find(const QObject* item) {
        return item ? item->findChild<ZRItemAttributes*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    }
    /*! The item's attributes, made now when there are none. */
    static ZRItemAttributes& of(QObject* item) {
        if (auto* existing = item->findChild<ZRItemAttributes*>(QString(), Qt::FindDirectChildrenOnly))
            return *existing;
        return *new ZRItemAttributes(item);
    }

    int tag = 0;
    QPointer<QObject> target;
    QByteArray action;
    bool actionConnected = false;
    // Tool bars only.
    QString selectedItemIdentifier;
    QPointer<QObject> delegate;

private:
    explicit ZRItemAttributes(QObject* item)
        : QObject(item) {}
};
