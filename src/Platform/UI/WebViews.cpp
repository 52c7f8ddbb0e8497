#include "Platform/UI/WebView.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QCoreApplication>
#include <QPluginLoader>

#include <unistd.h>

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

/*! Qt WebEngine ends the whole process when it starts as root with its sandbox on (a container, a fresh
    virtual machine), so there the plugin is opened only once the sandbox is switched off. */
bool engineWouldEndTheProcess() {
    if (geteuid() != 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return false;
    const QString noSandbox = QStringLiteral("--no-sandbox");
    return !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").split(u' ').contains(noSandbox) &&
           !QCoreApplication::arguments().contains(noSandbox);
}

WebViewFactory* factory() {
    PluginState& plugin = state();
    if (plugin.tried)
        return plugin.factory;
    if (engineWouldEndTheProcess()) {
        // Not remembered: the plugin may still be opened once the sandbox is off.
        plugin.error = QCoreApplication::translate(
            "WebViews", "Qt WebEngine does not run as root with its sandbox on. Start Corvantide as a normal "
                        "user, or with the environment variable QTWEBENGINE_DISABLE_SANDBOX=1.");
        SystemLog::log(QStringLiteral("could not load the web view: ") + plugin.error);
        return nullptr;
    }
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
