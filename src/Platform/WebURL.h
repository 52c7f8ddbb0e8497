#pragma once

#include <QUrl>

namespace Platform {

/*! True for the addresses that may leave the application for the browser or be downloaded: http and
    https with a host. */
inline bool isWebURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

} // namespace Platform
