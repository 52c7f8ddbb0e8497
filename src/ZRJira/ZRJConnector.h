#pragma once

#include <QString>
#include <QUrl>

class ZRJConnectorDelegate;

/*! The OAuth client configuration point: the delegate supplies the client settings, and the authorize URL
    that the sign-in sheet loads is built here. GUI thread. */
class ZRJConnector {
public:
    ZRJConnector() = delete;

    static ZRJConnectorDelegate* delegate();
    /*! Not owned; a delegate that is destroyed takes itself out. */
    static void setDelegate(ZRJConnectorDelegate* delegate);

    /*! The delegate's values; without a delegate the process stops with "no delegate set". */
    static QString clientID();
    static QString clientSecret();
    static QString callbackURL();

    /*! The authorization server's authorize page with client_id, scope, redirect_uri, state, audience,
        response_type and prompt, in that order. */
    static QUrl authURL(const QString& state);
};
