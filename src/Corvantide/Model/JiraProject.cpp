#include "Model/JiraProject.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"

#include <QVariantMap>

std::optional<JiraProject> JiraProject::create(const QString& accountID, const QString& cloudID,
                                               const std::optional<QString>& baseURL,
                                               const QJsonObject& json) {
    const std::optional<QString> identifier = JSONValue::string(json, QStringLiteral("id"));
    const std::optional<QString> key = JSONValue::string(json, QStringLiteral("key"));
    if (!identifier || !key)
        return std::nullopt;
    JiraProject project;
    project.m_accountID = accountID;
    project.m_cloudID = cloudID;
    project.m_identifier = *identifier;
    project.m_key = *key;
    project.m_name = JSONValue::string(json, QStringLiteral("name"));
    project.m_baseURL = baseURL;
    if (const std::optional<QJsonObject> avatars = JSONValue::object(json, QStringLiteral("avatarUrls"))) {
        QMap<QString, QString> urls;
        for (auto it = avatars->begin(); it != avatars->end(); ++it) {
            if (!it.value().isString())
                return project;
            urls.insert(it.key(), it.value().toString());
        }
        project.m_avatarUrls = urls;
    }
    return project;
}

QVariant JiraProject::value(const QString& keyPath) const {
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"accountID")
            return m_accountID;
        if (key == u"cloudID")
            return m_cloudID;
        if (key == u"identifier")
            return m_identifier;
        if (key == u"key")
            return m_key;
        if (key == u"name")
            return KeyValueCoding::optional(m_name);
        if (key == u"baseURL")
            return KeyValueCoding::optional(m_baseURL);
        if (key == u"avatarUrls" && m_avatarUrls) {
            QVariantMap urls;
            for (auto it = m_avatarUrls->begin(); it != m_avatarUrls->end(); ++it)
                urls.insert(it.key(), it.value());
            return urls;
        }
        return {};
    });
}
