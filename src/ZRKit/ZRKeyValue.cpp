#include "ZRKit/ZRKeyValue.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QVariantHash>

namespace ZRKeyValue {

namespace {

QObject* objectOf(const QVariant& value) {
    if (value.metaType().flags().testFlag(QMetaType::PointerToQObject))
        return value.value<QObject*>();
    return nullptr;
}

bool isPresent(const QVariant& value) {
    return value.isValid() && !value.isNull();
}

} // namespace

QVariant valueForKey(const QVariant& object, const QString& key) {
    switch (object.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = object.toMap();
        const auto it = map.constFind(key);
        return it == map.cend() ? QVariant() : *it;
    }
    case QMetaType::QVariantHash: {
        const QVariantHash hash = object.toHash();
        const auto it = hash.constFind(key);
        return it == hash.cend() ? QVariant() : *it;
    }
    case QMetaType::QJsonObject: {
        const QJsonValue value = object.toJsonObject().value(key);
        return value.isUndefined() ? QVariant() : value.toVariant();
    }
    default:
        break;
    }
    if (QObject* qobject = objectOf(object)) {
        const QByteArray name = key.toUtf8();
        if (qobject->metaObject()->indexOfProperty(name.constData()) >= 0 ||
            qobject->dynamicPropertyNames().contains(name))
            return qobject->property(name.constData());
    }
    return QVariant();
}

QVariant valueForKeyPath(const QVariant& object, const QString& keyPath) {
    QVariant current = object;
    for (const QString& key : keyPath.split(QLatin1Char('.'))) {
        current = valueForKey(current, key);
        if (!current.isValid())
            break;
    }
    return current;
}

bool setValueForKey(QVariant& object, const QString& key, const QVariant& value) {
    if (object.typeId() == QMetaType::QVariantMap) {
        QVariantMap map = object.toMap();
        map.insert(key, value);
        object = map;
        return true;
    }
    if (object.typeId() == QMetaType::QVariantHash) {
        QVariantHash hash = object.toHash();
        hash.insert(key, value);
        object = hash;
        return true;
    }
    if (QObject* qobject = objectOf(object)) {
        qobject->setProperty(key.toUtf8().constData(), value);
        return true;
    }
    return false;
}

void setValuesForKeysWithDictionary(QVariant& object, const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        setValueForKey(object, it.key(), it.value());
}

bool isEqual(const QVariant& a, const QVariant& b) {
    if (!isPresent(a) || !isPresent(b))
        return false;
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Unordered)
        return a == b; // containers and other types without an order
    return order == QPartialOrdering::Equivalent;
}

} // namespace ZRKeyValue
