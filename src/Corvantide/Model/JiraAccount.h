#pragma once

#include "ZRJira/ZRJAccount.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

/*! One signed-in Atlassian account: its identity and its OAuth 2.0 tokens. */
class JiraAccount final : public ZRJAccount {
public:
    JiraAccount(QString accountID, QString accessToken, QString refreshToken, QDateTime expires,
                QString scope, QString displayName, QString emailAddress);

    const QString& accountID() const { return m_accountID; }
    QString accessToken() const override { return m_accessToken; }
    QString refreshToken() const override { return m_refreshToken; }
    QDateTime expires() const override { return m_expires; }
    QString scope() const override { return m_scope; }
    const QString& displayName() const { return m_displayName; }
    const QString& emailAddress() const { return m_emailAddress; }

    /*! The JSON form with the keys accountID, accessToken, refreshToken, expires, scope, displayName and
        emailAddress; expires is a number of seconds since 2001-01-01 00:00:00 UTC. */
    QJsonObject toJson() const;
    /*! Nothing when one of the seven members is missing or of another type. */
    static std::optional<JiraAccount> fromJson(const QJsonObject& json);

    bool operator==(const JiraAccount& other) const;

private:
    QString m_accountID;
    QString m_accessToken;
    QString m_refreshToken;
    QDateTime m_expires;
    QString m_scope;
    QString m_displayName;
    QString m_emailAddress;
};
