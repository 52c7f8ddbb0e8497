#pragma once

#include "ZRJira/ZRJOperation.h"

#include <QSet>

/*! Every page of a site's project search, following each page's "nextPage" on the gateway. The result
    is the list of page objects in the order received. */
class ZRJGetProjectsPaginatedOperation final : public ZRJOperation {
public:
    /*! Paging stops after this many pages, whatever the server says. */
    static constexpr int MaximumPages = 1000;

    using ZRJOperation::ZRJOperation;

    void getProjectsPaginated(const QString& accessToken, const QString& cloudID,
                              JSONArrayCompletion completion);

    const QJsonArray& responses() const { return m_responses; }

private:
    void getAllProjectsRecursive(const QUrl& url, JSONArrayCompletion completion);
    std::optional<QUrl> nextPageURL(const QJsonObject& page) const;

    QJsonArray m_responses;
    QSet<QUrl> m_requestedURLs;
};
