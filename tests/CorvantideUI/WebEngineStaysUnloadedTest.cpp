// Linked without Qt WebEngine, as the application is: a run that never signs in never maps it.
#include "AppDelegateFixture.h"

#include "Platform/UI/WebView.h"
#include "UI/AuthorizeWebViewController.h"

#include <QFile>
#include <QLabel>

#include <unistd.h>

TEST_F(AppDelegateTest, AFullUpdatePassWithoutSignInNeverLoadsTheWebEngine) {
    const JiraAccount account = storeAccount();
    addFilter(account, 0, QStringLiteral("Alpha"));
    makeDelegate().updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts >= 1; }));
    ASSERT_TRUE(
        TestUtils::waitUntil([&] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    QMenu menu;
    delegate->menuWillOpen(&menu);
    ASSERT_FALSE(menu.actions().isEmpty());

    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    ASSERT_TRUE(mapped.contains("libQt6Widgets")); // the listing is the real one
    EXPECT_FALSE(mapped.contains("libQt6WebEngine"));
    EXPECT_FALSE(mapped.contains("libCorvantideWebView"));
    EXPECT_FALSE(Platform::WebViews::isLoaded());
}

// As root, Qt WebEngine with its sandbox on would end the whole process at its start: the sign-in window
// says why instead, and the engine is not opened.
TEST_F(AppDelegateTest, AsRootWithTheSandboxOnTheSignInWindowExplainsInsteadOfEnding) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, where the web engine refuses its sandbox";
    const QByteArray saved = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    makeDelegate().showAuthorizationWindow(nullptr, std::nullopt);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", saved);

    AuthorizeWebViewController* window = delegate->authorizeWebViewController();
    ASSERT_NE(window, nullptr);
    auto* label = window->findChild<QLabel*>(QStringLiteral("unavailableLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisibleTo(window));
    EXPECT_TRUE(label->text().contains(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX=1")))
        << label->text().toStdString();
    EXPECT_EQ(window->webview(), nullptr);
    EXPECT_FALSE(Platform::WebViews::isLoaded());
}
