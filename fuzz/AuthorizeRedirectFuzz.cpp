// The address the authorization server sends the sign-in window to: whether it is the redirect page of the
// callback URL and what its query brings. A code comes only with our own state, never empty, and every
// refusal says why in the log.
#include "FuzzSupport.h"
#include "UI/AuthorizeWebViewController.h"

#include <QUrl>

namespace {

const QString authState = QStringLiteral("0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0");
const QUrl callbackURL(QStringLiteral("https://www.dunwarbeck.com/atlassian/jira_oauth.html"));

void read(const QUrl& url) {
    const bool redirectPage = AuthorizeWebViewController::isRedirectPage(url, callbackURL);
    if (redirectPage)
        FuzzSupport::check(url.host() == callbackURL.host() && url.scheme() == callbackURL.scheme(),
                           "a redirect page is on the callback's scheme and host");
    const AuthorizeWebViewController::Redirect redirect = AuthorizeWebViewController::readRedirect(url, authState);
    if (redirect.code) {
        FuzzSupport::check(!redirect.code->isEmpty(), "a code to exchange is not empty");
        FuzzSupport::check(redirect.logLine.isEmpty(), "a code to exchange is not a refusal");
        FuzzSupport::check(url.query(QUrl::FullyDecoded).contains(authState), "a code comes with our state");
    } else {
        FuzzSupport::check(!redirect.logLine.isEmpty(), "a refusal says why");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read(QUrl::fromEncoded(FuzzSupport::bytes(data, size)));
    read(QUrl(FuzzSupport::text(data, size)));
    return 0;
}
