#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

class QWidget;

namespace Platform {

/*! How a navigation came about. */
enum class WebNavigationType {
    /*! A link was followed, by the user or by a page script (see WebNavigationAction::isUserClick). */
    LinkActivated,
    FormSubmitted,
    BackForward,
    Reload,
    /*! A server redirect within a navigation already under way. */
    Redirect,
    /*! A load the application itself asked for. */
    Typed,
    Other,
};

struct WebNavigationAction {
    QUrl url;
    WebNavigationType type = WebNavigationType::Other;
    bool isMainFrame = true;
    /*! The user clicked a link to this very URL. A page script that navigates (also from within a click
        handler of its own) is not a user click. */
    bool isUserClick = false;
    /*! The link asked for a new window; the view never opens one, so it loads in place when allowed. */
    bool wantsNewWindow = false;
};

enum class WebNavigationPolicy { Allow, Cancel };

struct WebViewOptions {
    bool javaScriptEnabled = true;
    /*! The view shows what it was first asked to load and nothing else: once that load has finished,
        every navigation is refused and handed to the refused-navigation handler instead. */
    bool firstLoadOnly = false;
};

/*! An embedded web view. Each view has a profile of its own that keeps nothing on disk, so no cookie or
    site data of one view reaches another or outlives it. The widget belongs to its parent widget; the
    WebView goes away with it. GUI thread only; every handler is called on the GUI thread. */
class WebView {
public:
    using NavigationDecider = std::function<WebNavigationPolicy(const WebNavigationAction& action)>;
    using NavigationHandler = std::function<void(const WebNavigationAction& action)>;
    using LoadFinishedHandler = std::function<void(bool ok)>;

    virtual ~WebView() = default;

    virtual QWidget* widget() = 0;

    /*! Loads the URL; when no answer has come after timeoutSeconds, the load stops and fails. */
    virtual void load(const QUrl& url, int timeoutSeconds = 60) = 0;
    /*! Shows the HTML text (UTF-8) with no base URL. */
    virtual void loadHtml(const QString& html) = 0;
    virtual void stop() = 0;
    virtual QUrl url() const = 0;

    /*! Asked for every navigation, the view's own loads excepted; without a decider everything loads. */
    virtual void setNavigationDecider(NavigationDecider decider) = 0;
    /*! Told of every navigation that the first-load-only mode refused. */
    virtual void setRefusedNavigationHandler(NavigationHandler handler) = 0;
    /*! Called when a load of the main frame ends, successful or not. */
    virtual void setLoadFinishedHandler(LoadFinishedHandler handler) = 0;

protected:
    WebView() = default;
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;
};

/*! What the web-view plugin library provides. */
class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    /*! A new view as a child widget of parent (which must not be null). */
    virtual WebView* createWebView(QWidget* parent, const WebViewOptions& options) = 0;
};

/*! The web views live in a plugin library of their own (Resources' sibling folder lib/ of the bundle),
    which is opened the first time a view is asked for: an application that never shows one never loads
    the web engine. */
class WebViews {
public:
    WebViews() = delete;

    /*! A new view, or null when the plugin cannot be loaded (errorString() tells why). */
    static WebView* create(QWidget* parent, const WebViewOptions& options = {});
    /*! Whether the plugin has been loaded in this process. */
    static bool isLoaded();
    static QString errorString();
    /*! Where the plugin library is looked for: <bundle>/lib/libCorvantideWebView.so. */
    static QString pluginPath();
};

} // namespace Platform

#define Platform_WebViewFactory_iid "com.dunwarbeck.Corvantide.WebViewFactory/1"
Q_DECLARE_INTERFACE(Platform::WebViewFactory, Platform_WebViewFactory_iid)
