#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

namespace Platform {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

/*! Header lookup and replacement by name, ignoring case as HTTP does. */
QByteArray headerValue(const HttpHeaders& headers, const QByteArray& name);
void setHeaderValue(HttpHeaders& headers, const QByteArray& name, const QByteArray& value);

/*! Header fields for a log line, "{ Name = value; ... }"; the values of credentials and cookies are
    replaced by "<redacted>". */
QString printedHeaderFields(const HttpHeaders& headers);

/*! One request as the session sends it. */
struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    HttpHeaders headers;
    /*! Nothing: no body at all. */
    std::optional<QByteArray> body;
    /*! Longest quiet time of the transfer before it fails as timed out. */
    int timeoutMs = 60000;
    /*! Longest time from sending to the whole answer, however steadily it trickles in; past it the
        request fails as timed out too. */
    int deadlineMs = 120000;

    QByteArray header(const QByteArray& name) const { return headerValue(headers, name); }
    void setHeader(const QByteArray& name, const QByteArray& value) { setHeaderValue(headers, name, value); }
};

/*! The head of an HTTP answer (the body travels separately). */
struct HttpResponse {
    QUrl url;
    int statusCode = 0;
    /*! The server's reason phrase ("Forbidden"), when it sent one. */
    QByteArray reasonPhrase;
    HttpHeaders headers;

    QByteArray header(const QByteArray& name) const { return headerValue(headers, name); }
    /*! The content type without parameters, in lower case ("application/json"); empty when none. */
    QByteArray mimeType() const;
    /*! A printed form for log lines: URL, status and headers. */
    QString description() const;
    /*! The wait the server asks for in "Retry-After" (delta seconds, or an HTTP date measured from
        Clock::now()), never below 0; nothing when the header is missing or unreadable. */
    std::optional<qint64> retryAfterSeconds() const;
};

} // namespace Platform
