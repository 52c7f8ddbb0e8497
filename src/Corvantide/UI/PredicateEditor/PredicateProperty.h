#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/*! One issue property that an advanced filter's row may test: a key path of JiraIssue, a display name
    and the value type. */
struct PredicateProperty {
    enum class PropertyType { string, integer, double_, bool_, date };

    QString propertyKey;
    QString propertyName;
    PropertyType propertyType = PropertyType::string;

    /*! "string", "integer", "double", "bool" or "date". */
    static QString typeName(PropertyType type);
    static std::optional<PropertyType> typeFromName(const QString& name);

    /*! The rows of a JSON array of objects with the string members "propertyKey", "propertyName" and
        "propertyType" (one of the five type names). Anything else (not an array, a missing or mistyped
        member, an unknown type) fails the whole list: nothing, with the reason in errorMessage. */
    static std::optional<QList<PredicateProperty>> decodeList(const QByteArray& json,
                                                              QString* errorMessage = nullptr);

    /*! The list sorted by key, case-insensitively and stably. */
    static QList<PredicateProperty> sortedByKey(QList<PredicateProperty> properties);

    /*! The rows of the application's resource "issue-predicates.json", sorted; empty when the resource is
        missing, and empty with a log line ("Error loading predicates: ...") when it cannot be read. */
    static QList<PredicateProperty> loadAllowedProperties();
};
