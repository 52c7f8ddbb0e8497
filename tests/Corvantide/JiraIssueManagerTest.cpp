#include "JiraIssueManager.h"
#include "JiraDownloadFixture.h"
#include "JiraResourcesManager.h"
#include "Platform/SystemLog.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonObject issueJson(const QString& key, const QString& categoryKey, const QString& categoryName,
                      const QString& summary = QStringLiteral("Something")) {
    return QJsonObject{{QStringLiteral("id"), QStringLiteral("id-") + key},
                       {QStringLiteral("key"), key},
                       {QStringLiteral("fields"),
                        QJsonObject{{QStringLiteral("summary"), summary},
                                    {QStringLiteral("status"),
                                     QJsonObject{{QStringLiteral("name"), categoryName},
                                                 {QStringLiteral("statusCategory"),
                                                  QJsonObject{{QStringLiteral("key"), categoryKey},
                                                              {QStringLiteral("name"), categoryName}}}}}}}};
}

QStringList keys(const QList<JiraIssue>& issues) {
    QStringList result;
    for (const JiraIssue& issue : issues)
        result.append(issue.key());
    return result;
}

std::shared_ptr<IssueFilter>
localFilter(IssueFilter::IssueFilterType type = IssueFilter::IssueFilterType::all) {
    auto filter = std::make_shared<IssueFilter>(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                                QStringLiteral("nobody"), QStringLiteral("cloud"),
                                                QStringLiteral("10000"), QStringLiteral("Local"));
    filter->setIssueFilterType(type);
    return filter;
}

QList<JiraIssue> take(const QList<QJsonObject>& issues, const IssueFilter& filter, bool store = true) {
    return JiraIssueManager::takeSearchResult(issues, filter, QStringLiteral("https://x.atlassian.net"),
                                              QStringLiteral("Project"), store);
}

struct Outcome {
    int calls = 0;
    std::optional<QList<JiraIssue>> issues;
    Platform::OptionalError error;

    JiraIssueManager::Completion completion() {
        return [this](const std::optional<QList<JiraIssue>>& i, const Platform::OptionalError& e) {
            ++calls;
            issues = i;
            error = e;
        };
    }
};

} // namespace

TEST(JiraIssueFilteringTest, KeepsTheStatusCategoriesTheFilterAsksFor) {
    const QList<QJsonObject> answer{
        issueJson(QStringLiteral("A-1"), QStringLiteral("new"), QStringLiteral("To Do")),
        issueJson(QStringLiteral("A-2"), QStringLiteral("indeterminate"), QStringLiteral("In Progress")),
        issueJson(QStringLiteral("A-3"), QStringLiteral("done"), QStringLiteral("Done")),
        QJsonObject{{QStringLiteral("id"), QStringLiteral("no key")}}};
    EXPECT_EQ(keys(take(answer, *localFilter())), (QStringList{"A-1", "A-2", "A-3"}));
    EXPECT_EQ(keys(take(answer, *localFilter(IssueFilter::IssueFilterType::todo))), QStringList{"A-1"});
    EXPECT_EQ(keys(take(answer, *localFilter(IssueFilter::IssueFilterType::inProgress))), QStringList{"A-2"});
    EXPECT_EQ(keys(take(answer, *localFilter(IssueFilter::IssueFilterType::todoOrInProgress))),
              (QStringList{"A-1", "A-2"}));
    const QList<QJsonObject> german{
        issueJson(QStringLiteral("B-1"), QStringLiteral("new"), QStringLiteral("Zu erledigen")),
        issueJson(QStringLiteral("B-2"), QStringLiteral("indeterminate"), QStringLiteral("In Arbeit"))};
    EXPECT_TRUE(take(german, *localFilter(IssueFilter::IssueFilterType::todoOrInProgress)).isEmpty());
}

TEST(JiraIssueFilteringTest, AppliesTheAdvancedFilterAndStoresAnEmptyResult) {
    const auto filter = localFilter();
    const QList<QJsonObject> answer{issueJson(QStringLiteral("A-1"), QStringLiteral("new"),
                                              QStringLiteral("To Do"), QStringLiteral("Crème brûlée")),
                                    issueJson(QStringLiteral("A-2"), QStringLiteral("new"),
                                              QStringLiteral("To Do"), QStringLiteral("Toast"))};
    filter->setPredicate(Platform::Predicate::fromFormat(QStringLiteral("summary CONTAINS[cd] 'CREME'")));
    EXPECT_EQ(keys(take(answer, *filter)), QStringList{"A-1"});
    filter->setPredicate(Platform::Predicate::fromFormat(
        QStringLiteral("fields.status.statusCategory.key == 'new' AND key ENDSWITH '2'")));
    EXPECT_EQ(keys(take(answer, *filter)), QStringList{"A-2"});

    EXPECT_FALSE(JiraIssueManager::issues(*localFilter()).has_value()) << "never downloaded";
    filter->setPredicate(Platform::Predicate::fromFormat(QStringLiteral("summary == 'nothing like it'")));
    EXPECT_TRUE(take(answer, *filter).isEmpty());
    ASSERT_TRUE(JiraIssueManager::issues(*filter).has_value());
    EXPECT_TRUE(JiraIssueManager::issues(*filter)->isEmpty());
}

TEST(JiraIssueSortingTest, SortsByKeyOrByStatusStablyOnEveryRead) {
    const auto filter = localFilter();
    take({issueJson(QStringLiteral("ABC-2"), QStringLiteral("indeterminate"), QStringLiteral("In Progress")),
          issueJson(QStringLiteral("abc-1"), QStringLiteral("indeterminate"), QStringLiteral("In Progress")),
          issueJson(QStringLiteral("ABC-10"), QStringLiteral("new"), QStringLiteral("To Do")),
          issueJson(QStringLiteral("abc-10"), QStringLiteral("done"), QStringLiteral("Done"))},
         *filter);
    UserDefaultsKeys::set(qint64(0), UserDefaultsKeys::Key::orderIssuesType);
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), (QStringList{"abc-1", "ABC-10", "abc-10", "ABC-2"}));
    UserDefaultsKeys::set(qint64(1), UserDefaultsKeys::Key::orderIssuesType);
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), (QStringList{"ABC-10", "ABC-2", "abc-1", "abc-10"}));
    UserDefaultsKeys::set(qint64(7), UserDefaultsKeys::Key::orderIssuesType);
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), (QStringList{"abc-1", "ABC-10", "abc-10", "ABC-2"}));
}

class JiraIssueManagerTest : public JiraDownloadTest {
protected:
    void SetUp() override {
        JiraDownloadTest::SetUp();
        bool done = false;
        JiraResourcesManager::startGetAccessibleResourcesOperation(
            storedAccount(), accountID,
            [&done](const std::optional<QList<Platform::Error>>&) { done = true; });
        ASSERT_TRUE(TestUtils::waitUntil([&] { return done; }));
        filter = std::make_shared<IssueFilter>(QStringLiteral("F-") + accountID, accountID, cloudID,
                                               QStringLiteral("10000"), QStringLiteral("ABC"));
    }

    Outcome download(const std::shared_ptr<IssueFilter>& which, bool store = true) {
        Outcome outcome;
        JiraIssueManager::startGetIssuesOperation(which, store, outcome.completion());
        EXPECT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
        TestUtils::spin(30);
        EXPECT_EQ(outcome.calls, 1);
        return outcome;
    }

    std::shared_ptr<IssueFilter> filter;
};

TEST_F(JiraIssueManagerTest, DownloadsFiltersAndStoresTheProjectsIssues) {
    filter->setIssueFilterType(IssueFilter::IssueFilterType::todoOrInProgress);
    const Outcome outcome = download(filter);
    ASSERT_TRUE(outcome.issues.has_value());
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(keys(*outcome.issues), (QStringList{"ABC-1", "ABC-2", "ABC-3", "ABC-4"}));
    const JiraIssue& first = outcome.issues->first();
    EXPECT_EQ(first.projectName(), QStringLiteral("Alpha Board Client"));
    EXPECT_EQ(first.url(),
              std::optional(QUrl(QStringLiteral("https://dunwarbeck.atlassian.net/browse/ABC-1"))));
    EXPECT_EQ(first.cloudID(), cloudID);
    ASSERT_TRUE(JiraIssueManager::issues(*filter).has_value());
    EXPECT_EQ(JiraIssueManager::issues(*filter)->size(), 4);
    const QString jql =
        standIn.requests(QStringLiteral("/rest/api/3/search")).last().queryValue(QStringLiteral("jql"));
    EXPECT_EQ(jql, QStringLiteral("project = \"ABC\""));
}

TEST_F(JiraIssueManagerTest, SearchesWithTheFiltersConditionsAndReadsThemAgainOnTheAnswer) {
    filter->setShowOnlyMyIssues(true);
    filter->setSprintFilter(2);
    standIn.setDelay(QStringLiteral("/rest/api/3/search"), 200);
    Outcome outcome;
    JiraIssueManager::startGetIssuesOperation(filter, true, outcome.completion());
    filter->setIssueFilterType(IssueFilter::IssueFilterType::todo); // while the search is under way
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    EXPECT_EQ(standIn.requests(QStringLiteral("/rest/api/3/search")).last().queryValue(QStringLiteral("jql")),
              QStringLiteral("project = \"ABC\" AND assignee = currentuser() AND sprint in openSprints()"));
    ASSERT_TRUE(outcome.issues.has_value());
    EXPECT_TRUE(outcome.issues->isEmpty()) << "ABC-1, the only match, is in progress";
}

TEST_F(JiraIssueManagerTest, OnlyTheNewestSearchOfAFilterSetsItsIssues) {
    // The search started with the old conditions answers last; what it found applies to nothing.
    JiraStandIn::Reply late = JiraStandIn::Reply::json(QJsonObject{
        {QStringLiteral("issues"),
         QJsonArray{issueJson(QStringLiteral("ABC-99"), QStringLiteral("new"), QStringLiteral("To Do"))}}});
    late.delayMs = 500;
    standIn.setOverride(QStringLiteral("/rest/api/3/search"), late, 1);
    Platform::SystemLog::Capture log;
    Outcome older;
    Outcome newer;
    JiraIssueManager::startGetIssuesOperation(filter, true, older.completion());
    // The late answer goes to the older search: the newer one starts once the first has arrived.
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return standIn.requests(QStringLiteral("/rest/api/3/search")).size() == 1; }));
    filter->setShowOnlyMyIssues(true);
    JiraIssueManager::startGetIssuesOperation(filter, true, newer.completion());
    ASSERT_TRUE(TestUtils::waitUntil([&] { return older.calls > 0 && newer.calls > 0; }));
    TestUtils::spin(30);
    EXPECT_EQ(older.calls, 1);
    EXPECT_EQ(newer.calls, 1);
    EXPECT_FALSE(older.issues.has_value());
    EXPECT_FALSE(older.error.has_value());
    ASSERT_TRUE(newer.issues.has_value());
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), keys(*newer.issues));
    EXPECT_FALSE(keys(*newer.issues).contains(QStringLiteral("ABC-99")));
    EXPECT_TRUE(log.contains(QStringLiteral("Dropped the answer of a superseded issue search of filter F-") +
                             accountID))
        << log.text().toStdString();
}

TEST_F(JiraIssueManagerTest, UnknownAccountSiteOrProjectCompleteAtOnceAndLeaveTheCacheAlone) {
    ASSERT_TRUE(download(filter).issues.has_value());
    const QStringList cached = keys(*JiraIssueManager::issues(*filter));

    const auto immediately = [](const std::shared_ptr<IssueFilter>& which) {
        Outcome outcome;
        JiraIssueManager::startGetIssuesOperation(which, true, outcome.completion());
        EXPECT_EQ(outcome.calls, 1) << "before the call returns";
        EXPECT_FALSE(outcome.issues.has_value());
        EXPECT_FALSE(outcome.error.has_value());
    };
    immediately(std::make_shared<IssueFilter>(filter->identifier(), accountID, QStringLiteral("other-site"),
                                              QStringLiteral("10000"), QString()));
    immediately(std::make_shared<IssueFilter>(filter->identifier(), accountID, cloudID,
                                              QStringLiteral("99999"), QString()));
    KeychainAccess::removeEntry(accountID);
    standIn.clearRequests();
    immediately(filter);
    EXPECT_TRUE(standIn.requests(QStringLiteral("/rest/api/3/search")).isEmpty());
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), cached);
    JiraIssueManager::startGetIssuesOperation(filter, true); // no completion is fine too
}

TEST_F(JiraIssueManagerTest, WithoutStoringTheCacheStaysAsItWas) {
    const auto fresh = std::make_shared<IssueFilter>(QStringLiteral("G-") + accountID, accountID, cloudID,
                                                     QStringLiteral("10001"), QStringLiteral("DEF"));
    const Outcome outcome = download(fresh, false);
    ASSERT_TRUE(outcome.issues.has_value());
    EXPECT_EQ(keys(*outcome.issues), (QStringList{"DEF-1", "DEF-2"}));
    EXPECT_FALSE(JiraIssueManager::issues(*fresh).has_value());

    ASSERT_TRUE(download(filter).issues.has_value());
    fresh->setIssueFilterType(IssueFilter::IssueFilterType::inProgress);
    ASSERT_TRUE(download(fresh, true).issues.has_value());
    filter->setIssueFilterType(IssueFilter::IssueFilterType::todo);
    const Outcome unstored = download(filter, false);
    EXPECT_EQ(keys(*unstored.issues), (QStringList{"ABC-2", "ABC-4"}));
    EXPECT_EQ(JiraIssueManager::issues(*filter)->size(), 5);
    EXPECT_EQ(keys(*JiraIssueManager::issues(*fresh)), QStringList{"DEF-2"});
}

TEST_F(JiraIssueManagerTest, AFailedSearchReportsItsErrorAndKeepsTheCache) {
    ASSERT_TRUE(download(filter).issues.has_value());
    standIn.setOverride(QStringLiteral("/rest/api/3/search"),
                        JiraStandIn::Reply::error(500, QStringLiteral("down")), 1);
    const Outcome failed = download(filter);
    EXPECT_FALSE(failed.issues.has_value());
    ASSERT_TRUE(failed.error.has_value());
    EXPECT_EQ(failed.error->httpStatus(), 500);
    EXPECT_EQ(JiraIssueManager::issues(*filter)->size(), 5);

    standIn.setOverride(QStringLiteral("/rest/api/3/search"),
                        JiraStandIn::Reply::json(QJsonObject{{QStringLiteral("total"), 0}}), 1);
    const Outcome unusable = download(filter);
    EXPECT_FALSE(unusable.issues.has_value());
    EXPECT_FALSE(unusable.error.has_value());
    EXPECT_EQ(JiraIssueManager::issues(*filter)->size(), 5);
}

TEST_F(JiraIssueManagerTest, AnElementThatIsNoIssueObjectCostsThatElementAlone) {
    standIn.setOverride(
        QStringLiteral("/rest/api/3/search"),
        JiraStandIn::Reply::json(QJsonObject{
            {QStringLiteral("issues"),
             QJsonArray{
                 issueJson(QStringLiteral("ABC-7"), QStringLiteral("new"), QStringLiteral("To Do")), 42,
                 QStringLiteral("ABC-8"),
                 issueJson(QStringLiteral("ABC-9"), QStringLiteral("done"), QStringLiteral("Done"))}}}),
        1);
    Platform::SystemLog::Capture log;
    const Outcome outcome = download(filter);
    ASSERT_TRUE(outcome.issues.has_value());
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(keys(*JiraIssueManager::issues(*filter)), (QStringList{"ABC-7", "ABC-9"}));
    EXPECT_TRUE(log.contains(QStringLiteral("Skipped element 1 of \"issues\"")));
    EXPECT_TRUE(log.contains(QStringLiteral("Skipped element 2 of \"issues\"")));
}

TEST_F(JiraIssueManagerTest, ASearchWhosePagesAreBrokenFailsAndKeepsTheCache) {
    ASSERT_TRUE(download(filter).issues.has_value());
    standIn.issuePageSize = 2;
    standIn.issuePagingFault = JiraStandIn::PagingFault::WrongType;
    const Outcome failed = download(filter);
    EXPECT_FALSE(failed.issues.has_value());
    ASSERT_TRUE(failed.error.has_value());
    EXPECT_EQ(failed.error->localizedDescription(), QStringLiteral("Could not download Jira resources."));
    EXPECT_EQ(JiraIssueManager::issues(*filter)->size(), 5);
}

TEST_F(JiraIssueManagerTest, ASiteWithoutProjectsGivesNeitherIssuesNorError) {
    const QString second = addSecondSite();
    standIn.setOverride(sitePath(second, "/rest/api/3/project/search"),
                        JiraStandIn::Reply::error(500, QStringLiteral("down")));
    bool done = false;
    JiraResourcesManager::startGetAccessibleResourcesOperation(
        storedAccount(), accountID, [&done](const std::optional<QList<Platform::Error>>&) { done = true; });
    ASSERT_TRUE(TestUtils::waitUntil([&] { return done; }));
    const auto sites = JiraResourcesManager::resourcesPerAccount().value(accountID);
    ASSERT_EQ(sites.size(), 2);
    ASSERT_FALSE(sites[1]->projects().has_value());

    auto onSecond = std::make_shared<IssueFilter>(QStringLiteral("G-") + accountID, accountID, second,
                                                  QStringLiteral("10000"), QStringLiteral("ABC"));
    standIn.clearRequests();
    const Outcome outcome = download(onSecond);
    EXPECT_FALSE(outcome.issues.has_value());
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_FALSE(JiraIssueManager::issues(*onSecond).has_value());
    EXPECT_TRUE(standIn.requests(QStringLiteral("/search/jql$")).isEmpty());
}

TEST_F(JiraIssueManagerTest, OnlyWebAddressesOfStatusIconsAreHandedOn) {
    const QStringList icons{QStringLiteral("https://dunwarbeck.atlassian.net/images/icons/statuses/open.png"),
                            QStringLiteral("file:///etc/passwd"),
                            QStringLiteral("http://dunwarbeck.atlassian.net/inprogress.png"),
                            QStringLiteral("ftp://dunwarbeck.atlassian.net/done.png"),
                            QStringLiteral("https:///no-host.png")};
    QJsonArray& issues = standIn.sites().first().issues;
    for (int i = 0; i < icons.size(); ++i) {
        QJsonObject issue = issues.at(i).toObject();
        QJsonObject fields = issue.value(QStringLiteral("fields")).toObject();
        QJsonObject status = fields.value(QStringLiteral("status")).toObject();
        status.insert(QStringLiteral("iconUrl"), icons.at(i));
        fields.insert(QStringLiteral("status"), status);
        issue.insert(QStringLiteral("fields"), fields);
        issues.replace(i, issue);
    }
    const Outcome outcome = download(filter);
    ASSERT_TRUE(outcome.issues.has_value());
    QList<std::optional<QUrl>> urls;
    for (const JiraIssue& issue : *outcome.issues)
        urls.append(issue.menuItemImageURL());
    ASSERT_EQ(urls.size(), 5); // ABC-1 to ABC-5
    EXPECT_EQ(urls[0], std::optional(QUrl(icons[0])));
    EXPECT_FALSE(urls[1].has_value()) << "a local file";
    EXPECT_EQ(urls[2], std::optional(QUrl(icons[2])));
    EXPECT_FALSE(urls[3].has_value());
    EXPECT_FALSE(urls[4].has_value());
}
