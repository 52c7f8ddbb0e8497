#pragma once

#include "ZRJira/ZRIssueSearchFilter.h"
#include "ZRJira/ZRJOperation.h"

#include <QSet>

/*! The issues matching a filter's JQL, by the JQL search with token paging. Every page is fetched (up to
    MaximumIssues) and handed on as one object: the first page's keys with "issues" holding all pages. */
class ZRJSearchForIssuesOperation final : public ZRJOperation {
public:
    static constexpr int MaximumIssues = 1000;
    static inline const QString Fields = QStringLiteral("summary,assignee,status,creator,created");

    using ZRJOperation::ZRJOperation;

    void searchForIssues(const QString& accessToken, const QString& cloudID,
                         const ZRIssueSearchFilter& filter, JSONObjectCompletion completion);

private:
    void requestPage(const std::optional<QString>& pageToken, JSONObjectCompletion completion);
    /*! morePages: the server had more pages than the limit allowed to fetch. */
    void finish(const JSONObjectCompletion& completion, bool morePages);

    QUrl m_searchURL;
    QString m_jql;
    std::optional<QJsonObject> m_firstPage;
    QJsonArray m_issues;
    QSet<QString> m_pageTokens;
};
