#pragma once

#include <QUrl>

#include <functional>

namespace Platform {

/*! Opens URLs in the user's default applications (a web page in the default browser). */
class Workspace {
public:
    Workspace() = delete;

    using URLOpener = std::function<bool(const QUrl& url)>;

    /*! Hands an http or https address to the desktop's opener (xdg-open); any other is refused with a log
        line. Answers whether the URL was handed on. When the opener cannot be started or fails (no browser
        set up), an error naming the address and the opener's reason is presented, once. */
    static bool openURL(const QUrl& url);

    /*! Tests take the URLs instead of starting a browser; an empty opener restores the desktop's. */
    static void setURLOpenerForTesting(URLOpener opener);
};

} // namespace Platform
