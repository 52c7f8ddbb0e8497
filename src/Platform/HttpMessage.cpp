#include "Platform/HttpMessage.h"

#include "Platform/Clock.h"

#include <QDateTime>

#include <QStringList>

#include <algorithm>
#include <limits>

namespace Platform {

QByteArray headerValue(const HttpHeaders& headers, const QByteArray& name) {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

void setHeaderValue(HttpHeaders& headers, const QByteArray& name, const QByteArray& value) {
    for (auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) {
            header.second = value;
            return;
        }
    }
    headers.append({name, value});
}

QString printedHeaderFields(const HttpHeaders& headers) {
    static const QByteArrayList secretFields{"Authorization", "Proxy-Authorization", "Cookie", "Set-Cookie"};
    QStringList fields;
    for (const auto& header : headers) {
        const QByteArray& name = header.first;
        const QByteArray& value = header.second;
        const bool secret =
            std::any_of(secretFields.begin(), secretFields.end(), [&name](const QByteArray& field) {
                return name.compare(field, Qt::CaseInsensitive) == 0;
            });
        fields.append(QString::fromLatin1(name) + QStringLiteral(" = ") +
                      (secret ? QStringLiteral("<redacted>") : QString::fromLatin1(value)));
    }
    return QStringLiteral("{ ") + fields.join(QStringLiteral("; ")) + QStringLiteral(" }");
}

QByteArray HttpResponse::mimeType() const {
    QByteArray type = header("Content-Type");
    const qsizetype semicolon = type.indexOf(';');
    if (semicolon >= 0)
        type.truncate(semicolon);
    return type.trimmed().toLower();
}

QString HttpResponse::description() const {
    return QStringLiteral("<HttpResponse> { URL: %1 } { Status Code: %2, Headers %3 }")
        .arg(url.toString(), QString::number(statusCode), printedHeaderFields(headers));
}

std::optional<qint64> HttpResponse::retryAfterSeconds() const {
    const QByteArray value = header("Retry-After").trimmed();
    if (value.isEmpty())
        return std::nullopt;
    bool isNumber = false;
    const qint64 seconds = value.toLongLong(&isNumber);
    if (isNumber)
        return std::max<qint64>(0, seconds);
    // Delay-seconds too many to count: as long a wait as there is.
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::numeric_limits<qint64>::max();
    const QDateTime date = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    if (!date.isValid())
        return std::nullopt;
    return std::max<qint64>(0, Clock::now().secsTo(date));
}

} // namespace Platform
