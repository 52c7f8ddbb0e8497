#pragma once

#include "Model/IssueFilter.h"
#include "Model/JiraIssue.h"
#include "Platform/Error.h"
#include "UserDefaultsKeys.h"

#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

/*! Downloads the issues of issue filters, applies their local conditions (status category and advanced
    filter), keeps the result per filter in memory and hands out sorted copies. Main thread only. */
class JiraIssueManager {
public:
    JiraIssueManager() = delete;

    using Completion = std::function<void(const std::optional<QList<JiraIssue>>& issues,
                                          const Platform::OptionalError& error)>;

    /*! Searches the filter's project on its site with its account's stored token. The completion runs
        exactly once: at once, with neither issues nor error, when the account, the site or the project is
        not known; otherwise when the search answers, with the filtered issues, or with the search's error.
        With storeIssues the result replaces what is kept for the filter, unless a newer storing search of
        the same filter has started meanwhile: then the answer is dropped (logged) and the completion gets
        neither issues nor error. The filter's conditions are read again when the answer arrives. */
    static void startGetIssuesOperation(const std::shared_ptr<IssueFilter>& filter, bool storeIssues,
                                        Completion completed = {});

    /*! The kept issues of the filter, sorted as "orderIssuesType" says at the time of the call; nothing
        when none were kept for it. */
    static std::optional<QList<JiraIssue>> issues(const IssueFilter& filter);

    /*! The issues of one search answer's "issues" array that pass the filter, in the answer's order;
        elements that are no issue are skipped. With storeIssues they are kept for the filter. */
    static QList<JiraIssue> takeSearchResult(const QList<QJsonObject>& issues, const IssueFilter& filter,
                                             const std::optional<QString>& baseURL,
                                             const QString& projectName, bool storeIssues);

    /*! The issues that pass the filter's status-category condition and its advanced filter, in order. */
    static QList<JiraIssue> filterIssues(const QList<JiraIssue>& issues, const IssueFilter& filter);

    /*! A stably sorted copy: by key (case-insensitive) or by status. */
    static QList<JiraIssue> sortedIssues(const QList<JiraIssue>& issues, IssuesOrderType order);
};
