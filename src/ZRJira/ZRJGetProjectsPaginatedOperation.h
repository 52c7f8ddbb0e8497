#pragma once

#include "ZRJira/ZRJPagedOperation.h"

#include <QSet>

/*! Every page of a site's project search, following each page's "nextPage" on the gateway. The result
    is the list of page objects in the order received. A page whose "values" is there but no array ends
    the search with an error. */
class ZRJGetProjectsPaginatedOperation final : public ZRJPagedOperation {
public:
    /*! Paging stops after this many pages, whatever the server says. */
    static constexpr int MaximumPages = 1000;

    using ZRJPagedOperation::ZRJPagedOperation;

    void getProjectsPaginated(const QString& accessToken, const QString& cloudID,
                              JSONArrayCompletion completion);

    const QJsonArray& responses() const { return m_responses; }

private:
    PageResult readPage(const QJsonObject& page) override;
    std::optional<QUrl> nextPageURL(const QJsonObject& page) const;

    QJsonArray m_responses;
    QSet<QUrl> m_requestedURLs;
};
