#pragma once

#include "ZRJira/ZRJRedaction.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QUrl>

#include <optional>

namespace ZRJJSONUtilities {

/*! The instant of an ISO 8601 internet date-time with fractional seconds ("2024-03-05T10:15:30.123Z",
    also with an offset such as "+01:00" or "+0100"); nothing for any other form, including one without
    fractional seconds. Each thread keeps and reuses its own parser. */
std::optional<QDateTime> dateFromString(const QString& string);

/*! A JSON number without fraction that fits a qint64; nothing for any other value. */
std::optional<qint64> integerValue(const QJsonValue& value);

/*! Dates in stored JSON: seconds since 2001-01-01 00:00:00 UTC, fraction allowed. */
double secondsSinceReferenceDate(const QDateTime& date);
QDateTime dateFromSecondsSinceReferenceDate(double seconds);

// The redaction of secrets lives in ZRJRedaction; these names stay for the callers that use them here.
using ZRJRedaction::printedForm;
using ZRJRedaction::redacted;
using ZRJRedaction::redactedBody;
using ZRJRedaction::redactedURL;

} // namespace ZRJJSONUtilities
