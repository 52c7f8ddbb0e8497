#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>

/*! A Jira project of a site (one element of a project-search page). */
class JiraProject {
public:
    /*! Nothing when "id" or "key" is not a string. */
    static std::optional<JiraProject> create(const QString& accountID, const QString& cloudID,
                                             const std::optional<QString>& baseURL, const QJsonObject& json);

    const QString& accountID() const { return m_accountID; }
    const QString& cloudID() const { return m_cloudID; }
    const QString& identifier() const { return m_identifier; }
    const QString& key() const { return m_key; }
    const std::optional<QString>& name() const { return m_name; }
    /*! Only when "avatarUrls" is an object whose values are all strings. */
    const std::optional<QMap<QString, QString>>& avatarUrls() const { return m_avatarUrls; }
    /*! The site's base URL. */
    const std::optional<QString>& baseURL() const { return m_baseURL; }

    /*! "accountID", "cloudID", "identifier", "key", "name", "avatarUrls", "baseURL". */
    QVariant value(const QString& keyPath) const;

private:
    JiraProject() = default;

    QString m_accountID;
    QString m_cloudID;
    QString m_identifier;
    QString m_key;
    std::optional<QString> m_name;
    std::optional<QMap<QString, QString>> m_avatarUrls;
    std::optional<QString> m_baseURL;
};
