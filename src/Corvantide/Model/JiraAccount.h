#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

/*! One signed-in Atlassian account: its identity and its OAuth 2.0 tokens. */
class JiraAccount {
public:
    JiraAccount(QString accountID, QString accessToken, QString refreshToken, QDateTime expires,
                QString scope, QString displayName, QString emailAddress);

    const QString& accountID() const { return m_accountID; }
    const QString& accessToken() const { return m_accessToken; }
    const QString& refreshToken() const { return m_refreshToken; }
    const QDateTime& expires() const { return m_expires; }
    const QString& scope() const { return m_scope; }
    const QString& displayName() const { return m_displayName; }
    const QString& emailAddress() const { return m_emailAddress; }

    /*! The JSON form with the keys accountID, accessToken, refreshToken, expires, scope, displayName and
        emailAddress; expires is a number of seconds since 2001-01-01 00:00:00 UTC. */
    QJsonObject toJson() const;
    /*! Nothing when one of the seven members is missing or of another type. */
    static std::optional<JiraAccount> fromJson(const QJsonObject& json);

    /*! Seconds since 2001-01-01 00:00:00 UTC, the date form of the stored accounts. */
    static double secondsSinceReferenceDate(const QDateTime& date);
    static QDateTime dateFromSecondsSinceReferenceDate(double seconds);

    bool operator==(const JiraAccount& other) const = default;

private:
    QString m_accountID;
    QString m_accessToken;
    QString m_refreshToken;
    QDateTime m_expires;
    QString m_scope;
    QString m_displayName;
    QString m_emailAddress;
};
