#pragma once

#include "Platform/UI/WebView.h"

#include <QTimer>
#include <QWebEngineView>

class QWebEngineProfile;

namespace Platform {

/*! The web view on Qt WebEngine, with a profile of its own that keeps everything in memory and goes
    away with the view. */
class WebEngineWebView final : public QWebEngineView, public WebView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineWebView)

public:
    WebEngineWebView(QWidget* parent, const WebViewOptions& options);
    ~WebEngineWebView() override;

    QWidget* widget() override { return this; }
    void load(const QUrl& url, int timeoutSeconds = 60) override;
    void loadHtml(const QString& html) override;
    void stop() override;
    QUrl url() const override;
    void setNavigationDecider(NavigationDecider decider) override { m_decider = std::move(decider); }
    void setRefusedNavigationHandler(NavigationHandler handler) override { m_refused = std::move(handler); }
    void setLoadFinishedHandler(LoadFinishedHandler handler) override { m_loadFinished = std::move(handler); }

private:
    class Page;

    bool acceptNavigation(const QUrl& url, int type, bool isMainFrame);
    bool decideNavigation(const QUrl& url, int type, bool isMainFrame);
    void decideAfterAskingForClick(WebNavigationAction action);
    WebNavigationPolicy decide(const WebNavigationAction& action);
    void loadOwn(const QUrl& url);
    void handleLoadFinished(bool ok);

    WebViewOptions m_options;
    QWebEngineProfile* m_profile = nullptr;
    Page* m_page = nullptr;
    NavigationDecider m_decider;
    NavigationHandler m_refused;
    LoadFinishedHandler m_loadFinished;
    QTimer m_loadTimeout;
    QList<QUrl> m_refusedURLs;
    bool m_firstLoadDone = false;
};

} // namespace Platform
