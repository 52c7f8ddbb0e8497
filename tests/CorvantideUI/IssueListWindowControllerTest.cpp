#include "IssueListWindowController.h"

#include "AppDelegate.h"
#include "DebugWindowController.h"

#include "AlertResponder.h"
#include "Corvantide/JiraDownloadFixture.h"
#include "IssueFilterManager.h"
#include "JiraIssueManager.h"
#include "JiraResourcesManager.h"
#include "Preferences/FilterSettingsUIController.h"
#include "PrivateKeyring.h"
#include "UserDefaultsKeys.h"

#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Workspace.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList keys(const QList<JiraIssue>& issues) {
    QStringList result;
    for (const JiraIssue& issue : issues)
        result.append(issue.key());
    return result;
}

/*! The stand-in's sample site with a signed-in account in a keyring of this test alone, one filter per
    sample project (ABC, DEF, GHI) and the window's controller. */
class IssueListTest : public JiraDownloadTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
        JiraDownloadTest::SetUp();
        Platform::Workspace::setURLOpenerForTesting([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
    }

    void TearDown() override {
        Platform::Workspace::setURLOpenerForTesting({});
        controller.reset();
        JiraDownloadTest::TearDown();
    }

    /*! Refreshes the account's sites and tracks the named projects, in this order. */
    void trackProjects(const QStringList& projectKeys, const QString& account = {}) {
        const QString id = account.isEmpty() ? accountID : account;
        bool done = false;
        JiraResourcesManager::startGetAccessibleResourcesOperation(
            std::make_shared<JiraAccount>(JiraAccountManager::jiraAccount(id).value()), id,
            [&done](const std::optional<QList<Platform::Error>>&) { done = true; });
        ASSERT_TRUE(TestUtils::waitUntil([&done] { return done; }));
        const auto sites = JiraResourcesManager::resourcesPerAccount().value(id);
        ASSERT_FALSE(sites.isEmpty());
        ASSERT_TRUE(sites.first()->projects());
        for (const QString& key : projectKeys) {
            for (const JiraProject& project : *sites.first()->projects()) {
                if (project.key() == key)
                    IssueFilterManager::shared().append(IssueFilter::forProject(project));
            }
        }
    }

    std::shared_ptr<IssueFilter> filter(int index) const {
        return IssueFilterManager::shared().allIssueFilters().at(index);
    }

    /*! Downloads and keeps the filter's issues, as the periodic update does. */
    void cache(const std::shared_ptr<IssueFilter>& issueFilter) {
        bool done = false;
        JiraIssueManager::startGetIssuesOperation(
            issueFilter, true,
            [&done](const std::optional<QList<JiraIssue>>&, const Platform::OptionalError&) { done = true; });
        ASSERT_TRUE(TestUtils::waitUntil([&done] { return done; }));
    }

    IssueListWindowController& open() {
        controller = std::make_unique<IssueListWindowController>();
        controller->showWindow();
        return *controller;
    }

    QStringList shown() const { return keys(controller->issuesArrayController()->arrangedObjects()); }

    void search(const QString& text) { controller->searchField()->setText(text); }

    void chooseProject(int index) {
        controller->projectsPopupButton()->setCurrentIndex(index);
        controller->projectPopupChanged(controller->projectsPopupButton());
    }

    /*! What the mode control does. */
    void switchToCustomMode() {
        controller->setUseCustomFilter(true);
        controller->filterStylePopupChanged(controller->filterStylePopupButton());
    }

    QList<JiraStandIn::Request> searches() const {
        return standIn.requests(QStringLiteral("/rest/api/3/search/jql$"));
    }

    QStringList searchedJQL() const {
        QStringList jql;
        for (const JiraStandIn::Request& request : searches())
            jql.append(request.queryValue(QStringLiteral("jql")));
        jql.sort();
        return jql;
    }

    bool waitForCustomDownload() {
        return TestUtils::waitUntil([this] {
            return !controller->isDownloadingIssues() &&
                   ZRJOperationManager::shared().runningOperationCount() == 0;
        });
    }

    QCheckBox* onlyMyIssuesCheckBox() const {
        return controller->window()->findChild<QCheckBox*>(QStringLiteral("showOnlyMyIssuesCheckBox"));
    }

    TestUtils::PrivateKeyring keyring;
    std::unique_ptr<IssueListWindowController> controller;
    QList<QUrl> opened;
};

} // namespace

TEST_F(IssueListTest, SearchMatchesKeySummaryAndAssigneeIgnoringCase) {
    trackProjects({"ABC", "DEF"});
    cache(filter(0));
    cache(filter(1));
    open();
    const QStringList all{"ABC-1", "ABC-2", "ABC-3", "ABC-4", "ABC-5", "DEF-1", "DEF-2"};
    EXPECT_EQ(shown(), all);

    search(QStringLiteral("abc"));
    EXPECT_EQ(shown(), (QStringList{"ABC-1", "ABC-2", "ABC-3", "ABC-4", "ABC-5"}));
    search(QStringLiteral("FLICKERS"));
    EXPECT_EQ(shown(), QStringList{"ABC-3"});
    // The assignee's name; an issue without assignee (ABC-4) is simply not matched by it.
    search(QStringLiteral("grace"));
    EXPECT_EQ(shown(), (QStringList{"ABC-3", "DEF-2"}));
    // No trimming: a blank is part of the text.
    search(QStringLiteral(" abc"));
    EXPECT_TRUE(shown().isEmpty());
    search(QString());
    EXPECT_EQ(shown(), all);

    // An issue without summary or assignee still matches by its key.
    const std::optional<JiraIssue> bare = JiraIssue::create(
        cloudID, std::nullopt, QString(),
        QJsonObject{{"id", "1"}, {"key", "XYZ-9"}, {"fields", QJsonObject{{"assignee", 5}}}});
    ASSERT_TRUE(bare);
    EXPECT_EQ(keys(IssueListWindowController::issuesMatchingString({*bare}, QStringLiteral("yz-"))),
              QStringList{"XYZ-9"});
    EXPECT_TRUE(IssueListWindowController::issuesMatchingString({*bare}, QStringLiteral("5")).isEmpty());
}

TEST_F(IssueListTest, AllProjectsConcatenatesInFilterOrderAndThePopUpPicksOne) {
    trackProjects({"GHI", "ABC", "DEF"});
    cache(filter(0));
    cache(filter(2));
    open();
    // GHI, then ABC (nothing kept for it), then DEF.
    EXPECT_EQ(shown(), (QStringList{"GHI-1", "DEF-1", "DEF-2"}));

    QComboBox* popup = controller->projectsPopupButton();
    ASSERT_EQ(popup->count(), 7);
    EXPECT_EQ(popup->itemText(0), QStringLiteral("All Projects"));
    EXPECT_EQ(popup->itemText(2), QStringLiteral("Gamma Help Index"));
    EXPECT_EQ(popup->itemText(4), QStringLiteral("Delta Engine Firmware"));
    EXPECT_EQ(popup->itemText(6), QStringLiteral("Settings…"));
    EXPECT_EQ(popup->currentIndex(), 0);
    // Dates and names take the width they need instead of wrapping.
    QTableView* table = controller->tableView();
    for (int column : {0, 2, 3, 4})
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QString text = table->model()->index(row, column).data().toString();
            EXPECT_GT(table->columnWidth(column), table->fontMetrics().horizontalAdvance(text))
                << text.toStdString();
        }

    chooseProject(4);
    EXPECT_EQ(controller->selectedIssueFilter(), filter(2));
    EXPECT_EQ(shown(), (QStringList{"DEF-1", "DEF-2"}));
    chooseProject(3);
    EXPECT_TRUE(shown().isEmpty());
    // The settings item names no project: the list is that of all projects.
    chooseProject(6);
    EXPECT_EQ(controller->selectedIssueFilter(), nullptr);
    EXPECT_EQ(shown(), (QStringList{"GHI-1", "DEF-1", "DEF-2"}));
}

TEST_F(IssueListTest, TheUpdateNotificationAndActivationRefreshTheTable) {
    trackProjects({"ABC", "GHI"});
    open();
    EXPECT_TRUE(shown().isEmpty());

    cache(filter(1));
    EXPECT_TRUE(shown().isEmpty());
    Platform::NotificationCenter::defaultCenter().post(QStringLiteral("issuesUpdatedFinished"));
    EXPECT_EQ(shown(), QStringList{"GHI-1"});

    // A project added in the preferences meanwhile appears in the pop-up when the window is active again;
    // the chosen project stays chosen.
    chooseProject(3);
    trackProjects({"DEF"});
    cache(filter(2));
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(controller->window(), &activate);
    EXPECT_EQ(controller->projectsPopupButton()->count(), 7);
    EXPECT_EQ(controller->projectsPopupButton()->currentIndex(), 3);
    EXPECT_EQ(shown(), QStringList{"GHI-1"});
    chooseProject(0);
    EXPECT_EQ(shown(), (QStringList{"GHI-1", "DEF-1", "DEF-2"}));
}

TEST_F(IssueListTest, ContextActionsActOnTheClickedRowAndOpenOnlyWebAddresses) {
    trackProjects({"ABC"});
    cache(filter(0));
    open();
    QTableView* table = controller->tableView();
    const auto click = [&](int row) {
        controller->showIssueMenu(
            table->visualRect(controller->issuesArrayController()->index(row, 0)).center());
    };
    const auto trigger = [&](const QString& title) {
        for (QAction* item : controller->issueMenu()->actions()) {
            if (item->text() == title) {
                item->trigger();
                return;
            }
        }
        ADD_FAILURE() << title.toStdString();
    };
    click(2);
    trigger(QStringLiteral("Copy Key"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("ABC-3"));
    trigger(QStringLiteral("Copy Summary"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Menu flickers on open"));
    trigger(QStringLiteral("Copy URL"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("https://dunwarbeck.atlassian.net/browse/ABC-3"));
    trigger(QStringLiteral("Open in Browser"));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://dunwarbeck.atlassian.net/browse/ABC-3"))});

    // The double click opens the selection, and nothing without one.
    controller->issuesArrayController()->setSelectionIndex(0);
    controller->tableViewDoubleAction();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.at(1), QUrl(QStringLiteral("https://dunwarbeck.atlassian.net/browse/ABC-1")));
    controller->issuesArrayController()->setSelectionIndexes({});
    controller->tableViewDoubleAction();
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(IssueListTest, AnIssueOfASiteWithoutWebAddressOpensNothing) {
    standIn.sites().first().url = QStringLiteral("file:///etc");
    trackProjects({"ABC"});
    cache(filter(0));
    open();
    controller->showIssueMenu(
        controller->tableView()->visualRect(controller->issuesArrayController()->index(0, 0)).center());
    ASSERT_TRUE(controller->clickedIssue());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    controller->openIssueURLAction();
    controller->copyIssueURLAction();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(IssueListTest, CustomModeSearchesEachFilterOnceOnACopyAndLeavesTheCacheAlone) {
    // A second account with a project of its own.
    const QString second = QStringLiteral("acct-second-") + QUuid::createUuid().toString(QUuid::Id128);
    const auto [access, refresh] = standIn.issueTokens();
    Platform::OptionalError error;
    ASSERT_TRUE(JiraAccountManager::storeAccount(
        JiraAccount(second, access, refresh, QDateTime::currentDateTimeUtc().addSecs(3600),
                    standIn.grantedScope, QStringLiteral("Grace Hopper"),
                    QStringLiteral("grace@example.com")),
        error));
    trackProjects({"ABC", "DEF"});
    trackProjects({"GHI"}, second);
    open();
    EXPECT_FALSE(controller->useCustomFilter());
    EXPECT_EQ(controller->customIssueFilter()->name(), QStringLiteral("custom filter"));
    standIn.clearRequests();

    switchToCustomMode();
    EXPECT_TRUE(Platform::UserDefaults::standard().boolean(UserDefaultsKeys::UseCustomFilter));
    EXPECT_TRUE(controller->isDownloadingIssues());
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searchedJQL(), (QStringList{"project = \"ABC\"", "project = \"DEF\"", "project = \"GHI\""}));
    QStringList all = shown();
    all.sort();
    EXPECT_EQ(all, (QStringList{"ABC-1", "ABC-2", "ABC-3", "ABC-4", "ABC-5", "DEF-1", "DEF-2", "GHI-1"}));

    // A changed condition is stored and searched with; the project filters and their kept issues stay.
    standIn.clearRequests();
    onlyMyIssuesCheckBox()->click();
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searchedJQL(), (QStringList{"project = \"ABC\" AND assignee = currentuser()",
                                          "project = \"DEF\" AND assignee = currentuser()",
                                          "project = \"GHI\" AND assignee = currentuser()"}));
    all = shown();
    all.sort();
    EXPECT_EQ(all, (QStringList{"ABC-1", "ABC-2", "DEF-1"}));
    for (const std::shared_ptr<IssueFilter>& projectFilter : IssueFilterManager::shared().allIssueFilters()) {
        EXPECT_FALSE(projectFilter->showOnlyMyIssues());
        EXPECT_FALSE(JiraIssueManager::issues(*projectFilter));
    }
    const std::shared_ptr<IssueFilter> stored = IssueFilter::fromJsonData(
        Platform::UserDefaults::standard().data(UserDefaultsKeys::CustomIssueFilter));
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->showOnlyMyIssues());
    EXPECT_EQ(stored->identifier(), controller->customIssueFilter()->identifier());

    // One picked project: only its filter is searched.
    standIn.clearRequests();
    chooseProject(4);
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searchedJQL(), QStringList{"project = \"GHI\" AND assignee = currentuser()"});
    EXPECT_TRUE(shown().isEmpty());

    // The search text applies to the custom list too.
    chooseProject(0);
    ASSERT_TRUE(waitForCustomDownload());
    search(QStringLiteral("watchdog"));
    EXPECT_EQ(shown(), QStringList{"DEF-1"});
    KeychainAccess::removeEntry(second);
}

TEST_F(IssueListTest, TheStoredModeAndCustomFilterAreUsedAtLoad) {
    trackProjects({"ABC"});
    IssueFilter custom(QStringLiteral("C-1"), QString(), QString(), QString(),
                       QStringLiteral("custom filter"));
    custom.setSprintFilter(2);
    Platform::UserDefaults::standard().setValue(UserDefaultsKeys::CustomIssueFilter, custom.toJsonData());
    Platform::UserDefaults::standard().setValue(UserDefaultsKeys::UseCustomFilter, true);
    standIn.clearRequests();
    open();
    EXPECT_TRUE(controller->useCustomFilter());
    EXPECT_EQ(controller->filterStylePopupButton()->currentIndex(), 1);
    EXPECT_EQ(controller->customIssueFilter()->identifier(), QStringLiteral("C-1"));
    EXPECT_EQ(controller->filterSettingsUIController()->issueFilter(), controller->customIssueFilter());
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searchedJQL(), QStringList{"project = \"ABC\" AND sprint in openSprints()"});
    EXPECT_EQ(shown(), (QStringList{"ABC-1", "ABC-3"}));

    // Back to the projects: nothing is downloaded, and the mode is stored.
    standIn.clearRequests();
    controller->setUseCustomFilter(false);
    controller->filterStylePopupChanged();
    EXPECT_FALSE(Platform::UserDefaults::standard().boolean(UserDefaultsKeys::UseCustomFilter));
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(searches().isEmpty());
}

TEST_F(IssueListTest, AStoredCustomFilterThatCannotBeReadGivesTheDefaultOne) {
    Platform::UserDefaults::standard().setValue(UserDefaultsKeys::CustomIssueFilter,
                                                QByteArray("{\"name\": 3"));
    Platform::SystemLog::Capture log;
    open();
    EXPECT_EQ(log.lines().count(QStringLiteral("failed to decode custom fitler data")), 1);
    const std::shared_ptr<IssueFilter> custom = controller->customIssueFilter();
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->name(), QStringLiteral("custom filter"));
    EXPECT_TRUE(custom->accountID().isEmpty());
    EXPECT_FALSE(custom->predicate());
    EXPECT_EQ(custom->issueFilter(), 0);
    EXPECT_EQ(custom->sprintFilter(), 0);
    EXPECT_FALSE(QUuid::fromString(custom->identifier()).isNull());
    // Not written until it is first changed.
    EXPECT_EQ(Platform::UserDefaults::standard().data(UserDefaultsKeys::CustomIssueFilter),
              QByteArray("{\"name\": 3"));
}

TEST_F(IssueListTest, WithoutAccountsCustomModeStartsNothing) {
    trackProjects({"ABC"});
    cache(filter(0));
    KeychainAccess::removeEntry(accountID);
    open();
    standIn.clearRequests();
    switchToCustomMode();
    EXPECT_FALSE(controller->isDownloadingIssues());
    EXPECT_EQ(shown().size(), 5);
    EXPECT_TRUE(standIn.requests().isEmpty());
}

TEST_F(IssueListTest, EverySearchFailingLeavesAnEmptyTableAndNoBusyState) {
    trackProjects({"ABC", "DEF"});
    open();
    standIn.setOverride(QStringLiteral("/rest/api/3/search/jql$"),
                        JiraStandIn::Reply::error(500, QStringLiteral("down")));
    switchToCustomMode();
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searches().size(), 2);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(controller->isDownloadingIssues());
}

TEST_F(IssueListTest, ASupersededDownloadAddsNothingAndLeavesTheBusyStateAlone) {
    trackProjects({"ABC", "DEF"});
    open();
    standIn.setDelay(QStringLiteral("/rest/api/3/search/jql$"), 800);
    switchToCustomMode();
    ASSERT_TRUE(TestUtils::waitUntil([this] { return searches().size() == 2; }));

    // The newer download waits for its site list while the older one's answers arrive.
    standIn.setDelay(QStringLiteral("/rest/api/3/search/jql$"), 0);
    standIn.setDelay(QStringLiteral("accessible-resources$"), 5000);
    controller->updateIssues();
    ASSERT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 1; }));
    EXPECT_TRUE(controller->isDownloadingIssues());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(controller->customIssues().isEmpty());

    standIn.setDelay(QStringLiteral("accessible-resources$"), 0);
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(searches().size(), 4);
    const QStringList final = shown();
    EXPECT_EQ(final.size(), 7);
    EXPECT_EQ(QSet<QString>(final.begin(), final.end()).size(), 7);
}

TEST_F(IssueListTest, TheBusyStateEndsWhenFiltersAreRemovedDuringTheSiteRefresh) {
    trackProjects({"ABC", "DEF"});
    open();
    standIn.setDelay(QStringLiteral("accessible-resources$"), 500);
    standIn.clearRequests();
    switchToCustomMode();
    ASSERT_TRUE(controller->isDownloadingIssues());
    // Both projects are removed in the preferences before the account's sites arrive.
    IssueFilterManager::shared().remove(*filter(1));
    IssueFilterManager::shared().remove(*filter(0));
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_FALSE(controller->isDownloadingIssues());
    EXPECT_TRUE(searches().isEmpty());
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(IssueListTest, TheAdvancedFilterSheetEditsOnlyTheCustomFilter) {
    trackProjects({"ABC"});
    open();
    switchToCustomMode();
    ASSERT_TRUE(waitForCustomDownload());
    const auto editor = [this] { return controller->filterSettingsUIController()->predicateEditor(); };

    // OK takes the example condition that the sheet offers for a filter without one.
    controller->showPredicateWindow();
    ASSERT_NE(editor(), nullptr);
    editor()->okButtonAction();
    ASSERT_TRUE(controller->customIssueFilter()->predicate());
    EXPECT_EQ(controller->customIssueFilter()->predicate()->format(),
              QStringLiteral("summary == \"My Issue\""));
    EXPECT_TRUE(controller->isDownloadingIssues());
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(filter(0)->predicate());
    EXPECT_TRUE(IssueFilter::fromJsonData(
                    Platform::UserDefaults::standard().data(UserDefaultsKeys::CustomIssueFilter))
                    ->predicate());

    // Cancel keeps it and starts nothing.
    standIn.clearRequests();
    controller->showPredicateWindow();
    editor()->cancelButtonAction();
    EXPECT_TRUE(controller->customIssueFilter()->predicate());
    EXPECT_FALSE(controller->isDownloadingIssues());
    EXPECT_TRUE(searches().isEmpty());

    // Delete removes it; the stored filter has no condition left.
    controller->showPredicateWindow();
    {
        TestUtils::AlertResponder alerts(
            {Platform::Alert::Answer{Platform::ModalResponse::FirstButton, false}});
        editor()->deletePredicateAction();
    }
    EXPECT_FALSE(controller->customIssueFilter()->predicate());
    ASSERT_TRUE(waitForCustomDownload());
    EXPECT_EQ(shown().size(), 5);
    const QJsonObject stored =
        QJsonDocument::fromJson(Platform::UserDefaults::standard().data(UserDefaultsKeys::CustomIssueFilter))
            .object();
    EXPECT_FALSE(stored.isEmpty());
    EXPECT_FALSE(stored.contains(QStringLiteral("predicate")));
}

TEST_F(IssueListTest, TheSidebarToggles) {
    open();
    QSplitter* split = controller->splitView();
    controller->window()->resize(900, 500);
    ASSERT_FALSE(split->widget(1)->isHidden());
    controller->toggleFilterSidebar();
    EXPECT_TRUE(split->widget(1)->isHidden());
    controller->toggleFilterSidebar();
    EXPECT_FALSE(split->widget(1)->isHidden());
}

TEST(AppDelegateWindows, TheIssueListAndDebugWindowsAreMadeOnceAndShown) {
    AppDelegate delegate;
    EXPECT_EQ(delegate.issueListWindowController(), nullptr);
    delegate.showIssuesWindow();
    IssueListWindowController* issues = delegate.issueListWindowController();
    ASSERT_NE(issues, nullptr);
    EXPECT_TRUE(issues->window()->isVisible());
    issues->window()->hide();
    delegate.showIssuesWindow();
    EXPECT_EQ(delegate.issueListWindowController(), issues);
    EXPECT_TRUE(issues->window()->isVisible());

    // The issue list window's shortcut is the way to the debug window.
    issues->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(issues->window()));
    QTest::keyClick(issues->window(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    DebugWindowController* debug = delegate.debugWindowController();
    ASSERT_NE(debug, nullptr);
    EXPECT_TRUE(debug->window()->isVisible());
    debug->window()->hide();
    delegate.showDebugWindow();
    EXPECT_TRUE(debug->window()->isVisible());
    delegate.showDebugWindow();
    EXPECT_EQ(delegate.debugWindowController(), debug);
}
