#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

/*! Key-value access on the values the kit's collection helpers hold: dictionaries (QVariantMap,
    QVariantHash, QJsonObject) are read by key, QObjects by property name. Anything else, or a key that is
    not there, gives no value (an invalid QVariant). */
namespace ZRKeyValue {

QVariant valueForKey(const QVariant& object, const QString& key);
/*! Dotted key path: each key is asked of the value the previous one gave. */
QVariant valueForKeyPath(const QVariant& object, const QString& keyPath);
/*! Sets the value in a dictionary (in place) or a QObject property; false when the object has neither. */
bool setValueForKey(QVariant& object, const QString& key, const QVariant& value);
void setValuesForKeysWithDictionary(QVariant& object, const QVariantMap& values);

/*! The kit's notion of equal values: two values that are both present and compare equal. A missing
    value never equals anything, not even another missing value. */
bool isEqual(const QVariant& a, const QVariant& b);

} // namespace ZRKeyValue
