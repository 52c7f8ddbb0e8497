// The plugin library's entry: the application opens it the first time it shows a web view.
#include "WebEngineWebView.h"

#include <QObject>

namespace Platform {

class WebEngineWebViewPlugin final : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID Platform_WebViewFactory_iid)
    Q_INTERFACES(Platform::WebViewFactory)

public:
    WebView* createWebView(QWidget* parent, const WebViewOptions& options) override {
        return new WebEngineWebView(parent, options);
    }
};

} // namespace Platform

#include "WebEngineWebViewPlugin.moc"
