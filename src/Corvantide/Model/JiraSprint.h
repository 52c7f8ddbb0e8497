#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVariant>

#include <optional>

/*! A sprint of an agile board (one element of the sprint search's "values"). */
class JiraSprint {
public:
    enum class State { closed, active };

    explicit JiraSprint(const QJsonObject& jsonDict);

    qint64 id() const { return m_id; }
    /*! The "originBoardId". */
    qint64 boardId() const { return m_boardId; }
    /*! Nothing for "future" and every other state. */
    const std::optional<State>& state() const { return m_state; }
    const std::optional<QString>& name() const { return m_name; }
    const std::optional<QString>& goal() const { return m_goal; }
    const std::optional<QString>& sprintUrl() const { return m_sprintUrl; }
    const std::optional<QDateTime>& startDate() const { return m_startDate; }
    const std::optional<QDateTime>& endDate() const { return m_endDate; }
    const std::optional<QDateTime>& completeDate() const { return m_completeDate; }

    /*! "id", "boardId", "name", "goal", "sprintUrl", "startDate", "endDate", "completeDate". */
    QVariant value(const QString& keyPath) const;

private:
    qint64 m_id = 0;
    qint64 m_boardId = 0;
    std::optional<State> m_state;
    std::optional<QString> m_name;
    std::optional<QString> m_goal;
    std::optional<QString> m_sprintUrl;
    std::optional<QDateTime> m_startDate;
    std::optional<QDateTime> m_endDate;
    std::optional<QDateTime> m_completeDate;
};
