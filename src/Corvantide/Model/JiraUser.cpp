#include "Model/JiraUser.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"

JiraUser::JiraUser(const QJsonObject& json)
    : m_accountID(JSONValue::string(json, QStringLiteral("accountId")).value_or(QString()))
    , m_displayName(JSONValue::string(json, QStringLiteral("displayName")).value_or(QString()))
    , m_emailAddress(JSONValue::string(json, QStringLiteral("emailAddress")).value_or(QString())) {}

QVariant JiraUser::value(const QString& keyPath) const {
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"accountID")
            return m_accountID;
        if (key == u"displayName")
            return m_displayName;
        if (key == u"emailAddress")
            return m_emailAddress;
        return {};
    });
}

std::optional<JiraCurrentUser> JiraCurrentUser::create(const QJsonObject& myself) {
    JiraCurrentUser user(myself);
    if (user.accountID().isEmpty() || user.displayName().isEmpty() || user.emailAddress().isEmpty())
        return std::nullopt;
    return user;
}
