#include "UI/AuthorizeWebViewController.h"

#include "JiraAccountManager.h"
#include "KeychainAccess.h"
#include "PrivateKeyring.h"
#include "WebEngineTestUtils.h"
#include "ZRJira/JiraStandInFixture.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Workspace.h"

#include <QJsonArray>
#include <QPointer>
#include <QUuid>
#include <QWebEngineView>

#include <memory>

namespace {

using TestUtils::evaluate;

class SignInTest : public JiraStandInTest {
protected:
    void SetUp() override {
        JiraStandInTest::SetUp();
        // The callback is on the stand-in, so a fetch of the redirect page would show in its record.
        standIn.redirectURI = standIn.baseUrl().toString() + QStringLiteral("/atlassian/jira_oauth.html");
        accountID = QStringLiteral("acct-") + QUuid::createUuid().toString(QUuid::Id128);
        standIn.currentUser()[QStringLiteral("accountId")] = accountID;
        Platform::Workspace::setURLOpenerForTesting([this](const QUrl& url) {
            openedURLs.append(url);
            return true;
        });
        previousPresenter =
            Platform::setErrorPresenter([this](const Platform::Error& error) { presented.append(error); });
    }

    void TearDown() override {
        delete controller.data();
        Platform::setErrorPresenter(previousPresenter);
        Platform::Workspace::setURLOpenerForTesting({});
        KeychainAccess::removeEntry(accountID);
        JiraStandInTest::TearDown();
    }

    AuthorizeWebViewController* open() {
        controller = new AuthorizeWebViewController();
        controller->showFreeWindow();
        return controller;
    }

    QWebEngineView* view() const {
        return controller != nullptr && controller->webview() != nullptr
                   ? qobject_cast<QWebEngineView*>(controller->webview()->widget())
                   : nullptr;
    }

    /*! Waits for the page with that title to have loaded whole. */
    bool waitForTitle(const QString& title) {
        return TestUtils::waitUntil([&] { return view() != nullptr && view()->title() == title; }, 30000) &&
               TestUtils::waitUntil([&] {
                   return evaluate(view(), QStringLiteral("document.readyState")).toString() ==
                          QLatin1String("complete");
               });
    }

    QPoint centreOf(const QString& elementID) {
        const QVariantList centre =
            evaluate(view(), QStringLiteral("(function () { var r = document.getElementById('%1')"
                                            ".getBoundingClientRect(); return [r.left + r.width / 2, "
                                            "r.top + r.height / 2]; })()")
                                 .arg(elementID))
                .toList();
        EXPECT_EQ(centre.size(), 2);
        return centre.size() == 2 ? QPoint(centre[0].toInt(), centre[1].toInt()) : QPoint();
    }

    /*! A real click of the user, through the window system, in the middle of the element (clicks on the
        page's heading first, until the page takes input). */
    void click(const QString& elementID) {
        TestUtils::clickWhenThePageTakesInput(view(), centreOf(QStringLiteral("heading")),
                                              centreOf(elementID));
    }

    void redirectAuthorizeTo(const QString& query) {
        JiraStandIn::Reply reply = JiraStandIn::Reply::text("<html></html>", "text/html", 302);
        reply.headers.append({"Location", (standIn.redirectURI + QLatin1Char('?') + query).toUtf8()});
        standIn.setOverride(QStringLiteral("^/authorize$"), reply);
    }

    qsizetype tokenRequests() const { return standIn.requests(QStringLiteral("^/oauth/token$")).size(); }

    QString accountID;
    QPointer<AuthorizeWebViewController> controller;
    QList<QUrl> openedURLs;
    QList<Platform::Error> presented;
    Platform::ErrorPresenter previousPresenter;
};

} // namespace

TEST(RedirectPage, OnlyTheCallbacksOwnSchemeHostAndPortWithTheRedirectPath) {
    const QUrl callback(QStringLiteral("https://www.dunwarbeck.com/atlassian/jira_oauth.html"));
    const auto redirect = [&](const char* url) {
        return AuthorizeWebViewController::isRedirectPage(QUrl(QString::fromLatin1(url)), callback);
    };
    EXPECT_TRUE(redirect("https://www.dunwarbeck.com/atlassian/jira_oauth.html?code=1&state=2"));
    EXPECT_TRUE(redirect("https://www.dunwarbeck.com:443/de/atlassian/jira_oauth.html"));
    EXPECT_FALSE(redirect("http://www.dunwarbeck.com/atlassian/jira_oauth.html?code=1&state=2"));
    EXPECT_FALSE(redirect("https://www.dunwarbeck.com:8443/atlassian/jira_oauth.html?code=1"));
    EXPECT_FALSE(redirect("https://dunwarbeck.com/atlassian/jira_oauth.html?code=1"));
    EXPECT_FALSE(redirect("https://www.dunwarbeck.com.evil.example/atlassian/jira_oauth.html?code=1"));
    EXPECT_FALSE(redirect("https://www.dunwarbeck.com/atlassian/other.html?code=1"));
    EXPECT_FALSE(AuthorizeWebViewController::isRedirectPage(
        QUrl(QStringLiteral("https://www.dunwarbeck.com/atlassian/jira_oauth.html")), QUrl()));
}

TEST(RedirectPage, ACodeIsExchangedOnlyWithOurStateAndEveryRefusalSaysWhy) {
    const QString state = QStringLiteral("0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0");
    const auto read = [&](const QString& query) {
        return AuthorizeWebViewController::readRedirect(
            QUrl(QStringLiteral("https://www.dunwarbeck.com/atlassian/jira_oauth.html") + query), state);
    };
    const auto redirect = read(QStringLiteral("?code=first&code=second&state=") + state);
    EXPECT_EQ(redirect.code, QStringLiteral("first"));
    EXPECT_TRUE(redirect.logLine.isEmpty());
    EXPECT_EQ(read(QStringLiteral("?code=c%2Fd&state=") + state).code, QStringLiteral("c/d"));
    // The first state item counts; the state is compared exactly, case included.
    EXPECT_EQ(read(QStringLiteral("?state=other&state=") + state + QStringLiteral("&code=c")).logLine,
              QStringLiteral("Got wrong state value: other != ") + state);
    EXPECT_EQ(read(QStringLiteral("?code=c&state=") + state.toLower()).logLine,
              QStringLiteral("Got wrong state value: ") + state.toLower() + QStringLiteral(" != ") + state);
    EXPECT_EQ(read(QStringLiteral("?code=c&state")).logLine,
              QStringLiteral("Got wrong state value:  != ") + state);
    EXPECT_EQ(read(QStringLiteral("?code=c")).logLine, QStringLiteral("Got no state value"));
    EXPECT_EQ(read(QString()).logLine, QStringLiteral("Could not parse queryItems"));
    EXPECT_EQ(read(QStringLiteral("?state=") + state + QStringLiteral("&code=")).logLine,
              QStringLiteral("Got no code value"));
    const auto refused = read(QStringLiteral("?error=access_denied&state=") + state);
    EXPECT_FALSE(refused.code.has_value());
    EXPECT_EQ(refused.logLine, QStringLiteral("Got authorization error: access_denied"));
    // A crafted redirect writes no lines of its own into the log.
    EXPECT_EQ(read(QStringLiteral("?code=c&state=x%0D%0AFake%E2%80%A8line%1B")).logLine,
              QStringLiteral("Got wrong state value: x\\r\\nFake\\u2028line\\x1b != ") + state);
    EXPECT_EQ(read(QStringLiteral("?error=denied%0Aforged%09entry&state=") + state).logLine,
              QStringLiteral("Got authorization error: denied\\nforged\\x09entry"));
}

TEST_F(SignInTest, TheRedirectIsExchangedOnceAndTheAccountOfTheFirstSiteIsStored) {
    JiraStandIn::Site second = standIn.sites().first();
    second.cloudID = QStringLiteral("c0ffee00-0000-4000-8000-000000000002");
    standIn.sites().append(second);

    open();
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(controller->windowTitle(), QStringLiteral("Authorize Jira Account"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
            .match(controller->authState())
            .hasMatch());
    const QString state = controller->authState();

    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return JiraAccountManager::jiraAccount(accountID).has_value(); }, 30000));
    EXPECT_TRUE(TestUtils::waitUntil([&] { return controller == nullptr; }));
    // The site download of the new account asks for the sites a second time and then for both sites.
    ASSERT_TRUE(TestUtils::waitUntil([&] {
        return standIn
                   .requests(QStringLiteral("^/ex/jira/") + second.cloudID +
                             QStringLiteral("/rest/api/3/project/search"))
                   .size() > 0;
    }));

    const QList<JiraStandIn::Request> authorize = standIn.requests(QStringLiteral("^/authorize$"));
    ASSERT_EQ(authorize.size(), 1);
    EXPECT_EQ(authorize.first().queryValue(QStringLiteral("state")), state);
    const QList<JiraStandIn::Request> tokens = standIn.requests(QStringLiteral("^/oauth/token$"));
    ASSERT_EQ(tokens.size(), 1);
    EXPECT_EQ(tokens.first().jsonBody().value(QStringLiteral("grant_type")).toString(),
              QStringLiteral("authorization_code"));
    EXPECT_TRUE(standIn.requests(QStringLiteral("jira_oauth")).isEmpty());
    EXPECT_EQ(standIn.requests(QStringLiteral("/myself$")).size(), 1);
    EXPECT_TRUE(
        standIn.requests(QStringLiteral("^/ex/jira/") + second.cloudID + QStringLiteral("/rest/api/3/myself"))
            .isEmpty());

    const JiraAccount stored = JiraAccountManager::jiraAccount(accountID).value();
    EXPECT_EQ(stored.displayName(), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(stored.emailAddress(), QStringLiteral("ada@example.com"));
    EXPECT_TRUE(standIn.isValidAccessToken(stored.accessToken()));
    EXPECT_TRUE(standIn.isValidRefreshToken(stored.refreshToken()));
    EXPECT_TRUE(presented.isEmpty());
    EXPECT_TRUE(openedURLs.isEmpty());
}

TEST_F(SignInTest, AWrongStateIsLoggedWithBothValuesAndExchangesNothing) {
    redirectAuthorizeTo(QStringLiteral("code=stolen-code&state=NOT-OURS"));
    Platform::SystemLog::Capture log;
    open();
    const QString state = controller->authState();
    // The redirect page is let through, so the stand-in sees it once the sheet has decided.
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return !standIn.requests(QStringLiteral("jira_oauth")).isEmpty(); }));
    EXPECT_TRUE(log.contains(QStringLiteral("Got wrong state value: NOT-OURS != ") + state));
    TestUtils::spin(200);
    EXPECT_EQ(tokenRequests(), 0);
    EXPECT_NE(controller, nullptr);
}

TEST_F(SignInTest, ARedirectWithoutStateOrCodeExchangesNothingAndTheRefusalIsLogged) {
    redirectAuthorizeTo(QStringLiteral("code=some-code"));
    {
        Platform::SystemLog::Capture log;
        open();
        ASSERT_TRUE(TestUtils::waitUntil([&] { return log.contains(QStringLiteral("Got no state value")); }));
    }
    delete controller.data();

    // Cancel on the consent page: the server sends the state back with an error instead of a code.
    standIn.clearSwitches();
    Platform::SystemLog::Capture log;
    controller = new AuthorizeWebViewController();
    redirectAuthorizeTo(QStringLiteral("error=access_denied&error_description=The%20user%20declined&state=") +
                        controller->authState());
    controller->showFreeWindow();
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return log.contains(QStringLiteral("Got authorization error: access_denied")); }));
    TestUtils::spin(200);
    EXPECT_EQ(tokenRequests(), 0);
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->isVisible());
    EXPECT_TRUE(presented.isEmpty());
}

TEST_F(SignInTest, ARedirectOnAnotherSchemeThanTheCallbacksIsNotTheRedirectPage) {
    controller = new AuthorizeWebViewController();
    const QString lookalike = QStringLiteral("https://127.0.0.1:%1/atlassian/jira_oauth.html?code=c&state=%2")
                                  .arg(standIn.port())
                                  .arg(controller->authState());
    JiraStandIn::Reply reply = JiraStandIn::Reply::text("<html></html>", "text/html", 302);
    reply.headers.append({"Location", lookalike.toUtf8()});
    standIn.setOverride(QStringLiteral("^/authorize$"), reply);
    bool finished = false;
    controller->webview()->setLoadFinishedHandler([&](bool) { finished = true; });
    controller->showFreeWindow();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return finished; }, 30000));
    TestUtils::spin(200);
    EXPECT_EQ(tokenRequests(), 0);
}

TEST_F(SignInTest, OnlyTheUsersClickOnALinkLeavingTheSignInOpensTheBrowser) {
    JiraStandIn outside;
    ASSERT_TRUE(outside.listen());
    outside.addRoute("GET", QStringLiteral("^/elsewhere$"), false,
                     [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                         return JiraStandIn::Reply::text("<html><head><title>Elsewhere</title></head></html>",
                                                         "text/html", 200);
                     });
    const QString elsewhere = outside.baseUrl().toString() + QStringLiteral("/elsewhere");
    standIn.requireLogin = true;
    open();
    ASSERT_TRUE(waitForTitle(QStringLiteral("Log in")));

    // A click on a link to another site: the browser gets it, the sign-in page stays.
    click(QStringLiteral("help"));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !openedURLs.isEmpty(); }));
    EXPECT_EQ(openedURLs, QList<QUrl>{QUrl(QStringLiteral("https://support.example.com/sign-in-help"))});
    TestUtils::spin(200);
    EXPECT_EQ(view()->title(), QStringLiteral("Log in"));

    // A page script that goes to another site (here from the user's click on a button) stays in the window.
    evaluate(view(), QStringLiteral("document.body.dataset.next = '%1'").arg(elsewhere));
    click(QStringLiteral("scripted"));
    ASSERT_TRUE(waitForTitle(QStringLiteral("Elsewhere")));
    EXPECT_EQ(outside.requests(QStringLiteral("^/elsewhere$")).size(), 1);
    EXPECT_EQ(openedURLs.size(), 1);

    // A script navigation without any click, and a click on a link among the server's own pages.
    view()->back();
    ASSERT_TRUE(waitForTitle(QStringLiteral("Log in")));
    evaluate(view(), QStringLiteral("setTimeout(function () { location.href = '%1'; }, 0)").arg(elsewhere));
    ASSERT_TRUE(waitForTitle(QStringLiteral("Elsewhere")));
    view()->back();
    ASSERT_TRUE(waitForTitle(QStringLiteral("Log in")));
    // A link of another scheme leaves neither for the desktop nor for the window.
    click(QStringLiteral("mail"));
    TestUtils::spin(300);
    EXPECT_EQ(openedURLs.size(), 1);
    EXPECT_EQ(view()->title(), QStringLiteral("Log in"));
    click(QStringLiteral("signup"));
    ASSERT_TRUE(waitForTitle(QStringLiteral("Sign up")));
    EXPECT_EQ(openedURLs.size(), 1);
}

TEST_F(SignInTest, ASecondSheetAfterASignInShowsTheLoginAgain) {
    standIn.requireLogin = true;
    open();
    ASSERT_TRUE(waitForTitle(QStringLiteral("Log in")));
    evaluate(view(), QStringLiteral("document.getElementById('email').value = 'ada@example.com';"
                                    "document.getElementById('form').submit()"));
    // The login's cookie takes the first sheet through to the redirect.
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return JiraAccountManager::jiraAccount(accountID).has_value(); }, 30000));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return controller == nullptr; }));
    EXPECT_EQ(standIn.requests(QStringLiteral("^/authorize$")).size(), 2);

    open();
    ASSERT_TRUE(waitForTitle(QStringLiteral("Log in")));
    EXPECT_EQ(standIn.requests(QStringLiteral("^/authorize$")).size(), 3);
    EXPECT_FALSE(
        standIn.requests(QStringLiteral("^/authorize$")).last().header("Cookie").contains("standin_session"));
    EXPECT_EQ(tokenRequests(), 1);
}

TEST_F(SignInTest, AFailedExchangeIsPresentedAndTheWindowStays) {
    standIn.setOverride(QStringLiteral("^/oauth/token$"),
                        JiraStandIn::Reply::json(
                            QJsonObject{{QStringLiteral("error"), QStringLiteral("invalid_grant")}}, 403));
    open();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !presented.isEmpty(); }, 30000));
    EXPECT_EQ(presented.first().httpStatus(), 403);
    TestUtils::spin(100);
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->isVisible());
    EXPECT_FALSE(JiraAccountManager::jiraAccount(accountID).has_value());

    // An answer without tokens: the window stays as well, with the text of a missing answer.
    delete controller.data();
    presented.clear();
    standIn.clearSwitches();
    standIn.setOverride(QStringLiteral("^/oauth/token$"), JiraStandIn::Reply::json(QJsonObject{}));
    open();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !presented.isEmpty(); }, 30000));
    EXPECT_EQ(presented.first().localizedDescription(),
              QStringLiteral("Could not download Jira authentication token, missing access token."));
    EXPECT_NE(controller, nullptr);
}

TEST_F(SignInTest, NoUserMeansNothingIsStored) {
    standIn.currentUser().remove(QStringLiteral("emailAddress"));
    Platform::SystemLog::Capture log;
    open();
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return log.contains(QStringLiteral("no error but no account ID?")); }, 30000));
    EXPECT_FALSE(JiraAccountManager::jiraAccount(accountID).has_value());

    standIn.sites().clear();
    log.clear();
    open();
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return log.contains(QStringLiteral("no error but no resources?")); }, 30000));
    EXPECT_EQ(standIn.requests(QStringLiteral("/myself$")).size(), 1);
}

TEST_F(SignInTest, AKeychainThatCannotTakeTheAccountIsPresentedAndTheAccountIsKeptForTheRun) {
    // A keyring of this test alone, locked, and no display for its unlock prompt: the keychain refuses.
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    ASSERT_TRUE(keyring.lock());
    open();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !presented.isEmpty(); }, 30000));
    TestUtils::spin(300);
    ASSERT_EQ(presented.size(), 1) << "the refusal is presented once, not passed over as stored";
    EXPECT_FALSE(presented.first().localizedDescription().isEmpty());
    // Signed in all the same for this run: the account answers from memory and goes to the keychain
    // once it takes it.
    EXPECT_TRUE(JiraAccountManager::hasPendingAccounts());
    ASSERT_TRUE(JiraAccountManager::jiraAccount(accountID).has_value());
    EXPECT_FALSE(KeychainAccess::data(accountID).has_value());
    ASSERT_TRUE(keyring.unlock());
    EXPECT_TRUE(JiraAccountManager::storePendingAccounts());
    EXPECT_TRUE(KeychainAccess::data(accountID).has_value());
    EXPECT_TRUE(KeychainAccess::removeEntry(accountID));
}

TEST_F(SignInTest, TheJiraClientsCookiesAreForgottenWhenTheWindowOpens) {
    JiraStandIn::Reply withCookie = JiraStandIn::Reply::json(QJsonArray{});
    withCookie.headers.append({QByteArray("Set-Cookie"), QByteArray("atlassian.xsrf.token=abc; Path=/")});
    standIn.setOverride(QStringLiteral("accessible-resources"), withCookie);
    const auto listSites = [&] {
        Answer<QJsonArray> answer;
        manager().getAccessibleResourcesWithoutValidatingToken(tokens.first, answer.completion());
        ASSERT_TRUE(answer.wait());
    };
    const auto lastCookie = [&] {
        return standIn.requests(QStringLiteral("accessible-resources")).last().header("Cookie");
    };
    listSites();
    listSites();
    ASSERT_TRUE(lastCookie().contains("atlassian.xsrf.token=abc"));

    redirectAuthorizeTo(QStringLiteral("error=access_denied"));
    open();
    listSites();
    EXPECT_TRUE(lastCookie().isEmpty());
}
