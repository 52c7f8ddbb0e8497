#include "ZRJira/ZRJSearchForIssuesOperation.h"

#include "Platform/SystemLog.h"

#include <QCoreApplication>

void ZRJSearchForIssuesOperation::searchForIssues(const QString& accessToken, const QString& cloudID,
                                                  const ZRIssueSearchFilter& filter,
                                                  JSONObjectCompletion completion) {
    m_accessToken = accessToken;
    m_searchURL = siteURL(cloudID, QStringLiteral("/rest/api/3/search/jql"));
    m_jql = filter.jqlQuery();
    m_firstPage.reset();
    m_issues = QJsonArray();
    m_pageTokens.clear();
    requestPage(std::nullopt, std::move(completion));
}

void ZRJSearchForIssuesOperation::requestPage(const std::optional<QString>& pageToken,
                                              JSONObjectCompletion completion) {
    QList<QPair<QString, QString>> items{{QStringLiteral("jql"), m_jql}, {QStringLiteral("fields"), Fields}};
    if (pageToken)
        items.append({QStringLiteral("nextPageToken"), *pageToken});
    const std::weak_ptr<ZRJOperation> weakSelf = weak_from_this();
    startDataTask(
        searchRequest(*m_accessToken, m_searchURL, items),
        [weakSelf, completion](const auto&, const QJsonValue& object, const Platform::OptionalError& error) {
            if (error) {
                completion(std::nullopt, error);
                return;
            }
            if (!object.isObject()) {
                completion(
                    std::nullopt,
                    wrongResponseType(object, QCoreApplication::translate(
                                                  "ZRJOperation", "Could not download Jira resources.")));
                return;
            }
            const auto self = std::static_pointer_cast<ZRJSearchForIssuesOperation>(weakSelf.lock());
            if (!self) {
                completion(std::nullopt, std::nullopt);
                return;
            }
            const QJsonObject page = object.toObject();
            if (!self->m_firstPage)
                self->m_firstPage = page;
            for (const QJsonValue& issue : page.value(QStringLiteral("issues")).toArray())
                self->m_issues.append(issue);

            const QJsonValue next = page.value(QStringLiteral("nextPageToken"));
            const bool more = next.isString() && !next.toString().isEmpty() &&
                              !page.value(QStringLiteral("isLast")).toBool(false);
            if (!more) {
                self->finish(completion, false);
                return;
            }
            if (self->m_issues.size() >= MaximumIssues) {
                self->finish(completion, true);
                return;
            }
            if (self->m_pageTokens.contains(next.toString())) {
                Platform::SystemLog::log(QStringLiteral("issue search pages repeat, stopping"));
                self->finish(completion, false);
                return;
            }
            self->m_pageTokens.insert(next.toString());
            self->requestPage(next.toString(), completion);
        });
}

void ZRJSearchForIssuesOperation::finish(const JSONObjectCompletion& completion, bool morePages) {
    QJsonObject result = m_firstPage.value_or(QJsonObject());
    QJsonArray issues = m_issues;
    if (morePages || issues.size() > MaximumIssues) {
        Platform::SystemLog::log(
            QStringLiteral("issue search stopped at %1 issues; the rest is not downloaded")
                .arg(MaximumIssues));
        while (issues.size() > MaximumIssues)
            issues.removeLast();
    }
    // One object as from a single page: every issue, and nothing that would suggest more pages.
    if (result.contains(QStringLiteral("issues")) || !issues.isEmpty())
        result.insert(QStringLiteral("issues"), issues);
    result.remove(QStringLiteral("nextPageToken"));
    if (result.contains(QStringLiteral("isLast")))
        result.insert(QStringLiteral("isLast"), true);
    completion(result, std::nullopt);
}
