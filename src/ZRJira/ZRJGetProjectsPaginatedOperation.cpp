#include "ZRJira/ZRJGetProjectsPaginatedOperation.h"

#include "ZRJira/ZRJEndpoints.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include "Platform/SystemLog.h"

#include <QCoreApplication>

void ZRJGetProjectsPaginatedOperation::getProjectsPaginated(const QString& accessToken,
                                                            const QString& cloudID,
                                                            JSONArrayCompletion completion) {
    m_accessToken = accessToken;
    m_cloudID = cloudID;
    m_responses = QJsonArray();
    m_requestedURLs.clear();
    m_progress = ZRJOperationProgress();
    getAllProjectsRecursive(url(QStringLiteral("/project/search")), std::move(completion));
}

void ZRJGetProjectsPaginatedOperation::getAllProjectsRecursive(const QUrl& url,
                                                               JSONArrayCompletion completion) {
    m_requestedURLs.insert(url);
    const std::weak_ptr<ZRJOperation> weakSelf = weak_from_this();
    startDataTask(request(url), [weakSelf, completion](const auto&, const QJsonValue& object,
                                                       const Platform::OptionalError& error) {
        const auto self = std::static_pointer_cast<ZRJGetProjectsPaginatedOperation>(weakSelf.lock());
        if (error) {
            completion(std::nullopt, error);
            return;
        }
        if (!object.isObject()) {
            completion(std::nullopt,
                       wrongResponseType(object, QCoreApplication::translate(
                                                     "ZRJOperation", "Could not download Jira projects.")));
            return;
        }
        const QJsonObject page = object.toObject();
        if (!self) {
            completion(std::nullopt, std::nullopt);
            return;
        }
        self->m_responses.append(page);
        ZRJOperationProgress& progress = *self->m_progress;
        if (!(progress.pageSize && progress.total) && !page.isEmpty()) {
            const auto pageSize = ZRJJSONUtilities::integerValue(page.value(QStringLiteral("maxResults")));
            const auto total = ZRJJSONUtilities::integerValue(page.value(QStringLiteral("total")));
            if (pageSize && total) {
                progress.pageSize = pageSize;
                progress.total = total;
            }
        }
        if (const std::optional<QUrl> next = self->nextPageURL(page)) {
            self->getAllProjectsRecursive(*next, completion);
            return;
        }
        completion(self->m_responses, std::nullopt);
    });
    if (m_progress && dataTask())
        m_progress->addChildForOnePage(dataTask()->progress());
}

// The next page is only fetched from the gateway itself (it carries the bearer token), never twice, and
// never beyond the page limit; otherwise the pages so far are the result.
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
    if (m_responses.size() >= MaximumPages) {
        Platform::SystemLog::log(QStringLiteral("project search stopped after %1 pages").arg(MaximumPages));
        return std::nullopt;
    }
    return url;
}
