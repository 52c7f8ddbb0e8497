#pragma once

#include "Platform/Error.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QUrl>

#include <optional>

/*! What the Jira client hands to a log line or to the application never carries a secret: the values
    of access_token, refresh_token, id_token, client_secret and code (and of the camel-case token keys)
    become "<redacted>" wherever they appear. The request logger and the error paths use it. */
namespace ZRJRedaction {

/*! The value with the values of secret keys replaced by "<redacted>", at any depth. */
QJsonValue redacted(const QJsonValue& value);
/*! The printed form of a response object for log lines: compact JSON with secrets redacted, a scalar as
    its text, "nil" for no value. */
QString printedForm(const QJsonValue& value);
/*! A request or response body for log lines, secrets redacted (JSON, form-encoded or plain text);
    nothing when the body is empty or not valid UTF-8. */
std::optional<QString> redactedBody(const QByteArray& body);
/*! The URL with the values of secret query items redacted. */
QString redactedURL(const QUrl& url);

/*! The error with the answer body it carries (Error::HttpBodyKey) redacted like a logged body, or
    emptied when it cannot be read for redaction. */
Platform::Error redactedError(const Platform::Error& error);

} // namespace ZRJRedaction
