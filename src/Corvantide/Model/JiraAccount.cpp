#include "Model/JiraAccount.h"

#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonValue>

#include <cmath>

namespace {

const QString AccountIDKey = QStringLiteral("accountID");
const QString AccessTokenKey = QStringLiteral("accessToken");
const QString RefreshTokenKey = QStringLiteral("refreshToken");
const QString ExpiresKey = QStringLiteral("expires");
const QString ScopeKey = QStringLiteral("scope");
const QString DisplayNameKey = QStringLiteral("displayName");
const QString EmailAddressKey = QStringLiteral("emailAddress");

} // namespace

JiraAccount::JiraAccount(QString accountID, QString accessToken, QString refreshToken, QDateTime expires,
                         QString scope, QString displayName, QString emailAddress)
    : m_accountID(std::move(accountID))
    , m_accessToken(std::move(accessToken))
    , m_refreshToken(std::move(refreshToken))
    , m_expires(std::move(expires))
    , m_scope(std::move(scope))
    , m_displayName(std::move(displayName))
    , m_emailAddress(std::move(emailAddress)) {}

QJsonObject JiraAccount::toJson() const {
    return QJsonObject{
        {AccountIDKey, m_accountID},
        {AccessTokenKey, m_accessToken},
        {RefreshTokenKey, m_refreshToken},
        {ExpiresKey, ZRJJSONUtilities::secondsSinceReferenceDate(m_expires)},
        {ScopeKey, m_scope},
        {DisplayNameKey, m_displayName},
        {EmailAddressKey, m_emailAddress},
    };
}

std::optional<JiraAccount> JiraAccount::fromJson(const QJsonObject& json) {
    for (const QString& key :
         {AccountIDKey, AccessTokenKey, RefreshTokenKey, ScopeKey, DisplayNameKey, EmailAddressKey}) {
        if (!json.value(key).isString())
            return std::nullopt;
    }
    const QJsonValue expires = json.value(ExpiresKey);
    // Far beyond any token's lifetime; also keeps the conversion to milliseconds in range.
    constexpr double LargestSeconds = 1e12;
    if (!expires.isDouble() || !(std::abs(expires.toDouble()) <= LargestSeconds))
        return std::nullopt;
    return JiraAccount(json.value(AccountIDKey).toString(), json.value(AccessTokenKey).toString(),
                       json.value(RefreshTokenKey).toString(),
                       ZRJJSONUtilities::dateFromSecondsSinceReferenceDate(expires.toDouble()),
                       json.value(ScopeKey).toString(), json.value(DisplayNameKey).toString(),
                       json.value(EmailAddressKey).toString());
}

bool JiraAccount::operator==(const JiraAccount& other) const {
    return m_accountID == other.m_accountID && m_accessToken == other.m_accessToken &&
           m_refreshToken == other.m_refreshToken && m_expires == other.m_expires &&
           m_scope == other.m_scope && m_displayName == other.m_displayName &&
           m_emailAddress == other.m_emailAddress;
}
