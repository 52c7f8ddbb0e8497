#include "JiraResourcesManager.h"
#include "JiraDownloadFixture.h"
#include "JiraUserManager.h"

#include "Platform/SystemLog.h"

#include <QThread>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int calls = 0;
    std::optional<QList<Platform::Error>> errors;

    JiraResourcesManager::Completion completion() {
        return [this](const std::optional<QList<Platform::Error>>& e) {
            ++calls;
            errors = e;
        };
    }
    bool wait() {
        return TestUtils::waitUntil([this] { return calls > 0; });
    }
};

} // namespace

class JiraResourcesManagerTest : public JiraDownloadTest {
protected:
    JiraResourcesManager::ResourceList sites() const {
        return JiraResourcesManager::resourcesPerAccount().value(accountID);
    }

    Outcome download() {
        Outcome outcome;
        JiraResourcesManager::startGetAccessibleResourcesOperation(storedAccount(), accountID,
                                                                   outcome.completion());
        EXPECT_TRUE(outcome.wait());
        TestUtils::spin(50); // a second call of the completion would show here
        return outcome;
    }
};

TEST_F(JiraResourcesManagerTest, DownloadsTwoSitesWithTheirProjectsAndUsersAndCompletesOnce) {
    const QString second = addSecondSite();
    const Outcome outcome = download();
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_FALSE(outcome.errors.has_value());
    ASSERT_EQ(sites().size(), 2);
    EXPECT_EQ(sites()[0]->cloudID(), cloudID);
    EXPECT_EQ(sites()[1]->cloudID(), second);
    ASSERT_TRUE(sites()[0]->projects() && sites()[1]->projects());
    EXPECT_EQ(sites()[0]->projects()->size(), 3);
    EXPECT_EQ(sites()[1]->projects()->size(), 1);
    const JiraProject& project = sites()[0]->projects()->first();
    EXPECT_EQ(project.key(), QStringLiteral("ABC"));
    EXPECT_EQ(project.accountID(), accountID);
    EXPECT_EQ(project.baseURL(), std::optional(QStringLiteral("https://dunwarbeck.atlassian.net")));
    ASSERT_TRUE(sites()[1]->users());
    EXPECT_EQ(sites()[1]->users()->size(), 3);
    EXPECT_EQ(standIn.requests(QStringLiteral("/project/search")).size(), 2);
    EXPECT_EQ(standIn.requests(QStringLiteral("/user/search")).size(), 2);
}

TEST_F(JiraResourcesManagerTest, ReportsTheFailedUserDownloadOfASiteThatFinishedFirst) {
    const QString second = addSecondSite();
    standIn.setOverride(sitePath(cloudID, "/rest/api/3/user/search"),
                        JiraStandIn::Reply::error(500, QStringLiteral("users are down")));
    standIn.setDelay(sitePath(second, "/"), 300);
    const Outcome outcome = download();
    EXPECT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.errors.has_value());
    ASSERT_EQ(outcome.errors->size(), 1);
    EXPECT_EQ(outcome.errors->first().httpStatus(), 500);
    EXPECT_TRUE(sites()[0]->projects().has_value());
    EXPECT_FALSE(sites()[0]->users().has_value());
    EXPECT_TRUE(sites()[1]->users().has_value());
}

TEST_F(JiraResourcesManagerTest, ReportsEveryErrorOfEverySite) {
    const QString second = addSecondSite();
    standIn.setOverride(sitePath(cloudID, "/rest/api/3/project/search"),
                        JiraStandIn::Reply::error(500, QStringLiteral("no")));
    JiraStandIn::Reply unavailable = JiraStandIn::Reply::error(503, QStringLiteral("no"));
    unavailable.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("0"))); // retried at once
    standIn.setOverride(sitePath(second, "/rest/api/3/user/search"), unavailable);
    standIn.setOverride(sitePath(second, "/rest/api/3/project/search"),
                        JiraStandIn::Reply::error(502, QStringLiteral("no")));
    const Outcome outcome = download();
    ASSERT_TRUE(outcome.errors.has_value());
    QList<int> statuses;
    for (const Platform::Error& error : *outcome.errors)
        statuses.append(error.httpStatus());
    std::sort(statuses.begin(), statuses.end());
    EXPECT_EQ(statuses, (QList<int>{500, 502, 503}));
    EXPECT_FALSE(sites()[0]->projects().has_value());
    EXPECT_TRUE(sites()[0]->users().has_value());
    EXPECT_FALSE(sites()[1]->projects().has_value());
}

TEST_F(JiraResourcesManagerTest, TheRefreshedTokenReachesTheProjectAndUserRequests) {
    storeAccount(QDateTime::currentDateTimeUtc().addSecs(60)); // expires within 300 s: refreshed first
    const ZRJAccountPtr expiring = storedAccount();
    Outcome outcome;
    JiraResourcesManager::startGetAccessibleResourcesOperation(expiring, accountID, outcome.completion());
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(storingUpdater.refreshes, 1);
    EXPECT_FALSE(outcome.errors.has_value());

    const QString refreshed = JiraAccountManager::jiraAccount(accountID)->accessToken();
    ASSERT_NE(refreshed, expiring->accessToken());
    const QByteArray bearer = "Bearer " + refreshed.toUtf8();
    const auto siteRequests = standIn.requests(QStringLiteral("^/ex/jira/"));
    ASSERT_EQ(siteRequests.size(), 2);
    for (const JiraStandIn::Request& request : siteRequests)
        EXPECT_EQ(request.header("Authorization"), bearer) << request.path.toStdString();
}

TEST_F(JiraResourcesManagerTest, AnEmptySiteListCompletesAtOnceAndAFailedOneKeepsTheSites) {
    ASSERT_FALSE(download().errors.has_value());
    ASSERT_EQ(sites().size(), 1);
    const std::shared_ptr<JiraResource> known = sites().first();

    standIn.setOverride(QStringLiteral("^/oauth/token/accessible-resources$"),
                        JiraStandIn::Reply::error(500, QStringLiteral("down")), 1);
    const Outcome failed = download();
    ASSERT_TRUE(failed.errors.has_value());
    EXPECT_EQ(failed.errors->size(), 1);
    EXPECT_EQ(sites().first(), known);

    standIn.setOverride(QStringLiteral("^/oauth/token/accessible-resources$"),
                        JiraStandIn::Reply::json(QJsonArray{QJsonObject{{QStringLiteral("id"), 5}}}), 1);
    standIn.clearRequests();
    const Outcome empty = download();
    EXPECT_FALSE(empty.errors.has_value());
    EXPECT_TRUE(JiraResourcesManager::resourcesPerAccount().contains(accountID));
    EXPECT_TRUE(sites().isEmpty());
    EXPECT_TRUE(standIn.requests(QStringLiteral("^/ex/jira/")).isEmpty());
}

TEST_F(JiraResourcesManagerTest, ProjectPagesWithoutValuesAreSkipped) {
    // An element that is no object costs that element alone; the rest of its page is kept.
    standIn.projectPageSize = 1;
    const QJsonObject project{{QStringLiteral("id"), QStringLiteral("10099")},
                              {QStringLiteral("key"), QStringLiteral("XYZ")},
                              {QStringLiteral("name"), QStringLiteral("Kept")}};
    Platform::SystemLog::Capture log;
    standIn.setOverride(sitePath(cloudID, "/rest/api/3/project/search"),
                        JiraStandIn::Reply::json(QJsonObject{
                            {QStringLiteral("values"), QJsonArray{1, project, QStringLiteral("two")}},
                            {QStringLiteral("nextPage"),
                             standIn.baseUrl().toString() + QStringLiteral("/ex/jira/") + cloudID +
                                 QStringLiteral("/rest/api/3/project/search?startAt=1")}}),
                        1);
    ASSERT_FALSE(download().errors.has_value());
    ASSERT_TRUE(sites().first()->projects());
    QStringList keys;
    for (const JiraProject& project : *sites().first()->projects())
        keys.append(project.key());
    EXPECT_EQ(keys, (QStringList{QStringLiteral("XYZ"), QStringLiteral("DEF"), QStringLiteral("GHI")}));
    EXPECT_TRUE(log.contains(QStringLiteral("Skipped element 0 of \"values\"")));
    EXPECT_TRUE(log.contains(QStringLiteral("Skipped element 2 of \"values\"")));
}

TEST_F(JiraResourcesManagerTest, ASiteIdThatIsNoPathSegmentIsEncodedAndItsProjectsArrive) {
    standIn.sites().first().cloudID = QStringLiteral("site id/with?odd#chars");
    const Outcome outcome = download();
    EXPECT_FALSE(outcome.errors.has_value());
    ASSERT_EQ(sites().size(), 1);
    EXPECT_EQ(sites().first()->cloudID(), QStringLiteral("site id/with?odd#chars"));
    ASSERT_TRUE(sites().first()->projects());
    EXPECT_EQ(sites().first()->projects()->size(), 3);
    ASSERT_TRUE(sites().first()->users());
    EXPECT_EQ(standIn.requests(QStringLiteral("^/ex/jira/site id/with\\?odd#chars/rest/")).size(), 2);
}

TEST_F(JiraResourcesManagerTest, AFailedProjectOrUserDownloadKeepsTheSitesPreviousOnesAndReportsIt) {
    ASSERT_FALSE(download().errors.has_value());
    ASSERT_EQ(sites().first()->projects()->size(), 3);

    struct Case {
        const char* name;
        std::function<void()> fault;
        int errors;
    };
    Platform::SystemLog::Capture log;
    const std::vector<Case> cases{
        {"429 and 500",
         [&] {
             JiraStandIn::Reply tooMany = JiraStandIn::Reply::error(429, QStringLiteral("slow down"));
             tooMany.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("0")));
             standIn.setOverride(sitePath(cloudID, "/rest/api/3/project/search"), tooMany);
             standIn.setOverride(sitePath(cloudID, "/rest/api/3/user/search"),
                                 JiraStandIn::Reply::error(500, QStringLiteral("down")));
         },
         2},
        {"values of the wrong type",
         [&] {
             standIn.projectPageSize = 1;
             standIn.projectPagingFault = JiraStandIn::PagingFault::WrongType;
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standIn.clearSwitches();
        c.fault();
        const std::shared_ptr<JiraResource> before = sites().first();
        const Outcome outcome = download();
        ASSERT_TRUE(outcome.errors.has_value());
        EXPECT_EQ(outcome.errors->size(), c.errors);
        ASSERT_NE(sites().first(), before) << "a new site list arrived";
        ASSERT_TRUE(sites().first()->projects());
        EXPECT_EQ(sites().first()->projects()->size(), 3);
        ASSERT_TRUE(sites().first()->users());
        EXPECT_EQ(sites().first()->users()->size(), 3);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("could not download the projects of site ") + cloudID));
}

TEST(JiraUserManagerTest, KeepsTheLastUserOfAnAccountID) {
    JiraUserManager users;
    users.addUsers({JiraUser(QJsonObject{{QStringLiteral("accountId"), QStringLiteral("u1")},
                                         {QStringLiteral("displayName"), QStringLiteral("First")}}),
                    JiraUser(QJsonObject{{QStringLiteral("accountId"), QStringLiteral("u2")}}),
                    JiraUser(QJsonObject{{QStringLiteral("accountId"), QStringLiteral("u1")},
                                         {QStringLiteral("displayName"), QStringLiteral("Second")}})});
    EXPECT_EQ(users.users().size(), 2);
    EXPECT_EQ(users.users().constFind(QStringLiteral("u1"))->displayName(), QStringLiteral("Second"));
}

TEST(JiraResourcesManagerDeathTest, StartingOffTheMainThreadStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            QThread* thread = QThread::create([] {
                JiraResourcesManager::startGetAccessibleResourcesOperation(
                    std::make_shared<TestAccount>(QStringLiteral("a"), QStringLiteral("r"), QDateTime()),
                    QStringLiteral("id"));
            });
            thread->start();
            thread->wait();
        },
        "must be called on main thread");
}
