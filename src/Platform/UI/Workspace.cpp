#include "Platform/UI/Workspace.h"

#include "Platform/SystemLog.h"
#include "Platform/WebURL.h"

#include <QDesktopServices>

namespace Platform {

namespace {

Workspace::URLOpener& testOpener() {
    static Workspace::URLOpener opener;
    return opener;
}

} // namespace

bool Workspace::openURL(const QUrl& url) {
    // Only web pages leave the application: a file, script or custom-scheme address is never opened.
    if (!isWebURL(url)) {
        SystemLog::log(QStringLiteral("refusing to open a non-web address: ") +
                       url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment));
        return false;
    }
    if (testOpener())
        return testOpener()(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::setURLOpenerForTesting(URLOpener opener) {
    testOpener() = std::move(opener);
}

} // namespace Platform
