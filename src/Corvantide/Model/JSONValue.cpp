#include "Model/JSONValue.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>

namespace JSONValue {

std::optional<QString> string(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> integer(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // 2^63 itself does not fit; every double below it that has no fraction does.
    constexpr double Limit = 9223372036854775808.0;
    if (std::trunc(number) != number || number >= Limit || number < -Limit)
        return std::nullopt;
    return static_cast<qint64>(number);
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
