#pragma once

#include "ZRJira/ZRJOperation.h"

/*! The one paging loop of the Jira client: pages are requested one after the other, each answer must be
    a JSON object, the subclass reads each page and names the next request, and the paging ends after the
    last page, on the first error, or at the page limit. */
class ZRJPagedOperation : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;

protected:
    /*! What one page told: the request of the next page (nothing after the last), or an error that ends
        the paging. */
    struct PageResult {
        std::optional<Platform::HttpRequest> next;
        Platform::OptionalError error;
    };
    /*! Runs once when the paging has ended, with its error or none. `self` is null when the operation
        was let go while a page was on its way. */
    using PagingDone = std::function<void(const std::shared_ptr<ZRJPagedOperation>& self,
                                          const Platform::OptionalError& error)>;

    /*! Starts with the first page's request. A page that is no JSON object ends the paging with the
        wrong-type error of `errorText`; after `maximumPages` pages the paging ends as after a last page
        (logged as "<name> stopped after <n> pages"). The handlers hold the operation weakly. */
    void requestPages(const Platform::HttpRequest& first, const QString& name, int maximumPages,
                      const QString& errorText, PagingDone done);
    /*! Reads one page (only called while the operation exists). */
    virtual PageResult readPage(const QJsonObject& page) = 0;

    int receivedPageCount() const { return m_receivedPages; }

private:
    struct Paging {
        QString name;
        int maximumPages;
        QString errorText;
        PagingDone done;
    };
    void requestPage(const Platform::HttpRequest& request, const std::shared_ptr<const Paging>& paging);

    int m_receivedPages = 0;
};
