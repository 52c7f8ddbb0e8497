#include "Model/JSONValue.h"

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

} // namespace JSONValue
