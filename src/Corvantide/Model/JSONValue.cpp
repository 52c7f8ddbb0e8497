#include "Model/JSONValue.h"

#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonArray>
#include <QJsonValue>

namespace JSONValue {

std::optional<QString> string(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> integer(const QJsonObject& object, const QString& key) {
    return ZRJJSONUtilities::integerValue(object.value(key));
}

std::optional<QJsonObject> object(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isObject())
        return std::nullopt;
    return value.toObject();
}

std::optional<QList<QJsonObject>> objects(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> result;
    const QJsonArray array = value.toArray();
    result.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
        result.append(element.toObject());
    }
    return result;
}

} // namespace JSONValue
