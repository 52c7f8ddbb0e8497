#include "Model/KeyValueCoding.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariantMap>

namespace KeyValueCoding {

namespace {

/*! A JSON value as a QVariant that can still be descended into (objects stay JSON objects). */
QVariant unwrap(const QVariant& value) {
    if (value.typeId() != QMetaType::QJsonValue)
        return value;
    const QJsonValue json = value.toJsonValue();
    if (json.isObject())
        return QVariant::fromValue(json.toObject());
    if (json.isArray())
        return QVariant::fromValue(json.toArray());
    return json.isNull() || json.isUndefined() ? QVariant() : json.toVariant();
}

} // namespace

QVariant valueForKeyPath(const QString& keyPath,
                         const std::function<QVariant(const QString& key)>& valueForKey) {
    QVariant current;
    if (!keyPath.contains(QLatin1Char('.'))) {
        current = unwrap(valueForKey(keyPath)); // the common case, without splitting
    } else {
        const QStringList keys = keyPath.split(QLatin1Char('.'));
        current = unwrap(valueForKey(keys.first()));
        for (qsizetype i = 1; i < keys.size(); ++i) {
            if (current.typeId() == QMetaType::QJsonObject)
                current = unwrap(QVariant::fromValue(current.toJsonObject().value(keys[i])));
            else if (current.typeId() == QMetaType::QVariantMap)
                current = unwrap(current.toMap().value(keys[i]));
            else
                return QVariant();
        }
    }
    if (current.typeId() == QMetaType::QJsonObject)
        return current.toJsonObject().toVariantMap();
    if (current.typeId() == QMetaType::QJsonArray)
        return current.toJsonArray().toVariantList();
    return current;
}

} // namespace KeyValueCoding
