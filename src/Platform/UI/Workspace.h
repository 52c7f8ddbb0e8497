#pragma once

#include <QUrl>

#include <functional>

namespace Platform {

/*! Opens URLs in the user's default applications (a web page in the default browser). */
class Workspace {
public:
    Workspace() = delete;

    using URLOpener = std::function<bool(const QUrl& url)>;

    /*! Hands an http or https address on; any other is refused with a log line. Answers whether the URL
        was handed on. */
    static bool openURL(const QUrl& url);

    /*! Tests take the URLs instead of starting a browser; an empty opener restores the desktop's. */
    static void setURLOpenerForTesting(URLOpener opener);
};

} // namespace Platform
