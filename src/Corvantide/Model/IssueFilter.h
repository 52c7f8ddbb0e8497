#pragma once

#include "Platform/Predicate.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class JiraProject;

/*! One menu section: a Jira project of one account with the conditions that decide which of its issues
    are shown. Filters are shared objects: the store, the windows and the panes hold the same instances
    and change their fields in place; every settable property has its own change signal. */
class IssueFilter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IssueFilter)
    Q_PROPERTY(QString identifier READ identifier CONSTANT)
    Q_PROPERTY(QString accountID READ accountID CONSTANT)
    Q_PROPERTY(QString cloudID READ cloudID CONSTANT)
    Q_PROPERTY(QString projectIdentifier READ projectIdentifier CONSTANT)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(
        bool showOnlyMyIssues READ showOnlyMyIssues WRITE setShowOnlyMyIssues NOTIFY showOnlyMyIssuesChanged)
    Q_PROPERTY(int issueFilter READ issueFilter WRITE setIssueFilter NOTIFY issueFilterChanged)
    Q_PROPERTY(int sprintFilter READ sprintFilter WRITE setSprintFilter NOTIFY sprintFilterChanged)
    Q_PROPERTY(QString humanReadablePredicateDescription READ humanReadablePredicateDescription NOTIFY
                   humanReadablePredicateDescriptionChanged)
    Q_PROPERTY(bool hasUnreadablePredicate READ hasUnreadablePredicate NOTIFY predicateChanged)

public:
    /*! The status-category condition; the raw values are stored in the filters file. */
    enum class IssueFilterType { all = 0, todo = 1, inProgress = 2, todoOrInProgress = 3 };
    /*! The sprint condition; the raw values are stored in the filters file. */
    enum class SprintFilterType { all = 0, future = 1, open = 2 };
    static constexpr std::array<IssueFilterType, 4> allIssueFilterTypes = {
        IssueFilterType::all, IssueFilterType::todo, IssueFilterType::inProgress,
        IssueFilterType::todoOrInProgress};
    static constexpr std::array<SprintFilterType, 3> allSprintFilterTypes = {
        SprintFilterType::all, SprintFilterType::future, SprintFilterType::open};

    IssueFilter(const QString& identifier, const QString& accountID, const QString& cloudID,
                const QString& projectIdentifier, const QString& name);
    /*! A new filter for the project: a fresh identifier, the project's name (else "New Project"), all
        issues, all sprints, no advanced filter. */
    static std::shared_ptr<IssueFilter> forProject(const JiraProject& project);

    /*! A filter from its JSON form, or no filter with the reason in errorMessage. */
    static std::shared_ptr<IssueFilter> fromJson(const QJsonObject& json, QString* errorMessage = nullptr);
    /*! The JSON form: the fields under their own names, the predicate as the Base64 of its format text. */
    QJsonObject toJson() const;
    /*! The JSON form as compact text (the "customIssueFilter" default stores it). */
    QByteArray toJsonData() const;
    static std::shared_ptr<IssueFilter> fromJsonData(const QByteArray& data, QString* errorMessage = nullptr);

    const QString& identifier() const { return m_identifier; }
    const QString& accountID() const { return m_accountID; }
    const QString& cloudID() const { return m_cloudID; }
    const QString& projectIdentifier() const { return m_projectIdentifier; }

    const QString& name() const { return m_name; }
    void setName(const QString& name);
    bool showOnlyMyIssues() const { return m_showOnlyMyIssues; }
    void setShowOnlyMyIssues(bool showOnlyMyIssues);
    const std::optional<Platform::Predicate>& predicate() const { return m_predicate; }
    /*! Replaces the advanced filter, and with it an unreadable one that was kept. A predicate that is not
        valid (it could not be read back) is refused with a log line. */
    void setPredicate(const std::optional<Platform::Predicate>& predicate);
    /*! Whether the filter holds an advanced filter that this build cannot read: it runs without it, and
        its stored form is written back unchanged until the advanced filter is set or deleted. */
    bool hasUnreadablePredicate() const { return !m_unreadablePredicate.isUndefined(); }

    /*! The raw value of the status-category condition. */
    int issueFilter() const { return int(m_issueFilterType); }
    /*! Accepts only a raw value of IssueFilterType; anything else is refused with a log line. */
    void setIssueFilter(int rawValue);
    IssueFilterType issueFilterType() const { return m_issueFilterType; }
    void setIssueFilterType(IssueFilterType type) { setIssueFilter(int(type)); }

    /*! The raw value of the sprint condition. */
    int sprintFilter() const { return int(m_sprintFilterType); }
    /*! Accepts only a raw value of SprintFilterType; anything else is refused with a log line. */
    void setSprintFilter(int rawValue);
    SprintFilterType sprintFilterType() const { return m_sprintFilterType; }
    void setSprintFilterType(SprintFilterType type) { setSprintFilter(int(type)); }

    bool futureSprintsOnly() const { return m_sprintFilterType == SprintFilterType::future; }
    bool openSprintsOnly() const { return m_sprintFilterType == SprintFilterType::open; }

    /*! The summary under the advanced-filter button. */
    QString humanReadablePredicateDescription() const;

Q_SIGNALS:
    void nameChanged();
    void showOnlyMyIssuesChanged();
    void predicateChanged();
    void issueFilterChanged();
    void sprintFilterChanged();
    void humanReadablePredicateDescriptionChanged();

private:
    const QString m_identifier;
    const QString m_accountID;
    const QString m_cloudID;
    const QString m_projectIdentifier;
    QString m_name;
    bool m_showOnlyMyIssues = false;
    std::optional<Platform::Predicate> m_predicate;
    QJsonValue m_unreadablePredicate = QJsonValue(QJsonValue::Undefined);
    IssueFilterType m_issueFilterType = IssueFilterType::all;
    SprintFilterType m_sprintFilterType = SprintFilterType::all;
};
