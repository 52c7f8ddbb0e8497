#include "DebugWindowController.h"

#include "Corvantide/JiraDownloadFixture.h"
#include "PrivateKeyring.h"
#include "UserDefaultsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList keys(const QList<JiraIssue>& issues) {
    QStringList result;
    for (const JiraIssue& issue : issues)
        result.append(issue.key());
    return result;
}

/*! The stand-in's sample site for the first signed-in account, in a keyring of this test alone. ABC has a
    kanban board beside its scrum board. */
class DebugWindowTest : public JiraDownloadTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
        JiraStandIn::Site& site = standIn.sites().first();
        // A long site name: its pop-up must show it whole.
        site.name = QStringLiteral("Dunwarbeck Research and Development Engineering Site");
        const auto board = [](int id, const QString& type, int projectID) {
            return QJsonObject{{"id", id},
                               {"name", QStringLiteral("board %1").arg(id)},
                               {"type", type},
                               {"location", QJsonObject{{"projectId", projectID}, {"projectKey", "ABC"}}}};
        };
        site.boards.append(board(4, QStringLiteral("kanban"), 10000));
        site.sprintsByBoard.insert(4, QJsonArray());
        JiraDownloadTest::SetUp();
    }

    void TearDown() override {
        controller.reset();
        JiraDownloadTest::TearDown();
    }

    DebugWindowController& open() {
        controller = std::make_unique<DebugWindowController>();
        controller->showWindow();
        return *controller;
    }

    QStringList searchedJQL() const {
        QStringList jql;
        for (const JiraStandIn::Request& request :
             standIn.requests(QStringLiteral("/rest/api/3/search/jql$")))
            jql.append(request.queryValue(QStringLiteral("jql")));
        return jql;
    }

    QStringList sprintRequests() const {
        QStringList paths;
        for (const JiraStandIn::Request& request : standIn.requests(QStringLiteral("/sprint$")))
            paths.append(request.path.section(QLatin1Char('/'), -2, -2));
        return paths;
    }

    bool waitForIdle() {
        return TestUtils::waitUntil(
            [] { return ZRJOperationManager::shared().runningOperationCount() == 0; });
    }

    QStringList shownIssues() const { return keys(controller->issuesArrayController()->arrangedObjects()); }

    TestUtils::PrivateKeyring keyring;
    std::unique_ptr<DebugWindowController> controller;
};

} // namespace

TEST_F(DebugWindowTest, TheCascadeReselectsTheStoredProjectAndAsksSprintsOfItsScrumBoardsOnly) {
    UserDefaultsKeys::set(QStringLiteral("DEF"), UserDefaultsKeys::Key::selectedProjectID);
    open();
    ASSERT_TRUE(TestUtils::waitUntil([this] { return !shownIssues().isEmpty(); }));
    ASSERT_TRUE(waitForIdle());
    ASSERT_TRUE(controller->account());
    EXPECT_EQ(controller->account()->accountID(), accountID);
    ASSERT_TRUE(controller->resources());
    ASSERT_EQ(controller->resources()->size(), 1);
    EXPECT_EQ(controller->selectedResource(), controller->resources()->first());
    QComboBox* sites = controller->resourcesPopupButton();
    EXPECT_GE(sites->width(), sites->fontMetrics().horizontalAdvance(sites->currentText()))
        << "the site pop-up is as wide as its longest item";
    EXPECT_EQ(controller->userManager().users().size(), 3);

    // Sorted by name; the stored project is chosen again, in the list and in the pop-up.
    QStringList projectKeys;
    for (const JiraProject& project : controller->projectsArrayController()->arrangedObjects())
        projectKeys.append(project.key());
    EXPECT_EQ(projectKeys, (QStringList{"ABC", "DEF", "GHI"}));
    ASSERT_TRUE(controller->selectedProject());
    EXPECT_EQ(controller->selectedProject()->key(), QStringLiteral("DEF"));
    EXPECT_EQ(controller->projectsPopupButton()->currentIndex(), 1);
    EXPECT_EQ(controller->projectsPopupButton()->currentText(), QStringLiteral("Delta Engine Firmware"));
    EXPECT_EQ(shownIssues(), (QStringList{"DEF-1", "DEF-2"}));
    // DEF's only board is a kanban board: no sprints are asked for.
    EXPECT_TRUE(sprintRequests().isEmpty());

    // Choosing ABC in the pop-up stores it and walks on to its boards and the sprints of its scrum board.
    standIn.clearRequests();
    controller->projectsPopupButton()->setCurrentIndex(0);
    controller->projectPopupAction(controller->projectsPopupButton());
    EXPECT_EQ(UserDefaultsKeys::string(UserDefaultsKeys::Key::selectedProjectID), QStringLiteral("ABC"));
    ASSERT_TRUE(
        TestUtils::waitUntil([this] { return controller->sprintsArrayController()->rowCount() == 3; }));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(controller->boardsArrayController()->rowCount(), 2);
    EXPECT_EQ(sprintRequests(), QStringList{"1"});
    EXPECT_EQ(controller->sprints().value(cloudID).size(), 3);
    EXPECT_EQ(shownIssues(), (QStringList{"ABC-1", "ABC-2", "ABC-3", "ABC-4", "ABC-5"}));

    // A sprint: the radio buttons go to none and the search asks for that sprint.
    controller->setOpenSprintsOnly(true);
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(controller->selectedSprintFilter(), DebugWindowController::SprintFilter::open);
    standIn.clearRequests();
    controller->sprintsArrayController()->setSelectionIndex(1);
    EXPECT_EQ(controller->selectedSprintFilter(), DebugWindowController::SprintFilter::none);
    EXPECT_FALSE(controller->openSprintsOnly());
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(searchedJQL(), QStringList{"project = \"ABC\" AND sprint = 2"});
    EXPECT_EQ(shownIssues(), (QStringList{"ABC-1", "ABC-3"}));

    // "Open" afterwards keeps the chosen sprint in the search; picking it again asks nothing.
    standIn.clearRequests();
    controller->setOpenSprintsOnly(true);
    controller->setOpenSprintsOnly(true);
    controller->setOpenSprintsOnly(false);
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(searchedJQL(), QStringList{"project = \"ABC\" AND sprint = 2"});

    // Only my issues.
    standIn.clearRequests();
    controller->currentUserIssuesOnlyCheckbox()->click();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(searchedJQL(), QStringList{"project = \"ABC\" AND assignee = currentuser() AND sprint = 2"});
    EXPECT_EQ(shownIssues(), QStringList{"ABC-1"});
}

TEST_F(DebugWindowTest, AProjectWhoseIdIsNoNumberAsksSprintsOnlyOfScrumBoardsWithoutAProject) {
    JiraStandIn::Site& site = standIn.sites().first();
    for (QJsonValueRef value : site.projects) {
        QJsonObject project = value.toObject();
        if (project.value("key").toString() == u"GHI") {
            project.insert("id", "ghi-x");
            value = project;
        }
    }
    // The stand-in finds a project's boards by key or number; these answer to the id that is no number.
    const auto board = [](int id, const QJsonObject& location) {
        return QJsonObject{{"id", id},
                           {"name", QStringLiteral("board %1").arg(id)},
                           {"type", "scrum"},
                           {"location", location}};
    };
    site.boards.append(board(7, QJsonObject{{"projectKey", "ghi-x"}}));
    site.boards.append(board(8, QJsonObject{{"projectId", 10002}, {"projectKey", "ghi-x"}}));
    site.sprintsByBoard.insert(7, QJsonArray());
    site.sprintsByBoard.insert(8, QJsonArray());
    UserDefaultsKeys::set(QStringLiteral("GHI"), UserDefaultsKeys::Key::selectedProjectID);
    open();
    ASSERT_TRUE(
        TestUtils::waitUntil([this] { return controller->boardsArrayController()->rowCount() == 2; }));
    ASSERT_TRUE(waitForIdle());
    ASSERT_TRUE(controller->selectedProject());
    EXPECT_EQ(controller->selectedProject()->identifier(), QStringLiteral("ghi-x"));
    // A board that names a project is some other project's, whatever its number: only board 7 is asked.
    // (The first site's projects are asked for twice as the window opens, so the walk may come twice.)
    const QStringList asked = sprintRequests();
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_EQ(QSet<QString>(asked.cbegin(), asked.cend()), QSet<QString>{"7"});
}

TEST_F(DebugWindowTest, TheStatusPopUpFiltersTheLastResultWithoutARequest) {
    UserDefaultsKeys::set(QStringLiteral("ABC"), UserDefaultsKeys::Key::selectedProjectID);
    open();
    ASSERT_TRUE(TestUtils::waitUntil([this] { return shownIssues().size() == 5; }));
    ASSERT_TRUE(waitForIdle());
    standIn.clearRequests();

    const auto choose = [this](int index) {
        controller->issueFilterPopupButton()->setCurrentIndex(index);
        UserDefaultsKeys::set(qint64(index), UserDefaultsKeys::Key::selectedIssueFilter);
        controller->issueFilterChanged(controller->issueFilterPopupButton());
    };
    choose(1);
    EXPECT_EQ(shownIssues(), (QStringList{"ABC-2", "ABC-4"}));
    choose(2);
    EXPECT_EQ(shownIssues(), (QStringList{"ABC-1", "ABC-3"}));
    choose(3);
    EXPECT_EQ(shownIssues(), (QStringList{"ABC-1", "ABC-2", "ABC-3", "ABC-4"}));
    choose(0);
    EXPECT_EQ(shownIssues().size(), 5);
    UserDefaultsKeys::set(qint64(7), UserDefaultsKeys::Key::selectedIssueFilter);
    controller->issueFilterChanged();
    EXPECT_EQ(shownIssues().size(), 5);
    EXPECT_TRUE(standIn.requests().isEmpty());
    EXPECT_EQ(controller->lastDownloadedIssues().size(), 5);
}

TEST_F(DebugWindowTest, LaterRequestsUseTheTokenTheCheckRenewed) {
    // Expiring within the renewal margin: the site request renews the tokens first.
    storeAccount(QDateTime::currentDateTimeUtc().addSecs(60));
    UserDefaultsKeys::set(QStringLiteral("ABC"), UserDefaultsKeys::Key::selectedProjectID);
    open();
    ASSERT_TRUE(TestUtils::waitUntil([this] { return shownIssues().size() == 5; }));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(storingUpdater.refreshes, 1);
    const QString renewed = JiraAccountManager::jiraAccount(accountID)->accessToken();
    ASSERT_NE(renewed, tokens.first);
    EXPECT_EQ(controller->account()->accessToken(), renewed);
    for (const char* path : {"/project/search$", "/user/search$", "/search/jql$", "/board$", "/sprint$"}) {
        const QList<JiraStandIn::Request> requests = standIn.requests(QString::fromLatin1(path));
        ASSERT_FALSE(requests.isEmpty()) << path;
        for (const JiraStandIn::Request& request : requests)
            EXPECT_EQ(request.header("Authorization"), "Bearer " + renewed.toUtf8()) << path;
    }
}

TEST_F(DebugWindowTest, AnswersWithoutValuesLeaveTheListsAsTheyWere) {
    UserDefaultsKeys::set(QStringLiteral("ABC"), UserDefaultsKeys::Key::selectedProjectID);
    open();
    ASSERT_TRUE(
        TestUtils::waitUntil([this] { return controller->sprintsArrayController()->rowCount() == 3; }));
    ASSERT_TRUE(waitForIdle());
    const auto chooseProjectAgain = [this] {
        controller->projectsArrayController()->setSelectionIndexes({});
        controller->projectsArrayController()->setSelectionIndex(0);
        return waitForIdle();
    };

    standIn.clearRequests();
    standIn.setOverride(QStringLiteral("/sprint$"), JiraStandIn::Reply::json(QJsonObject{{"total", 0}}));
    ASSERT_TRUE(chooseProjectAgain());
    EXPECT_EQ(sprintRequests(), QStringList{"1"});
    EXPECT_EQ(controller->boardsArrayController()->rowCount(), 2);
    EXPECT_EQ(controller->sprints().value(cloudID).size(), 3);
    EXPECT_EQ(controller->sprintsArrayController()->rowCount(), 0);

    standIn.setOverride(QStringLiteral("/board$"), JiraStandIn::Reply::json(QJsonObject{{"values", 3}}));
    ASSERT_TRUE(chooseProjectAgain());
    EXPECT_EQ(controller->boards().value(cloudID).size(), 2);
    EXPECT_EQ(controller->boardsArrayController()->rowCount(), 0);
    EXPECT_EQ(sprintRequests().size(), 1);
}

TEST_F(DebugWindowTest, WithoutAnAccountNothingIsRequested) {
    KeychainAccess::removeEntry(accountID);
    standIn.clearRequests();
    open();
    TestUtils::spin(100);
    EXPECT_FALSE(controller->account());
    EXPECT_TRUE(standIn.requests().isEmpty());
    EXPECT_EQ(controller->resourcesArrayController()->rowCount(), 0);
}
