#include "JiraStandIn.h"

// Faults of the issue search's token paging, applied to a page as the search built it.
void JiraStandIn::applyIssuePagingFault(QJsonObject& page, int offset, int pageSize) {
    const auto token = [](int pageOffset, const QByteArray& salt) {
        return QString::fromLatin1(
            ("offset:" + QByteArray::number(pageOffset) + salt).toBase64(QByteArray::Base64UrlEncoding));
    };
    switch (issuePagingFault) {
    case PagingFault::None:
        return;
    case PagingFault::WrongType:
        if (offset > 0)
            page.insert(QStringLiteral("issues"),
                        QJsonObject{{QStringLiteral("issues"), page.value(QStringLiteral("issues"))}});
        return;
    case PagingFault::RepeatedToken:
        if (page.contains(QStringLiteral("nextPageToken")) || offset > 0) {
            page.insert(QStringLiteral("nextPageToken"), token(pageSize, {}));
            page.insert(QStringLiteral("isLast"), false);
        }
        return;
    case PagingFault::EndlessPages:
        page.insert(QStringLiteral("nextPageToken"), token(offset + pageSize, {}));
        page.insert(QStringLiteral("isLast"), false);
        return;
    case PagingFault::PagesServedTwice: {
        // Pages 0, 0, 1, 1, ...: the token of a page's first serving points at the same page again.
        const int serving = ++m_issuePageServings;
        if (page.value(QStringLiteral("isLast")).toBool() && serving % 2 == 0)
            return;
        const bool firstServing = serving % 2 == 1;
        page.insert(QStringLiteral("nextPageToken"),
                    token(firstServing ? offset : offset + pageSize, ":" + QByteArray::number(serving)));
        page.insert(QStringLiteral("isLast"), false);
        return;
    }
    }
}

void JiraStandIn::setCutAfterHandling(const QString& pathPattern, int times) {
    m_cutsAfterHandling.append({QRegularExpression(pathPattern), times});
}

void JiraStandIn::applyAfterHandlingFaults(const Request& request, Reply& reply) {
    for (auto& [pattern, remaining] : m_cutsAfterHandling) {
        if (remaining == 0 || !pattern.match(request.path).hasMatch())
            continue;
        if (remaining > 0)
            --remaining;
        reply.truncate = true;
        return;
    }
}

bool JiraStandIn::isWithinReuseWindow(const QString& refreshToken) const {
    const auto spent = m_refreshTokenSpentAt.constFind(refreshToken);
    return refreshTokenReuseWindowSeconds > 0 && spent != m_refreshTokenSpentAt.constEnd() &&
           spent->secsTo(QDateTime::currentDateTimeUtc()) < refreshTokenReuseWindowSeconds;
}
