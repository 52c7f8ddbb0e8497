#pragma once

#include <QUrl>

#include <functional>

namespace Platform {

/*! Opening addresses in the user's default browser. */
namespace Workspace {

/*! True for the addresses that may leave the application for the browser: http and https with a host. */
bool isWebURL(const QUrl& url);

/*! Hands an http or https address to the user's default browser; any other address is refused with a
    log line. Answers whether it was handed on. Main thread only. */
bool openURL(const QUrl& url);

/*! Makes every later openURL call the opener instead of the browser (tests); an empty function restores
    the browser. Answers the opener it replaces. */
using URLOpener = std::function<bool(const QUrl& url)>;
URLOpener setURLOpenerForTesting(URLOpener opener);

} // namespace Workspace

} // namespace Platform
