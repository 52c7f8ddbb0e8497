#include "Preferences/ProjectsPreferenceViewController.h"
#include "Preferences/FilterSettingsUIController.h"
#include "Preferences/IssueFilterArrayController.h"
#include "Preferences/ProjectsTableView.h"

#include "AlertResponder.h"
#include "Corvantide/JiraDownloadFixture.h"
#include "IssueFilterManager.h"
#include "JiraResourcesManager.h"
#include "Platform/Keychain.h"
#include "Platform/SystemLog.h"
#include "PredicateEditor/PredicateEditor.h"
#include "PrivateKeyring.h"
#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/UI/ZRTargetAction.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

std::vector<Platform::Alert::Answer> answer(int response) {
    return {Platform::Alert::Answer{response, false}};
}

QStringList titles(const QMenu* menu) {
    QStringList result;
    for (const QAction* item : menu->actions())
        result.append(item->isSeparator() ? QStringLiteral("---") : item->text());
    return result;
}

/*! The filters the file holds now, read by a store of its own. */
QStringList accountIDsInFile() {
    IssueFilterManager reader([] { return IssueFilterManager::shared().issueFiltersFilePath(); });
    QStringList ids;
    for (const std::shared_ptr<IssueFilter>& filter : reader.allIssueFilters())
        ids.append(filter->accountID());
    return ids;
}

/*! A pane in a window of its own with the keyring of this test alone. */
class PaneWithoutAccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
        forgetApplicationState();
        pane = new ProjectsPreferenceViewController();
        pane->awake();
        window.setCentralWidget(pane);
        window.resize(640, 420);
        window.show();
    }

    TestUtils::PrivateKeyring keyring;
    QMainWindow window;
    ProjectsPreferenceViewController* pane = nullptr;
};

} // namespace

TEST_F(PaneWithoutAccountsTest, OffersOnlyToAddAServer) {
    pane->willShowViewInPreferencesPanel();
    EXPECT_EQ(pane->identifier(), QStringLiteral("projects"));
    EXPECT_EQ(pane->title(), QStringLiteral("Projects"));
    EXPECT_EQ(pane->toolTip(), QStringLiteral("Set Project Preferences"));

    std::unique_ptr<QMenu> add(pane->menuForButton(pane->addFilterButton()));
    EXPECT_EQ(titles(add.get()), QStringList{"Add Server…"});
    EXPECT_EQ(ZRTargetAction::action(add->actions().first()), QByteArray("showAuthorizationWindowAction"));

    std::unique_ptr<QMenu> servers(pane->menuForButton(pane->serversButton()));
    EXPECT_EQ(titles(servers.get()), (QStringList{"Authorized Servers", "---", "Add…"}));
    EXPECT_FALSE(servers->actions().first()->isEnabled());

    // With no filters the overlay covers the table and names the first step.
    EXPECT_EQ(pane->noProjectsView()->parentWidget(), pane->filtersTableView());
    EXPECT_TRUE(pane->noProjectsView()->isVisible());
    const auto* hint = pane->noProjectsView()->findChild<QLabel*>("noProjectsLabel");
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().contains("Add a server")) << hint->text().toStdString();
    EXPECT_TRUE(pane->shouldHideViewInPreferencesPanel());
}

namespace {

class ProjectsPaneTest : public JiraDownloadTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
        // Project names that sort differently by case, and one without a name.
        // A site name with an "&" (no mnemonic in the menu) and a tab (no shortcut column).
        standIn.sites().first().name = QStringLiteral("R&D\tdunwarbeck");
        QJsonArray& projects = standIn.sites().first().projects;
        const QStringList names{"Delta Engine", "alpha Board", "Beta Help"};
        for (int i = 0; i < projects.size() && i < names.size(); ++i) {
            QJsonObject project = projects.at(i).toObject();
            project.insert(QStringLiteral("name"), names.at(i));
            projects.replace(i, project);
        }
        QJsonObject nameless = projects.first().toObject();
        nameless.remove(QStringLiteral("name"));
        nameless.insert(QStringLiteral("id"), QStringLiteral("10099"));
        nameless.insert(QStringLiteral("key"), QStringLiteral("NON"));
        projects.append(nameless);
        JiraDownloadTest::SetUp();

        pane = new ProjectsPreferenceViewController();
        pane->awake();
        window.setCentralWidget(pane);
        window.resize(640, 420);
        window.show();
    }

    /*! Shows the pane and waits for the account's sites and projects. */
    void showAndLoadSites() {
        pane->willShowViewInPreferencesPanel();
        ASSERT_TRUE(TestUtils::waitUntil([this] {
            const auto sites = JiraResourcesManager::resourcesPerAccount().value(accountID);
            return !sites.isEmpty() && sites.first()->projects().has_value();
        }));
    }

    QAction* projectItem(QMenu* menu, const QString& name) {
        for (QAction* item : menu->actions()) {
            if (item->text() == name)
                return item;
        }
        ADD_FAILURE() << name.toStdString();
        return nullptr;
    }

    /*! Adds a filter for the named project through the add-project menu. */
    void addProject(const QString& name) {
        std::unique_ptr<QMenu> menu(pane->menuForButton(pane->addFilterButton()));
        QAction* item = projectItem(menu.get(), name);
        ASSERT_NE(item, nullptr);
        item->trigger();
    }

    int searchRequests() const {
        int count = 0;
        for (const auto& request : standIn.requests()) {
            if (request.path.endsWith(QStringLiteral("/rest/api/3/search/jql")))
                ++count;
        }
        return count;
    }

    QAction* submenuItem(QMenu* menu, const QString& submenu, const QString& title) {
        for (QAction* item : menu->actions()) {
            if (item->text() == submenu && item->menu()) {
                for (QAction* inner : item->menu()->actions()) {
                    if (inner->text() == title)
                        return inner;
                }
            }
        }
        ADD_FAILURE() << submenu.toStdString() << " / " << title.toStdString();
        return nullptr;
    }

    TestUtils::PrivateKeyring keyring;
    QMainWindow window;
    ProjectsPreferenceViewController* pane = nullptr;
};

} // namespace

TEST_F(ProjectsPaneTest, AddProjectMenuListsEachSiteWithItsProjectsSortedCaseInsensitively) {
    showAndLoadSites();
    std::unique_ptr<QMenu> menu(pane->menuForButton(pane->addFilterButton()));
    EXPECT_EQ(titles(menu.get()), (QStringList{"R&&D dunwarbeck", "alpha Board", "Beta Help", "Delta Engine",
                                               "---", "Add Server…"}));
    EXPECT_FALSE(menu->actions().at(0)->isEnabled());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(menu->actions().at(i)->property("indentationLevel").toInt(), 1);
        EXPECT_EQ(ZRTargetAction::action(menu->actions().at(i)), QByteArray("addProjectFilterMenuAction"));
    }
}

TEST_F(ProjectsPaneTest, AddingAProjectTwiceGivesTwoFiltersAndRemovesTheOverlay) {
    showAndLoadSites();
    EXPECT_TRUE(pane->noProjectsView()->isVisible());
    // Signed in: the next step is a project, not a server.
    const auto* hint = pane->noProjectsView()->findChild<QLabel*>("noProjectsLabel");
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().contains("Add a project")) << hint->text().toStdString();
    EXPECT_FALSE(hint->text().contains("Servers button")) << hint->text().toStdString();
    addProject(QStringLiteral("Beta Help"));
    addProject(QStringLiteral("Beta Help"));
    const IssueFilterManager::IssueFilterList filters = IssueFilterManager::shared().allIssueFilters();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_NE(filters.at(0)->identifier(), filters.at(1)->identifier());
    EXPECT_EQ(filters.at(1)->name(), QStringLiteral("Beta Help"));
    EXPECT_EQ(accountIDsInFile(), (QStringList{accountID, accountID}));
    EXPECT_EQ(pane->arrayController()->rowCount(), 2);
    EXPECT_FALSE(pane->noProjectsView()->isVisible());
    EXPECT_NE(pane->noProjectsView()->parentWidget(), pane->filtersTableView());

    // The first filter is selected for editing and its issues are downloaded.
    ASSERT_TRUE(pane->selectedFilter());
    EXPECT_EQ(pane->filterSettingsUIController()->issueFilter(), pane->selectedFilter());

    // A menu item that stands for no project does nothing.
    QAction stray;
    pane->addProjectFilterMenuAction(&stray);
    EXPECT_EQ(IssueFilterManager::shared().allIssueFilters().size(), 2);
}

TEST_F(ProjectsPaneTest, ServersMenuOffersEachAccountToReAuthorizeAndRemove) {
    std::unique_ptr<QMenu> menu(pane->menuForButton(pane->serversButton()));
    EXPECT_EQ(titles(menu.get()),
              (QStringList{"Authorized Servers", "---", "Re-Authorize", "Remove", "---", "Add…"}));
    QAction* reauthorize = submenuItem(menu.get(), QStringLiteral("Re-Authorize"),
                                       QStringLiteral("Ada Lovelace (ada@example.com)"));
    ASSERT_NE(reauthorize, nullptr);
    EXPECT_EQ(reauthorize->data(), QVariant(accountID));
    EXPECT_EQ(ZRTargetAction::action(reauthorize), QByteArray("showAuthorizationWindowAction"));
    QAction* remove =
        submenuItem(menu.get(), QStringLiteral("Remove"), QStringLiteral("Ada Lovelace (ada@example.com)"));
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(ZRTargetAction::action(remove), QByteArray("removeServerAction"));
}

TEST_F(ProjectsPaneTest, RemovingAServerAsksWithItsNameAndCountAndDeletesOnlyOnDelete) {
    showAndLoadSites();
    for (const QString& name :
         {QStringLiteral("alpha Board"), QStringLiteral("Beta Help"), QStringLiteral("Delta Engine")})
        addProject(name);
    // A filter of another account stays.
    IssueFilterManager::shared().append(
        std::make_shared<IssueFilter>(QStringLiteral("other-filter"), QStringLiteral("other-account"),
                                      cloudID, QStringLiteral("1"), QStringLiteral("Other")));
    pane->willShowViewInPreferencesPanel();

    std::unique_ptr<QMenu> menu(pane->menuForButton(pane->serversButton()));
    QAction* remove =
        submenuItem(menu.get(), QStringLiteral("Remove"), QStringLiteral("Ada Lovelace (ada@example.com)"));
    ASSERT_NE(remove, nullptr);
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::SecondButton));
        remove->trigger();
        ASSERT_EQ(alerts.shown().size(), 1u);
        EXPECT_EQ(alerts.shown().front().messageText, QStringLiteral("Delete Authorized Server?"));
        EXPECT_EQ(alerts.shown().front().informativeText,
                  QStringLiteral(
                      "Do you really want to delete the authorized server Ada Lovelace and all its projects "
                      "(3)? This can not be undone."));
        EXPECT_EQ(alerts.shown().front().buttonTitles, (QStringList{"Delete", "Cancel"}));
    }
    EXPECT_EQ(accountIDsInFile(), (QStringList{accountID, accountID, accountID, "other-account"}));
    EXPECT_TRUE(JiraAccountManager::jiraAccount(accountID).has_value());

    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        remove->trigger();
        EXPECT_EQ(alerts.shown().size(), 1u);
    }
    EXPECT_EQ(accountIDsInFile(), QStringList{"other-account"});
    EXPECT_FALSE(JiraAccountManager::jiraAccount(accountID).has_value());
    EXPECT_EQ(pane->arrayController()->rowCount(), 1);

    // The same item again: the account is gone, so nothing is asked.
    TestUtils::AlertResponder none;
    remove->trigger();
    EXPECT_TRUE(none.shown().empty());
}

TEST_F(ProjectsPaneTest, RemovingAServerAlsoForgetsACopyTheKeychainCouldNotTake) {
    const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(accountID);
    ASSERT_TRUE(stored.has_value());
    const JiraAccount refreshed(accountID, QStringLiteral("new-access"), QStringLiteral("new-refresh"),
                                stored->expires(), stored->scope(), stored->displayName(),
                                stored->emailAddress());
    Platform::Keychain::setInjectedWriteStatusForTesting(-25293);
    Platform::OptionalError error;
    EXPECT_FALSE(JiraAccountManager::storeAccount(refreshed, error));
    Platform::Keychain::setInjectedWriteStatusForTesting(std::nullopt);
    ASSERT_TRUE(JiraAccountManager::hasPendingAccounts());

    std::unique_ptr<QMenu> menu(pane->menuForButton(pane->serversButton()));
    QAction* remove =
        submenuItem(menu.get(), QStringLiteral("Remove"), QStringLiteral("Ada Lovelace (ada@example.com)"));
    ASSERT_NE(remove, nullptr);
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        remove->trigger();
    }
    EXPECT_FALSE(JiraAccountManager::jiraAccount(accountID).has_value());
    EXPECT_FALSE(JiraAccountManager::hasPendingAccounts());
}

TEST_F(ProjectsPaneTest, RemovingFiltersAsksByNameOrCount) {
    showAndLoadSites();
    for (const QString& name :
         {QStringLiteral("alpha Board"), QStringLiteral("Beta Help"), QStringLiteral("Delta Engine")})
        addProject(name);
    IssueFilterArrayController* filters = pane->arrayController();

    filters->setSelectionIndexes({0, 2});
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::SecondButton));
        pane->removeProjectFilterAction();
        ASSERT_EQ(alerts.shown().size(), 1u);
        EXPECT_EQ(alerts.shown().front().messageText, QStringLiteral("Delete Projects?"));
        EXPECT_EQ(alerts.shown().front().informativeText,
                  QStringLiteral("Do you really want to delete 2 projects? This can not be undone."));
    }
    EXPECT_EQ(IssueFilterManager::shared().allIssueFilters().size(), 3);
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        pane->removeProjectFilterAction();
    }
    ASSERT_EQ(IssueFilterManager::shared().allIssueFilters().size(), 1);
    EXPECT_EQ(IssueFilterManager::shared().allIssueFilters().first()->name(), QStringLiteral("Beta Help"));
    EXPECT_EQ(accountIDsInFile().size(), 1);

    filters->setSelectionIndexes({0});
    TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
    pane->removeProjectFilterAction();
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_EQ(alerts.shown().front().messageText, QStringLiteral("Delete Project?"));
    EXPECT_EQ(alerts.shown().front().informativeText,
              QStringLiteral("Do you really want to delete the project Beta Help? This can not be undone."));
    EXPECT_TRUE(IssueFilterManager::shared().allIssueFilters().isEmpty());
    EXPECT_TRUE(pane->noProjectsView()->isVisible());
}

TEST_F(ProjectsPaneTest, SelectionDownloadsTheFiltersIssuesAndLogsTheirCount) {
    showAndLoadSites();
    Platform::SystemLog::Capture log;
    addProject(QStringLiteral("alpha Board"));
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return log.text().contains(QStringLiteral("issues for 'alpha Board'")); }));
    EXPECT_TRUE(log.text().contains(QStringLiteral("Found ")));
    EXPECT_FALSE(log.text().contains(QStringLiteral("Found 0 issues")));

    // A condition changed in the side area downloads again.
    const int before = searchRequests();
    pane->selectedFilter()->setIssueFilter(1);
    EXPECT_TRUE(TestUtils::waitUntil([&] { return searchRequests() == before + 1; }));
}

TEST_F(ProjectsPaneTest, AdvancedEditorEndingsStoreWhatTheUserChose) {
    showAndLoadSites();
    addProject(QStringLiteral("alpha Board"));
    const std::shared_ptr<IssueFilter> filter = pane->selectedFilter();
    ASSERT_TRUE(filter);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return searchRequests() >= 1; }));
    TestUtils::spin(100);
    const auto editor = [this] { return pane->filterSettingsUIController()->predicateEditor(); };
    const auto storedPredicate = [] {
        IssueFilterManager reader([] { return IssueFilterManager::shared().issueFiltersFilePath(); });
        const auto filters = reader.allIssueFilters();
        return filters.isEmpty() || !filters.first()->predicate() ? QString()
                                                                  : filters.first()->predicate()->format();
    };

    // Cancel: nothing changes, nothing is downloaded.
    int requests = searchRequests();
    pane->advancedAction();
    ASSERT_NE(editor(), nullptr);
    editor()->cancelButtonAction();
    EXPECT_FALSE(filter->predicate());
    TestUtils::spin(100);
    EXPECT_EQ(searchRequests(), requests);
    EXPECT_FALSE(pane->showUpdateProgress());

    // OK: the condition is stored and the issues downloaded again.
    pane->advancedAction();
    ASSERT_NE(editor(), nullptr);
    editor()->okButtonAction();
    ASSERT_TRUE(filter->predicate());
    EXPECT_EQ(filter->predicate()->format(), QStringLiteral("summary == \"My Issue\""));
    EXPECT_EQ(storedPredicate(), QStringLiteral("summary == \"My Issue\""));
    EXPECT_TRUE(pane->showUpdateProgress());
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !pane->showUpdateProgress(); }));
    EXPECT_EQ(searchRequests(), requests + 1);

    // Delete with a condition: it goes, and the issues are downloaded again.
    requests = searchRequests();
    pane->advancedAction();
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        editor()->deletePredicateAction();
    }
    EXPECT_FALSE(filter->predicate());
    EXPECT_TRUE(storedPredicate().isEmpty());
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return !pane->showUpdateProgress() && searchRequests() == requests + 1; }));

    // Delete without a condition: only saved.
    requests = searchRequests();
    pane->advancedAction();
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        editor()->deletePredicateAction();
    }
    EXPECT_FALSE(pane->showUpdateProgress());
    TestUtils::spin(100);
    EXPECT_EQ(searchRequests(), requests);
}

TEST_F(ProjectsPaneTest, AdvancedConditionTheRowsCannotShowSurvivesOk) {
    showAndLoadSites();
    addProject(QStringLiteral("alpha Board"));
    const std::shared_ptr<IssueFilter> filter = pane->selectedFilter();
    const QString unusual = QStringLiteral("fields.labels CONTAINS \"urgent\" OR key ENDSWITH \"-1\"");
    filter->setPredicate(Platform::Predicate::fromFormat(unusual));
    pane->advancedAction();
    PredicateEditorWindowController* editor = pane->filterSettingsUIController()->predicateEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->predicateEditor()->isReadOnly());
    editor->okButtonAction();
    ASSERT_TRUE(filter->predicate());
    EXPECT_EQ(filter->predicate()->format(), unusual);
}

TEST_F(ProjectsPaneTest, AdvancedConditionThatCannotBeReadSurvivesOkAndGoesOnDelete) {
    QJsonObject json =
        IssueFilter::forProject(*JiraProject::create(accountID, cloudID, std::nullopt,
                                                     standIn.sites().first().projects.first().toObject()))
            ->toJson();
    json.insert(QStringLiteral("predicate"), QStringLiteral("not base64!"));
    const std::shared_ptr<IssueFilter> filter = IssueFilter::fromJson(json);
    ASSERT_TRUE(filter && filter->hasUnreadablePredicate());
    IssueFilterManager::shared().append(filter);
    const auto storedForm = [] {
        QFile file(IssueFilterManager::shared().issueFiltersFilePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(file.readAll())
            .array()
            .first()
            .toObject()
            .value(QStringLiteral("predicate"));
    };
    pane->willShowViewInPreferencesPanel();
    ASSERT_EQ(pane->selectedFilter(), filter);

    pane->advancedAction();
    PredicateEditorWindowController* editor = pane->filterSettingsUIController()->predicateEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->predicateEditor()->isReadOnly());
    EXPECT_TRUE(editor->predicateEditor()->rowViews().isEmpty());
    editor->okButtonAction();
    EXPECT_TRUE(filter->hasUnreadablePredicate());
    pane->willHideViewInPreferencesPanel();
    EXPECT_EQ(storedForm(), QJsonValue(QStringLiteral("not base64!")));

    pane->advancedAction();
    {
        TestUtils::AlertResponder alerts(answer(Platform::ModalResponse::FirstButton));
        pane->filterSettingsUIController()->predicateEditor()->deletePredicateAction();
    }
    EXPECT_FALSE(filter->hasUnreadablePredicate());
    EXPECT_TRUE(storedForm().isUndefined());
}

TEST_F(ProjectsPaneTest, UpdateButtonShowsProgressUntilTheDownloadEnds) {
    showAndLoadSites();
    addProject(QStringLiteral("Delta Engine"));
    pane->updateAction();
    EXPECT_TRUE(pane->showUpdateProgress());
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !pane->showUpdateProgress(); }));
    EXPECT_TRUE(pane->shouldHideViewInPreferencesPanel());
}
