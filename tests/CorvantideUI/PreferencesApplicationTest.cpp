#include "AppDelegateFixture.h"

#include "Preferences/GeneralPreferenceViewController.h"
#include "Preferences/PreferencesWindowController.h"
#include "Preferences/ProjectsPreferenceViewController.h"
#include "UI/AuthorizeWebViewController.h"

#include "Platform/UI/ActivationPolicy.h"
#include "UserDefaultsKeys.h"

#include <QCheckBox>
#include <QMainWindow>
#include <QPushButton>

namespace {

/*! The shared preferences window of the running application, opened from the delegate. */
class PreferencesApplicationTest : public AppDelegateTest {
protected:
    PreferencesWindowController& openPreferences(int tab) {
        UserDefaultsKeys::registerStandardDefaults();
        UserDefaultsKeys::set(qint64(tab), UserDefaultsKeys::Key::selectedPreferencesTab);
        makeDelegate().showPreferences();
        return PreferencesWindowController::shared();
    }

    QAction* accountItem(QMenu* menu, const QString& submenu) {
        for (QAction* item : menu->actions()) {
            if (item->text() == submenu && item->menu() && !item->menu()->actions().isEmpty())
                return item->menu()->actions().first();
        }
        return nullptr;
    }

    static bool isDeleted(const QPointer<AuthorizeWebViewController>& window) {
        return TestUtils::waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return window == nullptr;
        });
    }
};

} // namespace

TEST_F(PreferencesApplicationTest, SettingsOpenTheSharedWindowOnTheStoredPane) {
    // The window is made once a process and reads the stored pane then; one that an earlier test of this
    // process made keeps the pane it shows.
    const bool made = PreferencesWindowController::shared().isWindowLoaded();
    PreferenceViewController* const shown = PreferencesWindowController::shared().currentViewController();
    PreferencesWindowController& preferences = openPreferences(1);
    ASSERT_TRUE(preferences.isWindowLoaded());
    EXPECT_TRUE(preferences.window()->isVisible());
    if (made) {
        EXPECT_EQ(preferences.currentViewController(), shown);
    } else {
        EXPECT_EQ(preferences.currentViewController(), preferences.projectsViewController());
        EXPECT_TRUE(qobject_cast<ProjectsPreferenceViewController*>(preferences.currentViewController()));
    }
    delegate->showPreferences();
    EXPECT_EQ(&PreferencesWindowController::shared(), &preferences);
    preferences.window()->close();
}

TEST_F(PreferencesApplicationTest, DockIconBoxAndUpdateButtonReachTheApplication) {
    PreferencesWindowController& preferences = openPreferences(0);
    auto* general = qobject_cast<GeneralPreferenceViewController*>(preferences.generalViewController());
    ASSERT_NE(general, nullptr);
    auto* hide = general->findChild<QCheckBox*>(QStringLiteral("hideDockIconCheckBox"));
    ASSERT_NE(hide, nullptr);
    UserDefaultsKeys::set(false, UserDefaultsKeys::Key::hideDockIcon);
    delegate->setHideDockIcon(false);
    ASSERT_EQ(Platform::Application::activationPolicy(), Platform::ActivationPolicy::Regular);

    hide->click();
    EXPECT_TRUE(UserDefaultsKeys::boolean(UserDefaultsKeys::Key::hideDockIcon));
    EXPECT_EQ(Platform::Application::activationPolicy(), Platform::ActivationPolicy::Accessory);
    hide->click();
    EXPECT_FALSE(UserDefaultsKeys::boolean(UserDefaultsKeys::Key::hideDockIcon));
    EXPECT_EQ(Platform::Application::activationPolicy(), Platform::ActivationPolicy::Regular);

    general->findChild<QPushButton*>(QStringLiteral("checkForUpdatesButton"))->click();
    EXPECT_EQ(userChecks, 1);
    preferences.window()->close();
}

TEST_F(PreferencesApplicationTest, ReAuthorizeOpensASheetForThatAccountAndAddOneForANewServer) {
    storeAccount(QStringLiteral("Ada Lovelace"));
    PreferencesWindowController& preferences = openPreferences(1);
    auto* projects = qobject_cast<ProjectsPreferenceViewController*>(preferences.projectsViewController());
    ASSERT_NE(projects, nullptr);

    std::unique_ptr<QMenu> servers(projects->menuForButton(projects->serversButton()));
    QAction* reauthorize = accountItem(servers.get(), QStringLiteral("Re-Authorize"));
    ASSERT_NE(reauthorize, nullptr);
    reauthorize->trigger();
    QPointer<AuthorizeWebViewController> sheet = delegate->authorizeWebViewController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_EQ(sheet->parentWidget(), preferences.window());
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Ada Lovelace (ada@example.com)"));
    sheet->doCancel();
    ASSERT_TRUE(isDeleted(sheet));

    QAction* add = nullptr;
    for (QAction* item : servers->actions()) {
        if (item->text() == QStringLiteral("Add…"))
            add = item;
    }
    ASSERT_NE(add, nullptr);
    add->trigger();
    sheet = delegate->authorizeWebViewController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_NE(sheet->windowTitle(), QStringLiteral("Ada Lovelace (ada@example.com)"));
    sheet->doCancel();
    ASSERT_TRUE(isDeleted(sheet));
    preferences.window()->close();
}
