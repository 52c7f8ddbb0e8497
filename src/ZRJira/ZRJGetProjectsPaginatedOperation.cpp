#include "ZRJira/ZRJGetProjectsPaginatedOperation.h"

#include "ZRJira/ZRJEndpoints.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include "Platform/SystemLog.h"

#include <QCoreApplication>

namespace {

QString projectsErrorText() {
    return QCoreApplication::translate("ZRJOperation", "Could not download Jira projects.");
}

} // namespace

void ZRJGetProjectsPaginatedOperation::getProjectsPaginated(const QString& accessToken,
                                                            const QString& cloudID,
                                                            JSONArrayCompletion completion) {
    m_accessToken = accessToken;
    m_cloudID = cloudID;
    m_responses = QJsonArray();
    m_progress = ZRJOperationProgress();
    const QUrl first = url(QStringLiteral("/project/search"));
    m_requestedURLs = {first};
    requestPages(request(first), QStringLiteral("project search"), MaximumPages, projectsErrorText(),
                 [completion = std::move(completion)](const std::shared_ptr<ZRJPagedOperation>& self,
                                                      const Platform::OptionalError& error) {
                     if (error || !self) {
                         completion(std::nullopt, error);
                         return;
                     }
                     completion(static_cast<const ZRJGetProjectsPaginatedOperation&>(*self).m_responses,
                                std::nullopt);
                 });
}

ZRJPagedOperation::PageResult ZRJGetProjectsPaginatedOperation::readPage(const QJsonObject& page) {
    // A page without "values" holds no projects; one whose "values" is something else is no project page.
    const QJsonValue values = page.value(QStringLiteral("values"));
    if (!values.isUndefined() && !values.isArray())
        return {std::nullopt, wrongResponseType(page, projectsErrorText())};
    m_responses.append(page);
    ZRJOperationProgress& progress = *m_progress;
    if (!(progress.pageSize && progress.total) && !page.isEmpty()) {
        const auto pageSize = ZRJJSONUtilities::integerValue(page.value(QStringLiteral("maxResults")));
        const auto total = ZRJJSONUtilities::integerValue(page.value(QStringLiteral("total")));
        if (pageSize && total) {
            progress.pageSize = pageSize;
            progress.total = total;
        }
    }
    const std::optional<QUrl> next = nextPageURL(page);
    if (!next)
        return {};
    m_requestedURLs.insert(*next);
    return {request(*next), std::nullopt};
}

// The next page is only fetched from the gateway itself (it carries the bearer token) and never twice;
// otherwise the pages so far are the result.
std::optional<QUrl> ZRJGetProjectsPaginatedOperation::nextPageURL(const QJsonObject& page) const {
    const QJsonValue nextPage = page.value(QStringLiteral("nextPage"));
    if (!nextPage.isString())
        return std::nullopt;
    const QUrl url(nextPage.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    if (!ZRJEndpoints::isSameOrigin(url, ZRJEndpoints::apiGatewayBaseURL())) {
        Platform::SystemLog::log(QStringLiteral("not following a project page on another host: ") +
                                 url.toString());
        return std::nullopt;
    }
    if (m_requestedURLs.contains(url)) {
        Platform::SystemLog::log(QStringLiteral("project pages repeat, stopping at: ") + url.toString());
        return std::nullopt;
    }
    return url;
}
