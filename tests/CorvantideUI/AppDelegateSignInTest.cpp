#include "AlertResponder.h"
#include "AppDelegateFixture.h"

#include "UI/AuthorizeWebViewController.h"

#include <QMainWindow>
#include <QPushButton>
#include <QWidgetAction>

namespace {

qsizetype refreshRequests(const JiraStandIn& standIn) {
    qsizetype count = 0;
    for (const JiraStandIn::Request& request : standIn.requests(QStringLiteral("^/oauth/token$")))
        count += request.jsonBody().value(QStringLiteral("grant_type")).toString() ==
                 QLatin1String("refresh_token");
    return count;
}

/*! Whether the window has gone: its deletion is posted from here, outside any event loop, so the posted
    deletions are run explicitly. */
bool isDeleted(const QPointer<AuthorizeWebViewController>& window) {
    return TestUtils::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window == nullptr;
    });
}

} // namespace

TEST_F(AppDelegateTest, ATimedPassAfterTheTokenNearsExpiryRefreshesOnceAndStoresTheRotatedTokens) {
    const JiraAccount account =
        storeAccount(QStringLiteral("Ada Lovelace"), QDateTime::currentDateTimeUtc().addSecs(100));
    makeDelegate().updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] {
        const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(account.accountID());
        return stored && stored->refreshToken() != account.refreshToken();
    }));
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(refreshRequests(standIn), 1);
    const JiraAccount stored = JiraAccountManager::jiraAccount(account.accountID()).value();
    EXPECT_TRUE(standIn.isValidRefreshToken(stored.refreshToken()));
    EXPECT_FALSE(standIn.isValidRefreshToken(account.refreshToken()));
    EXPECT_TRUE(standIn.isValidAccessToken(stored.accessToken()));
    EXPECT_GT(stored.expires(), QDateTime::currentDateTimeUtc().addSecs(3000));
    EXPECT_EQ(stored.displayName(), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(stored.emailAddress(), QStringLiteral("ada@example.com"));
    EXPECT_EQ(standIn.reusedRefreshTokenCount(), 0);

    // The next pass finds a valid token and refreshes nothing.
    delegate->updateResourcesAndIssues();
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(refreshRequests(standIn), 1);
}

TEST_F(AppDelegateTest, AForbiddenRefreshAsksOnceToReAuthorizeAndOpensAFreeWindowForTheAccount) {
    const JiraAccount ada =
        storeAccount(QStringLiteral("Ada Lovelace"), QDateTime::currentDateTimeUtc().addSecs(60));
    standIn.setOverride(
        QStringLiteral("^/oauth/token$"),
        JiraStandIn::Reply::json(
            QJsonObject{{QStringLiteral("error"), QStringLiteral("unauthorized_client")}}, 403));
    TestUtils::AlertResponder alerts;
    makeDelegate().updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !alerts.shown().empty(); }));
    EXPECT_EQ(alerts.shown().front().messageText, QStringLiteral("Re-Authorize"));
    EXPECT_EQ(alerts.shown().front().informativeText,
              QStringLiteral(
                  "The authorization for the account Ada Lovelace (ada@example.com) has expired. You need "
                  "to re-authorize this account with Jira."));
    EXPECT_EQ(alerts.shown().front().buttonTitles,
              (QStringList{QStringLiteral("Re-Authorize"), QStringLiteral("Cancel")}));

    AuthorizeWebViewController* window = delegate->authorizeWebViewController();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isSheet());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ada Lovelace (ada@example.com)"));

    // Later 403s of that account in this run are silent; another account's first one asks once.
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    delegate->updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return refreshRequests(standIn) == 2; }));
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(alerts.shown().size(), 1u);

    storeAccount(QStringLiteral("Grace Hopper"), QDateTime::currentDateTimeUtc().addSecs(60));
    delegate->updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return alerts.shown().size() == 2; }));
    EXPECT_TRUE(
        alerts.shown().back().informativeText.contains(QStringLiteral("Grace Hopper (grace@example.com)")));
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(alerts.shown().size(), 2u);
    delete window;
    delete delegate->authorizeWebViewController();
}

TEST_F(AppDelegateTest, TheReAuthorizeAlertsCancelOpensNothing) {
    storeAccount(QStringLiteral("Ada Lovelace"), QDateTime::currentDateTimeUtc().addSecs(60));
    standIn.setOverride(QStringLiteral("^/oauth/token$"),
                        JiraStandIn::Reply::error(403, QStringLiteral("Forbidden")));
    TestUtils::AlertResponder alerts({Platform::Alert::Answer{1001}});
    makeDelegate().updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !alerts.shown().empty(); }));
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(delegate->authorizeWebViewController(), nullptr);
}

TEST_F(AppDelegateTest, TheSignInWindowIsASheetOfItsParentUntilItEnds) {
    makeDelegate();
    QMainWindow parent;
    parent.show();
    delegate->showAuthorizationWindow(&parent, std::nullopt);
    QPointer<AuthorizeWebViewController> sheet = delegate->authorizeWebViewController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_EQ(sheet->parentWidget(), &parent);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Authorize Jira Account"));
    sheet->doCancel();
    EXPECT_EQ(delegate->authorizeWebViewController(), nullptr);
    EXPECT_TRUE(isDeleted(sheet));

    // A free window still open stays open when the next one replaces it, and goes once it is closed.
    delegate->showAuthorizationWindowAction();
    QPointer<AuthorizeWebViewController> first = delegate->authorizeWebViewController();
    delegate->showAuthorizationWindowAction();
    QPointer<AuthorizeWebViewController> second = delegate->authorizeWebViewController();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, first);
    EXPECT_TRUE(first->isVisible());
    first->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(isDeleted(first));
    EXPECT_EQ(delegate->authorizeWebViewController(), second);
    delete second.data();
}

TEST_F(AppDelegateTest, TheNoAccountViewsButtonOpensTheFreeSignInWindow) {
    makeDelegate();
    QMenu menu;
    delegate->menuWillOpen(&menu);
    QWidgetAction* viewItem = nullptr;
    for (QAction* action : menu.actions()) {
        if (auto* item = qobject_cast<QWidgetAction*>(action))
            viewItem = item;
    }
    ASSERT_NE(viewItem, nullptr);
    auto* button = viewItem->defaultWidget()->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Sign In…"));
    button->click();
    QPointer<AuthorizeWebViewController> window = delegate->authorizeWebViewController();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isSheet());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Authorize Jira Account"));
    window->close();
    EXPECT_TRUE(isDeleted(window));
}
