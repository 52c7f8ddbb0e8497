#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

/*! Typed reads of a Jira JSON object: a member counts only when present with the asked-for JSON type. */
namespace JSONValue {

std::optional<QString> string(const QJsonObject& object, const QString& key);
/*! A JSON number without a fraction, within the range of a 64-bit integer. */
std::optional<qint64> integer(const QJsonObject& object, const QString& key);
std::optional<QJsonObject> object(const QJsonObject& object, const QString& key);
/*! The objects of an array member, in order; an element of another type is skipped and logged. Nothing
    when the member is no array. */
std::optional<QList<QJsonObject>> objects(const QJsonObject& object, const QString& key);

} // namespace JSONValue
