#include "Model/JiraBoard.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"

JiraBoard::JiraBoard(const QJsonObject& jsonDict)
    : m_id(JSONValue::integer(jsonDict, QStringLiteral("id")).value_or(0))
    , m_fields(JSONValue::object(jsonDict, QStringLiteral("location")).value_or(QJsonObject())) {
    const std::optional<QString> type = JSONValue::string(jsonDict, QStringLiteral("type"));
    if (type == u"scrum")
        m_type = JiraBoardType::scrum;
    else if (type == u"kanban")
        m_type = JiraBoardType::kanban;
    m_projectID = JSONValue::integer(m_fields, QStringLiteral("projectId"));
    m_boardUrl = JSONValue::string(m_fields, QStringLiteral("self"));
}

std::optional<QString> JiraBoard::displayName() const {
    return JSONValue::string(m_fields, QStringLiteral("displayName"));
}
std::optional<QString> JiraBoard::projectKey() const {
    return JSONValue::string(m_fields, QStringLiteral("projectKey"));
}
std::optional<QString> JiraBoard::projectName() const {
    return JSONValue::string(m_fields, QStringLiteral("projectName"));
}
std::optional<QString> JiraBoard::name() const {
    return JSONValue::string(m_fields, QStringLiteral("name"));
}

QVariant JiraBoard::value(const QString& keyPath) const {
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"boardUrl")
            return KeyValueCoding::optional(m_boardUrl);
        if (key == u"fields")
            return QVariant::fromValue(m_fields);
        if (key == u"displayName")
            return KeyValueCoding::optional(displayName());
        if (key == u"projectKey")
            return KeyValueCoding::optional(projectKey());
        if (key == u"projectName")
            return KeyValueCoding::optional(projectName());
        if (key == u"name")
            return KeyValueCoding::optional(name());
        if (key == u"isScrumBoard")
            return isScrumBoard();
        return {};
    });
}
