#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

#include <optional>

/*! A Jira user of a site (one element of the user search). Missing members read as empty strings. */
class JiraUser {
public:
    explicit JiraUser(const QJsonObject& json);

    const QString& accountID() const { return m_accountID; }
    const QString& displayName() const { return m_displayName; }
    const QString& emailAddress() const { return m_emailAddress; }

    /*! "accountID", "displayName", "emailAddress". */
    QVariant value(const QString& keyPath) const;

private:
    QString m_accountID;
    QString m_displayName;
    QString m_emailAddress;
};

/*! The signed-in user, from the current-user answer: all three strings are present and non-empty. */
class JiraCurrentUser : public JiraUser {
public:
    static std::optional<JiraCurrentUser> create(const QJsonObject& myself);

private:
    explicit JiraCurrentUser(const QJsonObject& myself)
        : JiraUser(myself) {}
};
