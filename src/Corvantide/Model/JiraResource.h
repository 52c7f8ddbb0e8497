#pragma once

#include "Model/JiraProject.h"
#include "Model/JiraUser.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

/*! One Jira Cloud site an account may reach (one element of the accessible-resources answer),
    identified by its cloud id. Its projects and users arrive later, from their own downloads; each change
    of them is announced, so that lists showing a site's projects follow. Shared and used on the main
    thread. */
class JiraResource final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JiraResource)

public:
    /*! Nothing when "id" is not a string. */
    static std::shared_ptr<JiraResource> create(const QString& accountID, const QJsonObject& json);

    const QString& accountID() const { return m_accountID; }
    const QString& cloudID() const { return m_cloudID; }
    const std::optional<QString>& name() const { return m_name; }
    /*! The site's base URL, which issue browse links start with. */
    const std::optional<QString>& url() const { return m_url; }
    const std::optional<QString>& avatarUrl() const { return m_avatarUrl; }

    const std::optional<QList<JiraProject>>& projects() const { return m_projects; }
    /*! Replaces the projects and announces it (every call: a new download is news even when equal). */
    void setProjects(std::optional<QList<JiraProject>> projects);
    const std::optional<QList<JiraUser>>& users() const { return m_users; }
    void setUsers(std::optional<QList<JiraUser>> users);

    /*! "accountID", "cloudID", "name", "url", "avatarUrl". */
    QVariant value(const QString& keyPath) const;

Q_SIGNALS:
    void projectsChanged();
    void usersChanged();

private:
    JiraResource() = default;

    QString m_accountID;
    QString m_cloudID;
    std::optional<QString> m_name;
    std::optional<QString> m_url;
    std::optional<QString> m_avatarUrl;
    std::optional<QList<JiraProject>> m_projects;
    std::optional<QList<JiraUser>> m_users;
};
