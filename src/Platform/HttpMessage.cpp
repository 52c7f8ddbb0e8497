#include "Platform/HttpMessage.h"

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

QByteArray HttpResponse::mimeType() const {
    QByteArray type = header("Content-Type");
    const qsizetype semicolon = type.indexOf(';');
    if (semicolon >= 0)
        type.truncate(semicolon);
    return type.trimmed().toLower();
}

QString HttpResponse::description() const {
    QStringList fields;
    for (const auto& [key, value] : headers)
        fields.append(QString::fromLatin1(key) + QStringLiteral(": ") + QString::fromLatin1(value));
    return QStringLiteral("<HttpResponse> { URL: %1 } { Status Code: %2, Headers { %3 } }")
        .arg(url.toString(), QString::number(statusCode), fields.join(QStringLiteral("; ")));
}

} // namespace Platform
