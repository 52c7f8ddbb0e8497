#pragma once

#include "ZRJira/ZRIssueSearchFilter.h"
#include "ZRJira/ZRJPagedOperation.h"

#include <QSet>

/*! The issues matching a filter's JQL, by the JQL search with token paging, 100 issues a page. Every page
    is fetched (up to MaximumIssues issues or MaximumPages pages) and handed on as one object: the first
    page's keys with "issues" holding every issue once. A page whose "issues" is there but no array, a
    page token that comes again, or a page that brings no new issue but promises more ends the search
    with an error instead of a partial list. */
class ZRJSearchForIssuesOperation final : public ZRJPagedOperation {
public:
    static constexpr int MaximumIssues = 1000;
    static constexpr int MaximumPages = 100;
    static constexpr int PageSize = 100;
    static inline const QString Fields = QStringLiteral("summary,assignee,status,creator,created");

    using ZRJPagedOperation::ZRJPagedOperation;

    void searchForIssues(const QString& accessToken, const QString& cloudID,
                         const ZRIssueSearchFilter& filter, JSONObjectCompletion completion);

private:
    Platform::HttpRequest pageRequest(const std::optional<QString>& pageToken) const;
    PageResult readPage(const QJsonObject& page) override;
    /*! The one object handed on: the first page's keys, every issue, nothing suggesting more pages. */
    QJsonObject result() const;

    QUrl m_searchURL;
    QString m_jql;
    std::optional<QJsonObject> m_firstPage;
    QJsonArray m_issues;
    QSet<QString> m_issueIDs;
    QSet<QString> m_pageTokens;
    bool m_morePages = false;
    bool m_sawIssues = false;
};
