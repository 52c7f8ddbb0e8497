// Linked without Qt WebEngine, as the application is: a run that never signs in never maps it.
#include "AppDelegateFixture.h"

#include "Platform/UI/WebView.h"

#include <QFile>

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
