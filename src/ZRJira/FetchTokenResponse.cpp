#include "ZRJira/FetchTokenResponse.h"

#include "ZRJira/ZRJJSONUtilities.h"

FetchTokenResponse::FetchTokenResponse(QString accessToken, QString refreshToken, QDateTime expires,
                                       QString scope)
    : m_accessToken(std::move(accessToken))
    , m_refreshToken(std::move(refreshToken))
    , m_expires(std::move(expires))
    , m_scope(std::move(scope)) {}

QJsonObject FetchTokenResponse::toJson() const {
    return QJsonObject{{QStringLiteral("accessToken"), m_accessToken},
                       {QStringLiteral("refreshToken"), m_refreshToken},
                       {QStringLiteral("expires"), ZRJJSONUtilities::secondsSinceReferenceDate(m_expires)},
                       {QStringLiteral("scope"), m_scope}};
}

std::optional<FetchTokenResponse> FetchTokenResponse::fromJson(const QJsonObject& json) {
    const QJsonValue accessToken = json.value(QStringLiteral("accessToken"));
    const QJsonValue refreshToken = json.value(QStringLiteral("refreshToken"));
    const QJsonValue expires = json.value(QStringLiteral("expires"));
    const QJsonValue scope = json.value(QStringLiteral("scope"));
    if (!accessToken.isString() || !refreshToken.isString() || !expires.isDouble() || !scope.isString())
        return std::nullopt;
    return FetchTokenResponse(accessToken.toString(), refreshToken.toString(),
                              ZRJJSONUtilities::dateFromSecondsSinceReferenceDate(expires.toDouble()),
                              scope.toString());
}

bool FetchTokenResponse::operator==(const FetchTokenResponse& other) const {
    return m_accessToken == other.m_accessToken && m_refreshToken == other.m_refreshToken &&
           m_expires == other.m_expires && m_scope == other.m_scope;
}
