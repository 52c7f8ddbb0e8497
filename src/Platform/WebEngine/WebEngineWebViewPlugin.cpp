// The plugin library's entry: the application opens it the first time it shows a web view.
#include "WebEngineWebView.h"

#include <QCoreApplication>
#include <QObject>
#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
// Qt's own setter of the context that every OpenGL context of the application shares with (what
// Qt::AA_ShareOpenGLContexts has QGuiApplication make at its start).
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace Platform {

namespace {

/*! Qt WebEngine draws through OpenGL contexts shared with a global one, which an application asks for
    before it starts. The tray application does not (the driver would stay resident all day), so the
    context is made here, once, before the engine first starts. Without it the engine dereferences the
    missing context on a real display and the process crashes. Where OpenGL cannot be had, the context
    stays invalid and the engine draws in software. */
void prepareSharedGraphics() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    if (QOpenGLContext::globalShareContext() == nullptr) {
        // Lives as long as the application, as the one QGuiApplication would have made.
        auto* context = new QOpenGLContext(QCoreApplication::instance());
        context->create();
        qt_gl_set_global_share_context(context);
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
}

} // namespace

class WebEngineWebViewPlugin final : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID Platform_WebViewFactory_iid)
    Q_INTERFACES(Platform::WebViewFactory)

public:
    WebView* createWebView(QWidget* parent, const WebViewOptions& options) override {
        prepareSharedGraphics();
        return new WebEngineWebView(parent, options);
    }
};

} // namespace Platform

#include "WebEngineWebViewPlugin.moc"
