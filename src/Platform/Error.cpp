#include "Platform/Error.h"

namespace Platform {

Error::Error(QString domain, int code, QString localizedDescription, QString recoverySuggestion,
             QVariantMap userInfo)
    : m_domain(std::move(domain))
    , m_code(code)
    , m_localizedDescription(std::move(localizedDescription))
    , m_recoverySuggestion(std::move(recoverySuggestion))
    , m_userInfo(std::move(userInfo)) {}

Error Error::withHttpStatus(int status, const QByteArray& body) const {
    Error copy = *this;
    copy.m_userInfo.insert(HttpStatusKey, status);
    copy.m_userInfo.insert(HttpBodyKey, body);
    return copy;
}

std::optional<qint64> Error::retryAfter() const {
    const auto value = m_userInfo.constFind(RetryAfterKey);
    if (value == m_userInfo.constEnd())
        return std::nullopt;
    return value->toLongLong();
}

QString Error::description() const {
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                       .arg(m_domain, QString::number(m_code), m_localizedDescription);
    if (httpStatus() != 0)
        text += QStringLiteral(" (HTTP %1)").arg(httpStatus());
    return text;
}

} // namespace Platform
