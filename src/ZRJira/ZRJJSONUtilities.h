#pragma once

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

/*! Secrets never reach a log line: the values of access_token, refresh_token, id_token, client_secret
    and code (and of the camel-case token keys) are replaced by "<redacted>" wherever they appear. */
QJsonValue redacted(const QJsonValue& value);
/*! The printed form of a response object for log lines: compact JSON with secrets redacted, a scalar as
    its text, "nil" for no value. */
QString printedForm(const QJsonValue& value);
/*! A request or response body for log lines, secrets redacted (JSON, form-encoded or plain text);
    nothing when the body is empty or not valid UTF-8. */
std::optional<QString> redactedBody(const QByteArray& body);
/*! The URL with the values of secret query items redacted. */
QString redactedURL(const QUrl& url);

} // namespace ZRJJSONUtilities
