#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

/*! What the Jira client needs of an account: its OAuth tokens, when the access token expires and the
    granted scopes. The application's accounts and the client's own token answer provide it. */
class ZRJAccount {
public:
    virtual ~ZRJAccount() = default;

    virtual QString accessToken() const = 0;
    virtual QString refreshToken() const = 0;
    virtual QDateTime expires() const = 0;
    virtual QString scope() const = 0;

protected:
    ZRJAccount() = default;
    ZRJAccount(const ZRJAccount&) = default;
    ZRJAccount& operator=(const ZRJAccount&) = default;
};

/*! Accounts travel through the client's asynchronous calls as shared, immutable values. */
using ZRJAccountPtr = std::shared_ptr<const ZRJAccount>;
