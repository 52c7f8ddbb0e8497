#include "AuthorizeWebViewController.h"

#include "ui_AuthorizeWebViewController.h"

#include "JiraAccountManager.h"
#include "JiraResourcesManager.h"
#include "Model/JiraAccount.h"
#include "Model/JiraUser.h"

#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJOperationManager.h"

#include "ZRKit/ZRError.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/HttpSession.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Workspace.h"
#include "Platform/WebURL.h"

#include <QCloseEvent>
#include <QJsonArray>
#include <QUrlQuery>
#include <QUuid>

using Platform::WebNavigationAction;
using Platform::WebNavigationPolicy;
using Platform::WebNavigationType;

namespace {

const QString redirectPagePath = QStringLiteral("atlassian/jira_oauth.html");

QString origin(const QUrl& url) {
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    return url.scheme() + QStringLiteral("://") + url.host() + QLatin1Char(':') +
           QString::number(url.port(defaultPort));
}

/*! What a page may show inside the window besides http and https pages. */
bool isInlineContentURL(const QUrl& url) {
    static const QStringList schemes{QStringLiteral("about"), QStringLiteral("data"), QStringLiteral("blob")};
    return schemes.contains(url.scheme());
}

std::optional<QString> firstQueryItem(const QList<QPair<QString, QString>>& items, const QString& name) {
    for (const auto& [key, value] : items) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

} // namespace

AuthorizeWebViewController::AuthorizeWebViewController(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::AuthorizeWebViewController>())
    , m_authState(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()) {
    Platform::assertMainThread();
    m_ui->setupUi(this);
    windowDidLoad();
}

AuthorizeWebViewController::~AuthorizeWebViewController() = default;

Platform::WebView* AuthorizeWebViewController::webview() const {
    return m_webviewWidget != nullptr ? m_webview : nullptr;
}

void AuthorizeWebViewController::windowDidLoad() {
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &AuthorizeWebViewController::doCancel);
    m_webview = Platform::WebViews::create(m_ui->webviewContainer);
    if (m_webview == nullptr) {
        const QString reason = Platform::WebViews::errorString();
        if (!reason.isEmpty())
            m_ui->unavailableLabel->setText(m_ui->unavailableLabel->text() + QStringLiteral("\n\n") + reason);
        m_ui->unavailableLabel->setVisible(true);
    } else {
        m_webviewWidget = m_webview->widget();
        m_ui->webviewLayout->addWidget(m_webviewWidget);
        m_webview->setNavigationDecider(
            [this](const WebNavigationAction& action) { return decidePolicy(action); });
    }
    setWindowTitle(tr("Authorize Jira Account"));

    // Cookies the Jira client's answers have left are forgotten, and every window has a web view of its own
    // whose profile keeps cookies and site data in memory only and goes away with the window, so a sign-in
    // never reuses an earlier login.
    ZRJOperationManager::shared().sessionManager().removeAllCookies();
    const QUrl url = ZRJConnector::authURL(m_authState);
    if (url.isEmpty())
        return;
    m_flowOrigins.insert(origin(url));
    if (m_webview != nullptr)
        m_webview->load(url, 60);
}

void AuthorizeWebViewController::beginSheet(QWidget* parent, std::function<void(int)> ended) {
    Platform::assertMainThread();
    m_isSheet = true;
    m_sheetEnded = std::move(ended);
    setParent(parent, windowFlags() | Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    open();
}

void AuthorizeWebViewController::showFreeWindow() {
    Platform::assertMainThread();
    m_isSheet = false;
    show();
    raise();
    activateWindow();
}

void AuthorizeWebViewController::doOK() {
    if (m_isSheet)
        endSheet(1);
}

void AuthorizeWebViewController::doCancel() {
    if (m_isSheet) {
        endSheet(0);
        return;
    }
    if (m_ended)
        return;
    m_ended = true;
    hide();
    // Nothing of the sign-in needs the window any more: the chain runs on without it.
    deleteLater();
}

void AuthorizeWebViewController::endSheet(int returnCode) {
    if (m_ended)
        return;
    m_ended = true;
    done(returnCode);
    if (m_sheetEnded)
        std::exchange(m_sheetEnded, {})(returnCode);
    deleteLater();
}

void AuthorizeWebViewController::windowDidClose() {
    doCancel();
}

void AuthorizeWebViewController::closeEvent(QCloseEvent* event) {
    event->accept();
    windowDidClose();
}

void AuthorizeWebViewController::reject() {
    doCancel();
}

bool AuthorizeWebViewController::isRedirectPage(const QUrl& url, const QUrl& callbackURL) {
    return !callbackURL.host().isEmpty() && url.scheme() == callbackURL.scheme() &&
           url.host() == callbackURL.host() && origin(url) == origin(callbackURL) &&
           url.path().contains(redirectPagePath);
}

WebNavigationPolicy AuthorizeWebViewController::decidePolicy(const WebNavigationAction& action) {
    const QUrl& url = action.url;
    if (url.isEmpty())
        return WebNavigationPolicy::Allow;
    if (isRedirectPage(url, QUrl(ZRJConnector::callbackURL())))
        return decideRedirect(url);
    if (!action.isMainFrame)
        return WebNavigationPolicy::Allow;
    // Only a link the user clicked leaves the sign-in: in the default browser, and only a web page. Page
    // scripts navigate the sign-in's own pages and stay in the window.
    if (action.type == WebNavigationType::LinkActivated && action.isUserClick &&
        !m_flowOrigins.contains(origin(url))) {
        if (Platform::isWebURL(url))
            Platform::Workspace::openURL(url);
        return WebNavigationPolicy::Cancel;
    }
    if (!Platform::isWebURL(url) && !isInlineContentURL(url))
        return WebNavigationPolicy::Cancel; // never hand other schemes to the desktop from here
    if (Platform::isWebURL(url))
        m_flowOrigins.insert(origin(url));
    return WebNavigationPolicy::Allow;
}

AuthorizeWebViewController::Redirect AuthorizeWebViewController::readRedirect(const QUrl& url,
                                                                              const QString& authState) {
    if (!url.isValid() || !url.hasQuery())
        return {std::nullopt, QStringLiteral("Could not parse queryItems")};
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    const std::optional<QString> state = firstQueryItem(items, QStringLiteral("state"));
    if (!state)
        return {std::nullopt, QStringLiteral("Got no state value")};
    if (*state != authState)
        return {std::nullopt, QStringLiteral("Got wrong state value: ") +
                                  Platform::SystemLog::escaped(*state) + QStringLiteral(" != ") + authState};
    const std::optional<QString> code = firstQueryItem(items, QStringLiteral("code"));
    if (code && !code->isEmpty())
        return {code, QString()};
    // The user refused on the consent page: the server sends the state back with an error instead.
    if (const std::optional<QString> error = firstQueryItem(items, QStringLiteral("error")))
        return {std::nullopt,
                QStringLiteral("Got authorization error: ") + Platform::SystemLog::escaped(*error)};
    return {std::nullopt, QStringLiteral("Got no code value")};
}

WebNavigationPolicy AuthorizeWebViewController::decideRedirect(const QUrl& url) {
    const Redirect redirect = readRedirect(url, m_authState);
    if (!redirect.code) {
        // Nothing to exchange: the window stays for the user to close or to try again.
        Platform::SystemLog::log(redirect.logLine);
        return WebNavigationPolicy::Allow;
    }
    startGetAuthorizationCodeOperation(*redirect.code);
    return WebNavigationPolicy::Cancel;
}

void AuthorizeWebViewController::startGetAuthorizationCodeOperation(const QString& code) {
    QPointer<AuthorizeWebViewController> self(this);
    ZRJOperationManager::shared().fetchToken(code, [self](const std::optional<FetchTokenResponse>& response,
                                                          const Platform::OptionalError& error) {
        if (error) {
            Platform::presentError(*error);
            return;
        }
        if (!response) {
            Platform::presentError(ZRError::zr_errorWithLocalizedDescription(
                tr("Could not download Jira authentication token, missing response data.")));
            return;
        }
        getAccessibleResources(*response);
        if (self != nullptr)
            self->doCancel();
    });
}

void AuthorizeWebViewController::getAccessibleResources(const FetchTokenResponse& response) {
    ZRJOperationManager::shared().getAccessibleResourcesWithoutValidatingToken(
        response.accessToken(),
        [response](const std::optional<QJsonArray>& sites, const Platform::OptionalError& error) {
            if (error) {
                Platform::presentError(*error);
                return;
            }
            QStringList cloudIDs;
            for (const QJsonValue& site : sites.value_or(QJsonArray())) {
                const QJsonValue id = site.toObject().value(QStringLiteral("id"));
                if (id.isString())
                    cloudIDs.append(id.toString());
            }
            if (cloudIDs.isEmpty()) {
                Platform::SystemLog::log(QStringLiteral("no error but no resources?"));
                return;
            }
            getCurrentUserAndUpdateAccountAndResources(response, cloudIDs.first());
        });
}

void AuthorizeWebViewController::getCurrentUserAndUpdateAccountAndResources(
    const FetchTokenResponse& response, const QString& cloudID) {
    ZRJOperationManager::shared().getCurrentUser(
        response.accessToken(), cloudID,
        [response](const std::optional<QJsonObject>& json, const Platform::OptionalError& error) {
            if (error) {
                Platform::presentError(*error);
                return;
            }
            const std::optional<JiraCurrentUser> user = json ? JiraCurrentUser::create(*json) : std::nullopt;
            if (!user) {
                Platform::SystemLog::log(QStringLiteral("no error but no account ID?"));
                return;
            }
            const JiraAccount account(user->accountID(), response.accessToken(), response.refreshToken(),
                                      response.expires(), response.scope(), user->displayName(),
                                      user->emailAddress());
            Platform::OptionalError storeError;
            // The user signs in: the keychain may ask to be unlocked, or for a default keyring.
            if (!JiraAccountManager::storeAccount(account, storeError,
                                                  Platform::Keychain::Interaction::Allowed)) {
                // A keychain that refuses without saying why must not pass for a stored account.
                Platform::presentError(storeError.value_or(ZRError::zr_errorWithLocalizedDescription(
                    tr("The account could not be stored in the keychain."))));
            }
            JiraResourcesManager::startGetAccessibleResourcesOperation(
                std::make_shared<FetchTokenResponse>(response), user->accountID(),
                [](const std::optional<QList<Platform::Error>>& errors) {
                    if (!errors || errors->isEmpty())
                        return;
                    for (const Platform::Error& error : *errors)
                        Platform::SystemLog::log(QStringLiteral("error downloading accessible resources: ") +
                                                 Platform::SystemLog::escaped(error.description()));
                    Platform::presentError(errors->first());
                });
        });
}
