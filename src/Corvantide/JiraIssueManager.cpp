#include "JiraIssueManager.h"

#include "JiraAccountManager.h"
#include "JiraResourcesManager.h"
#include "Model/JSONValue.h"
#include "Model/StableSort.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRJira/ZRJOperationManager.h"

#include <QJsonObject>

namespace {

// The kept issues of a filter, with the search answer they were made from. The issues hold parts of the
// answer's JSON; keeping the whole answer until the next one replaces it lets its memory go in one piece
// rather than leaving the heap full of holes between the issues that outlive it (measured: a download that
// replaces earlier issues took up to twice as long).
struct StoredIssues {
    QList<JiraIssue> issues;
    QList<QJsonObject> answer;
};

QHash<QString, StoredIssues>& issuesPerFilter() {
    static QHash<QString, StoredIssues> table;
    return table;
}

// The number of the newest storing search of each filter: only its answer may replace the kept issues.
QHash<QString, quint64>& newestSearchPerFilter() {
    static QHash<QString, quint64> table;
    return table;
}

bool passesStatusCondition(const JiraIssue& issue, IssueFilter::IssueFilterType type) {
    if (type == IssueFilter::IssueFilterType::all)
        return true;
    const std::optional<QString> category = issue.statusCategoryName();
    if (!category)
        return false;
    const bool todo = *category == QLatin1String("To Do");
    const bool inProgress = *category == QLatin1String("In Progress");
    switch (type) {
    case IssueFilter::IssueFilterType::todo:
        return todo;
    case IssueFilter::IssueFilterType::inProgress:
        return inProgress;
    case IssueFilter::IssueFilterType::todoOrInProgress:
        return todo || inProgress;
    case IssueFilter::IssueFilterType::all:
        break;
    }
    return true;
}

} // namespace

void JiraIssueManager::startGetIssuesOperation(const std::shared_ptr<IssueFilter>& filter, bool storeIssues,
                                               Completion completed) {
    Platform::assertMainThread();
    const auto notFound = [&completed] {
        if (completed)
            completed(std::nullopt, std::nullopt);
    };
    const std::optional<JiraAccount> account = JiraAccountManager::jiraAccount(filter->accountID());
    if (!account)
        return notFound();
    const auto sites = JiraResourcesManager::resourcesPerAccount().constFind(account->accountID());
    if (sites == JiraResourcesManager::resourcesPerAccount().cend())
        return notFound();
    const auto site = std::find_if(sites->cbegin(), sites->cend(), [&](const auto& resource) {
        return resource->cloudID() == filter->cloudID();
    });
    if (site == sites->cend() || !(*site)->projects())
        return notFound();
    const QList<JiraProject>& projects = *(*site)->projects();
    const auto project = std::find_if(projects.cbegin(), projects.cend(), [&](const JiraProject& candidate) {
        return candidate.identifier() == filter->projectIdentifier();
    });
    if (project == projects.cend())
        return notFound();

    ZRIssueSearchFilter search;
    search.project = project->key();
    search.currentUserIssuesOnly = filter->showOnlyMyIssues();
    search.futureSprintsOnly = filter->futureSprintsOnly();
    search.openSprintsOnly = filter->openSprintsOnly();
    const std::optional<QString> baseURL = (*site)->url();
    const QString projectName = project->name().value_or(QString());
    // Searches of one filter may overlap (a manual update during a timed one, or one started after the
    // filter was edited); the answer of one that a newer search has superseded applies to nothing.
    static quint64 lastSearch = 0;
    const quint64 searchNumber = ++lastSearch;
    if (storeIssues)
        newestSearchPerFilter().insert(filter->identifier(), searchNumber);
    ZRJOperationManager::shared().searchForIssues(
        account->accessToken(), (*site)->cloudID(), search,
        [filter, storeIssues, completed, baseURL, projectName,
         searchNumber](const std::optional<QJsonObject>& response, const Platform::OptionalError& error) {
            if (storeIssues && newestSearchPerFilter().value(filter->identifier()) != searchNumber) {
                Platform::SystemLog::log(
                    QStringLiteral("Dropped the answer of a superseded issue search of filter %1")
                        .arg(Platform::SystemLog::escaped(filter->identifier())));
                if (completed)
                    completed(std::nullopt, std::nullopt);
                return;
            }
            const std::optional<QList<QJsonObject>> issues =
                response ? JSONValue::objects(*response, QStringLiteral("issues")) : std::nullopt;
            if (!issues) {
                if (completed)
                    completed(std::nullopt, error);
                return;
            }
            const QList<JiraIssue> result =
                takeSearchResult(*issues, *filter, baseURL, projectName, storeIssues);
            if (completed)
                completed(result, std::nullopt);
        });
}

QList<JiraIssue> JiraIssueManager::takeSearchResult(const QList<QJsonObject>& issues,
                                                    const IssueFilter& filter,
                                                    const std::optional<QString>& baseURL,
                                                    const QString& projectName, bool storeIssues) {
    Platform::assertMainThread();
    if (storeIssues)
        issuesPerFilter().remove(filter.identifier()); // the memory the old ones free serves the new ones
    QList<JiraIssue> created;
    created.reserve(issues.size());
    for (const QJsonObject& json : issues) {
        if (std::optional<JiraIssue> issue = JiraIssue::create(filter.cloudID(), baseURL, projectName, json))
            created.append(std::move(*issue));
    }
    QList<JiraIssue> result = filterIssues(created, filter);
    if (storeIssues)
        issuesPerFilter().insert(filter.identifier(), StoredIssues{result, issues});
    return result;
}

QList<JiraIssue> JiraIssueManager::filterIssues(const QList<JiraIssue>& issues, const IssueFilter& filter) {
    const IssueFilter::IssueFilterType type = filter.issueFilterType();
    const std::optional<Platform::Predicate>& predicate = filter.predicate();
    QList<JiraIssue> result;
    result.reserve(issues.size());
    for (const JiraIssue& issue : issues) {
        if (!passesStatusCondition(issue, type))
            continue;
        if (predicate &&
            !predicate->evaluate([&issue](const QString& keyPath) { return issue.value(keyPath); }))
            continue;
        result.append(issue);
    }
    return result;
}

std::optional<QList<JiraIssue>> JiraIssueManager::issues(const IssueFilter& filter) {
    Platform::assertMainThread();
    const auto stored = issuesPerFilter().constFind(filter.identifier());
    if (stored == issuesPerFilter().cend())
        return std::nullopt;
    const std::optional<IssuesOrderType> order =
        IssuesOrder::fromRawValue(UserDefaultsKeys::integer(UserDefaultsKeys::Key::orderIssuesType));
    return sortedIssues(stored->issues, order.value_or(IssuesOrderType::byKey));
}

QList<JiraIssue> JiraIssueManager::sortedIssues(const QList<JiraIssue>& issues, IssuesOrderType order) {
    if (order == IssuesOrderType::byStatus)
        return JiraIssue::sortedByJiraStatus(issues);
    return stableSorted<JiraIssue>(issues, [](const JiraIssue& a, const JiraIssue& b) {
        return QString::compare(a.key(), b.key(), Qt::CaseInsensitive) < 0;
    });
}
