#include "ZRJira/ZRJSearchForIssuesOperation.h"

#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>

namespace {

QString issuesErrorText() {
    return QCoreApplication::translate("ZRJOperation", "Could not download Jira resources.");
}

} // namespace

void ZRJSearchForIssuesOperation::searchForIssues(const QString& accessToken, const QString& cloudID,
                                                  const ZRIssueSearchFilter& filter,
                                                  JSONObjectCompletion completion) {
    m_accessToken = accessToken;
    m_searchURL = siteURL(cloudID, QStringLiteral("/rest/api/3/search/jql"));
    m_jql = filter.jqlQuery();
    m_firstPage.reset();
    m_issues = QJsonArray();
    m_issueIDs.clear();
    m_pageTokens.clear();
    m_morePages = false;
    m_sawIssues = false;
    requestPages(pageRequest(std::nullopt), QStringLiteral("issue search"), MaximumPages, issuesErrorText(),
                 [completion = std::move(completion)](const std::shared_ptr<ZRJPagedOperation>& self,
                                                      const Platform::OptionalError& error) {
                     if (error || !self) {
                         completion(std::nullopt, error);
                         return;
                     }
                     completion(static_cast<const ZRJSearchForIssuesOperation&>(*self).result(),
                                std::nullopt);
                 });
}

Platform::HttpRequest
ZRJSearchForIssuesOperation::pageRequest(const std::optional<QString>& pageToken) const {
    QList<QPair<QString, QString>> items{{QStringLiteral("jql"), m_jql},
                                         {QStringLiteral("fields"), Fields},
                                         {QStringLiteral("maxResults"), QString::number(PageSize)}};
    if (pageToken)
        items.append({QStringLiteral("nextPageToken"), *pageToken});
    return searchRequest(*m_accessToken, m_searchURL, items);
}

ZRJPagedOperation::PageResult ZRJSearchForIssuesOperation::readPage(const QJsonObject& page) {
    // A page without "issues" holds none; one whose "issues" is something else is no search page.
    const QJsonValue issues = page.value(QStringLiteral("issues"));
    if (!issues.isUndefined() && !issues.isArray())
        return {std::nullopt, wrongResponseType(page, issuesErrorText())};
    m_sawIssues |= issues.isArray();
    if (!m_firstPage)
        m_firstPage = page;
    qsizetype added = 0;
    for (const QJsonValue& issue : issues.toArray()) {
        // An issue that moved between pages while paging comes twice; it is kept once.
        const QJsonValue id = issue[QStringLiteral("id")];
        if (id.isString()) {
            if (m_issueIDs.contains(id.toString()))
                continue;
            m_issueIDs.insert(id.toString());
        }
        m_issues.append(issue);
        ++added;
    }

    const QJsonValue next = page.value(QStringLiteral("nextPageToken"));
    const bool more =
        next.isString() && !next.toString().isEmpty() && !page.value(QStringLiteral("isLast")).toBool(false);
    if (!more)
        return {};
    if (m_pageTokens.contains(next.toString())) {
        Platform::SystemLog::log(QStringLiteral("issue search pages repeat, stopping"));
        return {std::nullopt, ZRError::zr_errorWithLocalizedDescription(issuesErrorText())};
    }
    if (added == 0) {
        Platform::SystemLog::log(QStringLiteral("issue search page brought no new issue but more pages"));
        return {std::nullopt, ZRError::zr_errorWithLocalizedDescription(issuesErrorText())};
    }
    if (m_issues.size() >= MaximumIssues) {
        m_morePages = true;
        return {};
    }
    if (receivedPageCount() >= MaximumPages)
        m_morePages = true;
    m_pageTokens.insert(next.toString());
    return {pageRequest(next.toString()), std::nullopt};
}

QJsonObject ZRJSearchForIssuesOperation::result() const {
    QJsonObject result = m_firstPage.value_or(QJsonObject());
    QJsonArray issues = m_issues;
    if (m_morePages || issues.size() > MaximumIssues) {
        Platform::SystemLog::log(
            QStringLiteral("issue search stopped at %1 issues; the rest is not downloaded")
                .arg(std::min<qsizetype>(issues.size(), MaximumIssues)));
        while (issues.size() > MaximumIssues)
            issues.removeLast();
    }
    // An answer that never held "issues" stays without, as a single page would.
    if (m_sawIssues)
        result.insert(QStringLiteral("issues"), issues);
    result.remove(QStringLiteral("nextPageToken"));
    if (result.contains(QStringLiteral("isLast")))
        result.insert(QStringLiteral("isLast"), true);
    return result;
}
