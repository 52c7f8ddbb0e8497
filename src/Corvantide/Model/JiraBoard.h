#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

#include <optional>

enum class JiraBoardType { scrum, kanban };

/*! An agile board (one element of the board search's "values"). Its names come from its "location". */
class JiraBoard {
public:
    explicit JiraBoard(const QJsonObject& jsonDict);

    qint64 id() const { return m_id; }
    const std::optional<JiraBoardType>& type() const { return m_type; }
    const std::optional<qint64>& projectID() const { return m_projectID; }
    /*! The location's "self", not the board's own. */
    const std::optional<QString>& boardUrl() const { return m_boardUrl; }
    /*! The whole "location" object (empty when there is none). */
    const QJsonObject& fields() const { return m_fields; }

    std::optional<QString> displayName() const;
    std::optional<QString> projectKey() const;
    std::optional<QString> projectName() const;
    std::optional<QString> name() const;
    bool isScrumBoard() const { return m_type == JiraBoardType::scrum; }

    /*! "boardUrl", "fields", "displayName", "projectKey", "projectName", "name", "isScrumBoard". */
    QVariant value(const QString& keyPath) const;

private:
    qint64 m_id = 0;
    std::optional<JiraBoardType> m_type;
    std::optional<qint64> m_projectID;
    std::optional<QString> m_boardUrl;
    QJsonObject m_fields;
};
