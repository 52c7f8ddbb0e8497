#include "WebEngineWebView.h"

#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace Platform {

namespace {

/* Qt WebEngine reports a navigation that a page script starts (location.assign, a form's script, a click
   handler of the page) as a followed link, just like a click of the user on a link. This script, in a
   world of its own that the page's scripts cannot reach, remembers the link of the last real click
   (isTrusted: made by the user, not dispatched by a script), so that the view can ask afterwards. */
const char* const clickWatcherSource = R"JS(
(function () {
    var lastClickedLink = null;
    window.addEventListener('click', function (event) {
        if (!event.isTrusted)
            return;
        var node = event.target;
        while (node && !((node.localName === 'a' || node.localName === 'area') && node.href))
            node = node.parentNode;
        lastClickedLink = node ? String(node.href) : null;
    }, true);
    window.__takeLastClickedLink = function () {
        var link = lastClickedLink;
        lastClickedLink = null;
        return link;
    };
})();
)JS";

WebNavigationType navigationType(int type) {
    switch (static_cast<QWebEnginePage::NavigationType>(type)) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return WebNavigationType::LinkActivated;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return WebNavigationType::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return WebNavigationType::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return WebNavigationType::Reload;
    case QWebEnginePage::NavigationTypeRedirect:
        return WebNavigationType::Redirect;
    case QWebEnginePage::NavigationTypeTyped:
        return WebNavigationType::Typed;
    case QWebEnginePage::NavigationTypeOther:
        break;
    }
    return WebNavigationType::Other;
}

} // namespace

class WebEngineWebView::Page final : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, WebEngineWebView* view)
        : QWebEnginePage(profile)
        , m_view(view) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return m_view->acceptNavigation(url, type, isMainFrame);
    }

private:
    WebEngineWebView* m_view;
};

WebEngineWebView::WebEngineWebView(QWidget* parent, const WebViewOptions& options)
    : QWebEngineView(parent)
    , m_options(options)
    // A profile without a storage name keeps cookies, caches and site data in memory only.
    , m_profile(new QWebEngineProfile()) {
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_page = new Page(m_profile, this);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, options.javaScriptEnabled);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Addresses of other schemes (mail, custom application links) are never handed to the desktop by the
    // engine itself; only what the application decides leaves the view.
    m_page->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);

    QWebEngineScript watcher;
    watcher.setName(QStringLiteral("click-watcher"));
    watcher.setSourceCode(QString::fromUtf8(clickWatcherSource));
    watcher.setInjectionPoint(QWebEngineScript::DocumentCreation);
    watcher.setWorldId(QWebEngineScript::ApplicationWorld);
    watcher.setRunsOnSubFrames(false);
    m_page->scripts().insert(watcher);

    setPage(m_page);
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        // A navigation refused here ends as a failed load of its own; it is no load of the page.
        if (m_refusedURLs.removeOne(info.url()))
            return;
        handleLoadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    connect(m_page, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        WebNavigationAction action;
        action.url = request.requestedUrl();
        action.type = WebNavigationType::LinkActivated;
        action.wantsNewWindow = true;
        decideAfterAskingForClick(action);
    });
    m_loadTimeout.setSingleShot(true);
    connect(&m_loadTimeout, &QTimer::timeout, this, [this] { QWebEngineView::stop(); });
}

WebEngineWebView::~WebEngineWebView() {
    // The page must go before its profile, and both before the view.
    m_loadTimeout.stop();
    delete m_page;
    delete m_profile;
}

void WebEngineWebView::load(const QUrl& url, int timeoutSeconds) {
    m_loadTimeout.start(std::max(1, timeoutSeconds) * 1000);
    loadOwn(url);
}

void WebEngineWebView::loadOwn(const QUrl& url) {
    QWebEngineView::load(url);
}

void WebEngineWebView::loadHtml(const QString& html) {
    m_page->setHtml(html, QUrl());
}

void WebEngineWebView::stop() {
    m_loadTimeout.stop();
    QWebEngineView::stop();
}

QUrl WebEngineWebView::url() const {
    return QWebEngineView::url();
}

bool WebEngineWebView::acceptNavigation(const QUrl& url, int type, bool isMainFrame) {
    const bool accepted = decideNavigation(url, type, isMainFrame);
    if (!accepted && isMainFrame) {
        m_refusedURLs.append(url);
        // Should the engine not report the end of some refused navigation, the list still stays short.
        if (m_refusedURLs.size() > 16)
            m_refusedURLs.removeFirst();
    }
    return accepted;
}

bool WebEngineWebView::decideNavigation(const QUrl& url, int type, bool isMainFrame) {
    // The view's own loads (load(), loadHtml()) arrive as typed navigations.
    if (type == QWebEnginePage::NavigationTypeTyped)
        return !m_options.firstLoadOnly || !m_firstLoadDone;
    WebNavigationAction action;
    action.url = url;
    action.type = navigationType(type);
    action.isMainFrame = isMainFrame;
    if (m_options.firstLoadOnly && m_firstLoadDone) {
        if (m_refused)
            m_refused(action);
        return false;
    }
    if (action.type == WebNavigationType::LinkActivated && isMainFrame) {
        // Whether the user clicked this link is known only to the page: hold the navigation, ask, and
        // start it again ourselves if it is to go ahead.
        decideAfterAskingForClick(action);
        return false;
    }
    return decide(action) == WebNavigationPolicy::Allow;
}

void WebEngineWebView::decideAfterAskingForClick(WebNavigationAction action) {
    if (m_options.firstLoadOnly && m_firstLoadDone) {
        if (m_refused)
            m_refused(action);
        return;
    }
    QPointer<WebEngineWebView> self(this);
    m_page->runJavaScript(
        QStringLiteral("window.__takeLastClickedLink ? window.__takeLastClickedLink() : null"),
        QWebEngineScript::ApplicationWorld, [self, action](const QVariant& link) mutable {
            if (self == nullptr)
                return;
            action.isUserClick = link.typeId() == QMetaType::QString && QUrl(link.toString()) == action.url;
            if (self->decide(action) == WebNavigationPolicy::Allow)
                self->loadOwn(action.url);
        });
}

WebNavigationPolicy WebEngineWebView::decide(const WebNavigationAction& action) {
    return m_decider ? m_decider(action) : WebNavigationPolicy::Allow;
}

void WebEngineWebView::handleLoadFinished(bool ok) {
    m_loadTimeout.stop();
    m_firstLoadDone = true;
    if (m_loadFinished)
        m_loadFinished(ok);
}

} // namespace Platform
