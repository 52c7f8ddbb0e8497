#include "ZRJira/ZRJPagedOperation.h"

#include "Platform/SystemLog.h"

void ZRJPagedOperation::requestPages(const Platform::HttpRequest& first, const QString& name,
                                     int maximumPages, const QString& errorText, PagingDone done) {
    m_receivedPages = 0;
    requestPage(first,
                std::make_shared<const Paging>(Paging{name, maximumPages, errorText, std::move(done)}));
}

void ZRJPagedOperation::requestPage(const Platform::HttpRequest& request,
                                    const std::shared_ptr<const Paging>& paging) {
    const std::weak_ptr<ZRJOperation> weakSelf = weak_from_this();
    startDataTask(request, [weakSelf, paging](const auto&, const QJsonValue& object,
                                              const Platform::OptionalError& error) {
        const auto self = std::static_pointer_cast<ZRJPagedOperation>(weakSelf.lock());
        if (error) {
            paging->done(self, error);
            return;
        }
        if (!object.isObject()) {
            paging->done(self, wrongResponseType(object, paging->errorText));
            return;
        }
        if (!self) {
            paging->done(nullptr, std::nullopt);
            return;
        }
        ++self->m_receivedPages;
        const PageResult result = self->readPage(object.toObject());
        if (result.error || !result.next) {
            paging->done(self, result.error);
            return;
        }
        if (self->m_receivedPages >= paging->maximumPages) {
            Platform::SystemLog::log(
                QStringLiteral("%1 stopped after %2 pages").arg(paging->name).arg(paging->maximumPages));
            paging->done(self, std::nullopt);
            return;
        }
        self->requestPage(*result.next, paging);
    });
    // Only the project search keeps progress; a page whose request could not be formed adds nothing.
    if (m_progress && dataTask())
        m_progress->addChildForOnePage(dataTask()->progress());
}
