#include "Model/JSONValue.h"

#include "Platform/SystemLog.h"
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
    // One element of another type costs that element alone.
    for (qsizetype index = 0; index < array.size(); ++index) {
        const QJsonValue element = array.at(index);
        if (!element.isObject()) {
            Platform::SystemLog::log(
                QStringLiteral("Skipped element %1 of \"%2\": not an object").arg(index).arg(key));
            continue;
        }
        result.append(element.toObject());
    }
    return result;
}

} // namespace JSONValue
