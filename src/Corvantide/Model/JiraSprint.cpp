#include "Model/JiraSprint.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"
#include "ZRJira/ZRJJSONUtilities.h"

namespace {

std::optional<QDateTime> date(const QJsonObject& json, const QString& key) {
    const std::optional<QString> text = JSONValue::string(json, key);
    return text ? ZRJJSONUtilities::dateFromString(*text) : std::nullopt;
}

} // namespace

JiraSprint::JiraSprint(const QJsonObject& jsonDict)
    : m_id(JSONValue::integer(jsonDict, QStringLiteral("id")).value_or(0))
    , m_boardId(JSONValue::integer(jsonDict, QStringLiteral("originBoardId")).value_or(0))
    , m_name(JSONValue::string(jsonDict, QStringLiteral("name")))
    , m_goal(JSONValue::string(jsonDict, QStringLiteral("goal")))
    , m_sprintUrl(JSONValue::string(jsonDict, QStringLiteral("self")))
    , m_startDate(date(jsonDict, QStringLiteral("startDate")))
    , m_endDate(date(jsonDict, QStringLiteral("endDate")))
    , m_completeDate(date(jsonDict, QStringLiteral("completeDate"))) {
    const std::optional<QString> state = JSONValue::string(jsonDict, QStringLiteral("state"));
    if (state == u"closed")
        m_state = State::closed;
    else if (state == u"active")
        m_state = State::active;
}

QVariant JiraSprint::value(const QString& keyPath) const {
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"id")
            return m_id;
        if (key == u"boardId")
            return m_boardId;
        if (key == u"name")
            return KeyValueCoding::optional(m_name);
        if (key == u"goal")
            return KeyValueCoding::optional(m_goal);
        if (key == u"sprintUrl")
            return KeyValueCoding::optional(m_sprintUrl);
        if (key == u"startDate")
            return KeyValueCoding::optional(m_startDate);
        if (key == u"endDate")
            return KeyValueCoding::optional(m_endDate);
        if (key == u"completeDate")
            return KeyValueCoding::optional(m_completeDate);
        return {};
    });
}
