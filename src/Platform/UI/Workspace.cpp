#include "Platform/UI/Workspace.h"

#include <QDesktopServices>

namespace Platform {

namespace {

Workspace::URLOpener& testOpener() {
    static Workspace::URLOpener opener;
    return opener;
}

} // namespace

bool Workspace::openURL(const QUrl& url) {
    if (testOpener())
        return testOpener()(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::setURLOpenerForTesting(URLOpener opener) {
    testOpener() = std::move(opener);
}

} // namespace Platform
