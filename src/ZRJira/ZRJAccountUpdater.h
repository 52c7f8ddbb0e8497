#pragma once

#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRJAccount.h"

#include "Platform/Error.h"

#include <QString>

#include <optional>

/*! Receives the outcome of every token check before a request: a refreshed token, an error, or neither
    when the token was still valid. The client holds it without owning it; an updater that goes away
    takes itself out of the client. */
class ZRJAccountUpdater {
public:
    virtual ~ZRJAccountUpdater();

    /*! Called on the GUI thread; returns the account the client is to continue with. */
    virtual ZRJAccountPtr update(const ZRJAccountPtr& account, const QString& accountID,
                                 const std::optional<FetchTokenResponse>& response,
                                 const Platform::OptionalError& error) = 0;

protected:
    ZRJAccountUpdater() = default;
    ZRJAccountUpdater(const ZRJAccountUpdater&) = delete;
    ZRJAccountUpdater& operator=(const ZRJAccountUpdater&) = delete;
};
