#include "Platform/UI/WebView.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QPluginLoader>

namespace Platform {

namespace {

struct PluginState {
    QPluginLoader loader;
    WebViewFactory* factory = nullptr;
    bool tried = false;
    QString error;
};

PluginState& state() {
    static PluginState pluginState;
    return pluginState;
}

WebViewFactory* factory() {
    PluginState& plugin = state();
    if (plugin.tried)
        return plugin.factory;
    plugin.tried = true;
    plugin.loader.setFileName(WebViews::pluginPath());
    QObject* instance = plugin.loader.instance();
    if (instance == nullptr) {
        plugin.error = plugin.loader.errorString();
    } else {
        plugin.factory = qobject_cast<WebViewFactory*>(instance);
        if (plugin.factory == nullptr)
            plugin.error = QStringLiteral("%1 is not a web-view plugin").arg(plugin.loader.fileName());
    }
    if (plugin.factory == nullptr)
        SystemLog::log(QStringLiteral("could not load the web view: ") + plugin.error);
    return plugin.factory;
}

} // namespace

WebView* WebViews::create(QWidget* parent, const WebViewOptions& options) {
    assertMainThread();
    parameterAssert(parent != nullptr, "parent != nullptr");
    WebViewFactory* plugin = factory();
    return plugin != nullptr ? plugin->createWebView(parent, options) : nullptr;
}

bool WebViews::isLoaded() {
    return state().factory != nullptr;
}

QString WebViews::errorString() {
    return state().error;
}

QString WebViews::pluginPath() {
    return Bundle::mainBundle().bundlePath() + QStringLiteral("/lib/libCorvantideWebView.so");
}

} // namespace Platform
