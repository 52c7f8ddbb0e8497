#include "Platform/Workspace.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QDesktopServices>

namespace Platform::Workspace {

namespace {
URLOpener& testOpener() {
    static URLOpener opener;
    return opener;
}
} // namespace

bool isWebURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

bool openURL(const QUrl& url) {
    assertMainThread();
    if (!isWebURL(url)) {
        SystemLog::log(QStringLiteral("refusing to open a non-web address: ") +
                       url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment));
        return false;
    }
    if (testOpener())
        return testOpener()(url);
    return QDesktopServices::openUrl(url);
}

URLOpener setURLOpenerForTesting(URLOpener opener) {
    return std::exchange(testOpener(), std::move(opener));
}

} // namespace Platform::Workspace
