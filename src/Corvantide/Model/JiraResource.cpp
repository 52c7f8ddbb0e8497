#include "Model/JiraResource.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"

std::shared_ptr<JiraResource> JiraResource::create(const QString& accountID, const QJsonObject& json) {
    const std::optional<QString> cloudID = JSONValue::string(json, QStringLiteral("id"));
    if (!cloudID)
        return nullptr;
    std::shared_ptr<JiraResource> resource(new JiraResource);
    resource->m_accountID = accountID;
    resource->m_cloudID = *cloudID;
    resource->m_name = JSONValue::string(json, QStringLiteral("name"));
    resource->m_url = JSONValue::string(json, QStringLiteral("url"));
    resource->m_avatarUrl = JSONValue::string(json, QStringLiteral("avatarUrl"));
    return resource;
}

void JiraResource::setProjects(std::optional<QList<JiraProject>> projects) {
    m_projects = std::move(projects);
    Q_EMIT projectsChanged();
}

void JiraResource::setUsers(std::optional<QList<JiraUser>> users) {
    m_users = std::move(users);
    Q_EMIT usersChanged();
}

QVariant JiraResource::value(const QString& keyPath) const {
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"accountID")
            return m_accountID;
        if (key == u"cloudID")
            return m_cloudID;
        if (key == u"name")
            return KeyValueCoding::optional(m_name);
        if (key == u"url")
            return KeyValueCoding::optional(m_url);
        if (key == u"avatarUrl")
            return KeyValueCoding::optional(m_avatarUrl);
        return {};
    });
}
