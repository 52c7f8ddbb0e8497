#pragma once

#include <QString>

/*! Supplies the OAuth client settings. The connector holds it without owning it; a delegate that goes
    away takes itself out of the connector. */
class ZRJConnectorDelegate {
public:
    virtual ~ZRJConnectorDelegate();

    virtual QString clientSecret() const = 0;
    virtual QString clientID() const = 0;
    virtual QString callbackURL() const = 0;
    /*! The scope names joined by a blank. */
    virtual QString scopes() const = 0;

protected:
    ZRJConnectorDelegate() = default;
    ZRJConnectorDelegate(const ZRJConnectorDelegate&) = delete;
    ZRJConnectorDelegate& operator=(const ZRJConnectorDelegate&) = delete;
};
