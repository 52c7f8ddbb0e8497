#include "PredicateEditor/PredicateProperty.h"

#include "Model/StableSort.h"
#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr std::pair<PredicateProperty::PropertyType, const char*> TypeNames[] = {
    {PredicateProperty::PropertyType::string, "string"},
    {PredicateProperty::PropertyType::integer, "integer"},
    {PredicateProperty::PropertyType::double_, "double"},
    {PredicateProperty::PropertyType::bool_, "bool"},
    {PredicateProperty::PropertyType::date, "date"}};

} // namespace

QString PredicateProperty::typeName(PropertyType type) {
    for (const auto& [candidate, name] : TypeNames) {
        if (candidate == type)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<PredicateProperty::PropertyType> PredicateProperty::typeFromName(const QString& name) {
    for (const auto& [type, candidate] : TypeNames) {
        if (name == QLatin1String(candidate))
            return type;
    }
    return std::nullopt;
}

std::optional<QList<PredicateProperty>> PredicateProperty::decodeList(const QByteArray& json,
                                                                      QString* errorMessage) {
    const auto fail = [errorMessage](const QString& message) -> std::optional<QList<PredicateProperty>> {
        if (errorMessage)
            *errorMessage = message;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("the data is not valid JSON: %1 at offset %2")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    if (!document.isArray())
        return fail(QStringLiteral("expected an array of properties"));

    QList<PredicateProperty> properties;
    const QJsonArray array = document.array();
    for (qsizetype index = 0; index < array.size(); ++index) {
        if (!array.at(index).isObject())
            return fail(QStringLiteral("element %1 is not an object").arg(index));
        const QJsonObject object = array.at(index).toObject();
        for (const char* key : {"propertyKey", "propertyName", "propertyType"}) {
            if (!object.value(QLatin1String(key)).isString())
                return fail(QStringLiteral("element %1: \"%2\" is missing or not a string")
                                .arg(index)
                                .arg(QLatin1String(key)));
        }
        const QString typeText = object.value(QLatin1String("propertyType")).toString();
        const std::optional<PropertyType> type = typeFromName(typeText);
        if (!type)
            return fail(QStringLiteral("element %1: unknown property type \"%2\"").arg(index).arg(typeText));
        properties.append(PredicateProperty{object.value(QLatin1String("propertyKey")).toString(),
                                            object.value(QLatin1String("propertyName")).toString(), *type});
    }
    return properties;
}

QList<PredicateProperty> PredicateProperty::sortedByKey(QList<PredicateProperty> properties) {
    return stableSorted<PredicateProperty>(
        properties, [](const PredicateProperty& a, const PredicateProperty& b) {
            return a.propertyKey.compare(b.propertyKey, Qt::CaseInsensitive) < 0;
        });
}

QList<PredicateProperty> PredicateProperty::loadAllowedProperties() {
    const QString path = Platform::Bundle::mainBundle().pathForResource(QStringLiteral("issue-predicates"),
                                                                        QStringLiteral("json"));
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Platform::SystemLog::log(QStringLiteral("Error loading predicates: ") + file.errorString());
        return {};
    }
    QString error;
    const std::optional<QList<PredicateProperty>> properties = decodeList(file.readAll(), &error);
    if (!properties) {
        Platform::SystemLog::log(QStringLiteral("Error loading predicates: ") + error);
        return {};
    }
    return sortedByKey(*properties);
}
