#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace Platform {

/*! An error as the rest of the system passes it around: a domain, a code, a description the user may
    read, an optional recovery suggestion, and free-form user info (HTTP status and body among it). */
class Error {
public:
    static inline const QString HttpStatusKey = QStringLiteral("HTTPStatusCode");
    static inline const QString HttpBodyKey = QStringLiteral("HTTPBody");
    /*! Seconds the server asked to wait before trying again (its "Retry-After"). */
    static inline const QString RetryAfterKey = QStringLiteral("RetryAfter");

    Error() = default;
    Error(QString domain, int code, QString localizedDescription, QString recoverySuggestion = {},
          QVariantMap userInfo = {});

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    const QString& localizedDescription() const { return m_localizedDescription; }
    const QString& localizedRecoverySuggestion() const { return m_recoverySuggestion; }
    const QVariantMap& userInfo() const { return m_userInfo; }

    void setUserInfoValue(const QString& key, const QVariant& value) { m_userInfo.insert(key, value); }

    /*! The HTTP status of the answer that caused the error, or 0 when there was none. */
    int httpStatus() const { return m_userInfo.value(HttpStatusKey).toInt(); }
    /*! The body of the answer that caused the error (empty when there was none). */
    QByteArray httpBody() const { return m_userInfo.value(HttpBodyKey).toByteArray(); }
    Error withHttpStatus(int status, const QByteArray& body) const;
    /*! The wait the answer asked for before trying again, when it named one. */
    std::optional<qint64> retryAfter() const;

    /*! The printed form for log lines: Error Domain=<domain> Code=<code> "<description>", and the HTTP
        status when there was one. */
    QString description() const;

    /*! Domain and code identify an error; the texts do not. */
    bool isSameKind(const Error& other) const { return m_domain == other.m_domain && m_code == other.m_code; }
    bool operator==(const Error& other) const = default;

private:
    QString m_domain;
    int m_code = 0;
    QString m_localizedDescription;
    QString m_recoverySuggestion;
    QVariantMap m_userInfo;
};

/*! No error is std::nullopt: the "nil" of completion handlers. */
using OptionalError = std::optional<Error>;

} // namespace Platform
