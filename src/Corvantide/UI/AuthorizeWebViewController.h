#pragma once

#include "Platform/UI/WebView.h"

#include <QDialog>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class FetchTokenResponse;

namespace Ui {
class AuthorizeWebViewController;
}

/*! The sign-in window: the authorization server's pages in a web view of their own (no cookie or site
    data of an earlier sign-in reaches it), the redirect to the application's redirect page caught and
    its code exchanged for tokens; then, with the window closed, the account's first site and its user
    are looked up, the account is stored and its sites are downloaded. Shown as a sheet on another window
    or as a free window; it deletes itself once it has been closed. GUI thread only. */
class AuthorizeWebViewController final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AuthorizeWebViewController)

public:
    /*! Loads the window from its interface file and starts loading the authorize page. */
    explicit AuthorizeWebViewController(QWidget* parent = nullptr);
    ~AuthorizeWebViewController() override;

    /*! The state value sent with the authorize request and expected back with the redirect: a new UUID,
        upper-case hexadecimal with hyphens. */
    const QString& authState() const { return m_authState; }
    /*! The view that shows the sign-in pages; null when the web view could not be loaded. */
    Platform::WebView* webview() const;

    /*! Shows the window as a sheet of parent (window-modal); ended is called once when the sheet ends,
        with its return code. */
    void beginSheet(QWidget* parent, std::function<void(int returnCode)> ended = {});
    /*! Shows the window as a free window, in front and key also while the application is inactive. */
    void showFreeWindow();
    bool isSheet() const { return m_isSheet; }

    /*! Whether the URL is the redirect page of the configured callback URL: its scheme, host and port,
        and a path that contains "atlassian/jira_oauth.html". */
    static bool isRedirectPage(const QUrl& url, const QUrl& callbackURL);

    /*! What a redirect to the redirect page brings: the code to exchange when the state is ours, or the
        line for the system log that says why there is none. */
    struct Redirect {
        std::optional<QString> code;
        QString logLine;
    };
    static Redirect readRedirect(const QUrl& url, const QString& authState);

public Q_SLOTS:
    void doOK();
    void doCancel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void windowDidClose();
    void reject() override;
    void endSheet(int returnCode);
    Platform::WebNavigationPolicy decidePolicy(const Platform::WebNavigationAction& action);
    Platform::WebNavigationPolicy decideRedirect(const QUrl& url);
    void startGetAuthorizationCodeOperation(const QString& code);
    static void getAccessibleResources(const FetchTokenResponse& response);
    static void getCurrentUserAndUpdateAccountAndResources(const FetchTokenResponse& response,
                                                           const QString& cloudID);

    std::unique_ptr<Ui::AuthorizeWebViewController> m_ui;
    QPointer<QWidget> m_webviewWidget;
    Platform::WebView* m_webview = nullptr;
    QString m_authState;
    /*! Origins of the pages the sign-in has shown or been sent to; links among them stay in the window. */
    QSet<QString> m_flowOrigins;
    bool m_isSheet = false;
    bool m_ended = false;
    std::function<void(int)> m_sheetEnded;
};
