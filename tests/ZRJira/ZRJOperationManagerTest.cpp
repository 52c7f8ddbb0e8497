#include "JiraStandInFixture.h"

#include "ZRJira/ZRJEndpoints.h"
#include "ZRJira/ZRJGetProjectsPaginatedOperation.h"
#include "ZRJira/ZRJRestOperations.h"
#include "ZRJira/ZRJSearchForIssuesOperation.h"

#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QElapsedTimer>
#include <QJsonDocument>

using Reply = JiraStandIn::Reply;
using ObjectAnswer = Answer<QJsonObject>;
using ArrayAnswer = Answer<QJsonArray>;

namespace {

QString json(const QJsonValue& value) {
    return QString::fromUtf8(value.isArray()
                                 ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                 : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
}

QStringList keys(const QJsonArray& objects, const QString& key) {
    QStringList values;
    for (const QJsonValue& value : objects)
        values.append(value[key].toString());
    return values;
}

} // namespace

class OperationTest : public JiraStandInTest {
protected:
    QString sitePath(const QString& path) const { return QStringLiteral("/ex/jira/") + cloudID + path; }
    QString token() const { return tokens.first; }
};

TEST_F(OperationTest, CurrentUserArrivesWithNullsRemovedAndTheCommonHeaders) {
    ObjectAnswer answer;
    manager().getCurrentUser(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error) << answer.error->localizedDescription().toStdString();
    EXPECT_EQ(answer.value->value(QStringLiteral("displayName")).toString(), QStringLiteral("Ada Lovelace"));
    EXPECT_FALSE(answer.value->contains(QStringLiteral("locale"))) << "the stand-in sends locale: null";

    const auto requests = standIn.requests(QStringLiteral("/myself$"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, sitePath(QStringLiteral("/rest/api/3/myself")));
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + token().toUtf8());
    EXPECT_EQ(requests[0].header("Accept"), "application/json");
    EXPECT_EQ(answer.calls, 1);
}

TEST_F(OperationTest, NullsAreRemovedAtEveryDepthButArrayElementsStay) {
    standIn.setOverride(QStringLiteral("/myself$"),
                        Reply::text(R"({"a":null,"b":{"c":null,"d":[{"e":null,"f":1},null]},"g":"x"})",
                                    "application/json; charset=utf-8", 200));
    ObjectAnswer answer;
    manager().getCurrentUser(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(json(*answer.value), QStringLiteral(R"({"b":{"d":[{"f":1},null]},"g":"x"})"));
}

TEST_F(OperationTest, AWrongJsonTypeGivesTheOperationsErrorTextAndALogLine) {
    struct Case {
        QString path;
        QByteArray body;
        QString text;
        std::function<void(Answer<QJsonObject>&, Answer<QJsonArray>&)> start;
    };
    const QString resources = QStringLiteral("Could not download Jira resources.");
    const std::vector<Case> cases{
        {QStringLiteral("/myself$"), "[1,2]", QStringLiteral("Could not download current user."),
         [&](auto& object, auto&) { manager().getCurrentUser(token(), cloudID, object.completion()); }},
        {QStringLiteral("/accessible-resources$"), R"({"id":"x"})", resources,
         [&](auto&, auto& array) {
             manager().getAccessibleResourcesWithoutValidatingToken(token(), array.completion());
         }},
        {QStringLiteral("/accessible-resources$"), R"([{"id":"x"},"not an object"])", resources,
         [&](auto&, auto& array) {
             manager().getAccessibleResourcesWithoutValidatingToken(token(), array.completion());
         }},
        {QStringLiteral("/project/search$"), "[]", QStringLiteral("Could not download Jira projects."),
         [&](auto&, auto& array) { manager().getProjectsPaginated(token(), cloudID, array.completion()); }},
        {QStringLiteral("/search/jql$"), "[]", resources,
         [&](auto& object, auto&) {
             manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, object.completion());
         }},
        {QStringLiteral("/user/search$"), R"({"values":[]})", resources,
         [&](auto&, auto& array) { manager().getAllUsers(token(), cloudID, array.completion()); }},
        {QStringLiteral("/board$"), "[]", resources,
         [&](auto& object, auto&) { manager().getAllBoards(token(), cloudID, object.completion()); }},
        {QStringLiteral("/board/1/sprint$"), "[]", resources,
         [&](auto& object, auto&) {
             manager().getSprintsForBoardID(token(), cloudID, QStringLiteral("1"), object.completion());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " " + c.body.toStdString());
        standIn.clearSwitches();
        standIn.setOverride(c.path, Reply::text(c.body, "application/json", 200));
        Platform::SystemLog::Capture log;
        Answer<QJsonObject> object;
        Answer<QJsonArray> array;
        c.start(object, array);
        ASSERT_TRUE(TestUtils::waitUntil([&] { return object.calls + array.calls > 0; }));
        const Platform::OptionalError& error = object.calls ? object.error : array.error;
        ASSERT_TRUE(error);
        EXPECT_TRUE(
            error->isSameKind(ZRError::zr_errorWithLocalizedDescription(QStringLiteral("of the kit"))));
        EXPECT_EQ(error->localizedDescription(), c.text);
        EXPECT_FALSE(object.value);
        EXPECT_FALSE(array.value);
        EXPECT_TRUE(
            log.contains(QStringLiteral("Wrong response type: ") +
                         QString::fromUtf8(QJsonDocument::fromJson(c.body).toJson(QJsonDocument::Compact))))
            << log.text().toStdString();
    }
}

TEST_F(OperationTest, AnAnswerWithoutBodyOrErrorLogsNil) {
    standIn.setOverride(QStringLiteral("/myself$"), Reply::text({}, "application/json", 200));
    Platform::SystemLog::Capture log;
    ObjectAnswer answer;
    manager().getCurrentUser(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->localizedDescription(), QStringLiteral("Could not download current user."));
    EXPECT_TRUE(log.lines().contains(QStringLiteral("Wrong response type: nil"))) << log.text().toStdString();
}

TEST_F(OperationTest, HttpFailuresPassThroughWithTheirStatusAndBody) {
    struct Case {
        Reply reply;
        int status;
        int code;
    };
    Reply tooMany = Reply::error(429, QStringLiteral("Rate limit exceeded"));
    tooMany.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("0"))); // the retries end at once
    const std::vector<Case> cases{
        {Reply::error(403, QStringLiteral("You do not have permission")), 403,
         Platform::JSONResponseSerializer::BadServerResponse},
        {Reply::text("oops", "text/plain", 500), 500, Platform::JSONResponseSerializer::BadServerResponse},
        {tooMany, 429, Platform::JSONResponseSerializer::BadServerResponse},
        {Reply::text("<html><body>Maintenance</body></html>", "text/html", 200), 200,
         Platform::JSONResponseSerializer::CannotDecodeContentData},
        {Reply::text("{not json", "application/json", 200), 200,
         Platform::JSONResponseSerializer::CannotParseResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        standIn.clearSwitches();
        standIn.setOverride(QStringLiteral("/board$"), c.reply);
        ObjectAnswer answer;
        manager().getBoardsForProjectID(token(), cloudID, QStringLiteral("ABC"), answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_TRUE(answer.error);
        EXPECT_FALSE(answer.value);
        EXPECT_EQ(answer.error->domain(), Platform::JSONResponseSerializer::ErrorDomain);
        EXPECT_EQ(answer.error->code(), c.code);
        EXPECT_EQ(answer.error->httpStatus(), c.status);
        EXPECT_EQ(answer.error->httpBody(), c.reply.body);
    }
}

TEST_F(OperationTest, ABadTokenIsRefusedByTheGateway) {
    ArrayAnswer answer;
    manager().getAllUsers(QStringLiteral("not-a-token"), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 401);
}

TEST_F(OperationTest, OperationsStayRunningUntilTheyAnswer) {
    standIn.setDelay(QStringLiteral("/myself$"), 200);
    ObjectAnswer first, second;
    ArrayAnswer sites;
    manager().getCurrentUser(token(), cloudID, first.completion());
    manager().getCurrentUser(token(), cloudID, second.completion());
    // A listing whose token check has not yet handed on is running work as well.
    manager().getAccessibleResources(
        std::make_shared<TestAccount>(tokens.first, tokens.second,
                                      QDateTime::currentDateTimeUtc().addSecs(3600)),
        QStringLiteral("acct"), sites.completion());
    EXPECT_EQ(manager().runningOperationCount(), 3);
    ASSERT_TRUE(first.wait());
    ASSERT_TRUE(second.wait());
    ASSERT_TRUE(sites.wait());
    EXPECT_EQ(manager().runningOperationCount(), 0);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
}

TEST_F(OperationTest, NeverMoreThanTwoConnectionsToOneHost) {
    standIn.setDelay(QStringLiteral("."), 100);
    std::vector<std::unique_ptr<ObjectAnswer>> answers;
    for (int i = 0; i < 7; ++i) {
        answers.push_back(std::make_unique<ObjectAnswer>());
        manager().getAllBoards(token(), cloudID, answers.back()->completion());
    }
    for (const auto& answer : answers) {
        ASSERT_TRUE(answer->wait());
        EXPECT_FALSE(answer->error);
        EXPECT_EQ(answer->calls, 1);
    }
    EXPECT_EQ(standIn.requests(QStringLiteral("/board$")).size(), 7);
    EXPECT_EQ(standIn.maxConcurrentRequests(), 2);
    EXPECT_LE(standIn.maxConcurrentConnections(), 2);
}

namespace {
class ExposedOperation : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void setCloudID(const QString& cloudID) { m_cloudID = cloudID; }
    void setAccessToken(const QString& token) { m_accessToken = token; }
};
} // namespace

TEST_F(OperationTest, UrlForJoinsPrefixCloudIdApiAndPath) {
    ExposedOperation operation(manager().sessionManager());
    operation.setCloudID(QStringLiteral("abc"));
    const QString prefix = standIn.apiBaseUrl().toString() + QStringLiteral("/ex/jira");
    EXPECT_EQ(operation.jiraURL(), prefix);
    EXPECT_EQ(operation.url(QStringLiteral("/project/search")).toString(),
              prefix + QStringLiteral("/abc/rest/api/3/project/search"));
    EXPECT_EQ(operation.url(QStringLiteral("myself")).toString(),
              prefix + QStringLiteral("/abc/rest/api/3/myself"));

    operation.setAccessToken(QStringLiteral("t"));
    const Platform::HttpRequest request = operation.request(operation.url(QStringLiteral("/myself")));
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.timeoutMs, 60000);
    EXPECT_EQ(request.header("authorization"), "Bearer t");
    EXPECT_EQ(request.header("Accept"), "application/json");
    EXPECT_FALSE(request.body);
}

TEST_F(OperationTest, TheServerInfoOperationIsAnOperationOfTheSharedSession) {
    const std::shared_ptr<ZRJOperation> operation =
        std::make_shared<ZRJServerInfoOperation>(manager().sessionManager());
    EXPECT_EQ(&operation->sessionManager(), &manager().sessionManager());
    EXPECT_EQ(operation->jiraURL(), standIn.apiBaseUrl().toString() + QStringLiteral("/ex/jira"));
    EXPECT_FALSE(operation->dataTask());
}

TEST(OperationDeathTest, UrlAndRequestNeedTheirValues) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Platform::HttpSession session;
    ExposedOperation operation(session);
    EXPECT_DEATH(operation.url(QStringLiteral("/myself")), "need cloudID");
    EXPECT_DEATH(operation.request(QUrl(QStringLiteral("https://example.com"))), "need accessToken");
}

TEST_F(OperationTest, ProjectPagesAreFollowedInOrderWithProgressPerPage) {
    standIn.projectPageSize = 1;
    auto operation = std::make_shared<ZRJGetProjectsPaginatedOperation>(manager().sessionManager());
    ArrayAnswer answer;
    operation->getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error);
    ASSERT_EQ(answer.value->size(), 3);
    QStringList projectKeys;
    for (const QJsonValue& page : *answer.value)
        projectKeys += keys(page[QStringLiteral("values")].toArray(), QStringLiteral("key"));
    EXPECT_EQ(projectKeys,
              (QStringList{QStringLiteral("ABC"), QStringLiteral("DEF"), QStringLiteral("GHI")}));

    const auto requests = standIn.requests(QStringLiteral("/project/search$"));
    ASSERT_EQ(requests.size(), 3);
    EXPECT_TRUE(requests[0].query.isEmpty());
    for (int i = 1; i < 3; ++i)
        EXPECT_EQ(requests[i].url.toString(), (*answer.value)[i - 1][QStringLiteral("nextPage")].toString());

    // Page size 1 of 3 projects: each later page's transfer counts 300 units.
    const auto& children = operation->progress()->progress->children();
    ASSERT_EQ(children.size(), 2);
    for (const auto& child : children)
        EXPECT_EQ(child.pendingUnitCount, 300);
}

TEST_F(OperationTest, ProjectPagesWithoutSizeAndTotalAddNoProgress) {
    const QString next =
        standIn.baseUrl().toString() + sitePath(QStringLiteral("/rest/api/3/project/search?startAt=1"));
    standIn.setOverride(QStringLiteral("/project/search$"),
                        Reply::json(QJsonObject{{QStringLiteral("values"), QJsonArray()},
                                                {QStringLiteral("nextPage"), next}}),
                        1);
    auto operation = std::make_shared<ZRJGetProjectsPaginatedOperation>(manager().sessionManager());
    ArrayAnswer answer;
    operation->getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(answer.value->size(), 2);
    EXPECT_TRUE(operation->progress()->progress->children().isEmpty());
}

TEST_F(OperationTest, ProjectPagingEndsAfterAThousandPages) {
    JiraStandIn::Site& site = standIn.sites().first();
    const QJsonObject model = site.projects.first().toObject();
    while (site.projects.size() < 1005)
        site.projects.append(model);
    standIn.projectPageSize = 1;
    Platform::SystemLog::Capture log;
    ArrayAnswer answer;
    manager().getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait(30000));
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(answer.value->size(), 1000);
    EXPECT_EQ(standIn.requests(QStringLiteral("/project/search$")).size(), 1000);
    EXPECT_TRUE(log.contains(QStringLiteral("project search stopped after 1000 pages")));
}

TEST_F(OperationTest, AnErrorOnTheSecondProjectPageDropsTheFirst) {
    standIn.projectPageSize = 1;
    standIn.setOverride(QStringLiteral("/project/search$"), Reply::error(500, QStringLiteral("boom")), 1, 1);
    ArrayAnswer answer;
    manager().getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    EXPECT_FALSE(answer.value);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 500);
    EXPECT_EQ(standIn.requests(QStringLiteral("/project/search$")).size(), 2);
}

TEST_F(OperationTest, ProjectPagingStaysOnTheGatewayAndStopsOnRepeats) {
    // A next page elsewhere would receive the bearer token: it is not followed.
    standIn.setOverride(
        QStringLiteral("/project/search$"),
        Reply::json(QJsonObject{
            {QStringLiteral("values"), QJsonArray()},
            {QStringLiteral("nextPage"), QStringLiteral("http://127.0.0.2:%1/steal").arg(standIn.port())}}),
        1);
    {
        Platform::SystemLog::Capture log;
        ArrayAnswer answer;
        manager().getProjectsPaginated(token(), cloudID, answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_TRUE(answer.value);
        EXPECT_EQ(answer.value->size(), 1);
        EXPECT_TRUE(log.contains(QStringLiteral("not following a project page on another host")));
    }
    standIn.clearSwitches();
    standIn.clearRequests();
    const QString again =
        standIn.baseUrl().toString() + sitePath(QStringLiteral("/rest/api/3/project/search?startAt=1"));
    standIn.setOverride(QStringLiteral("/project/search$"),
                        Reply::json(QJsonObject{{QStringLiteral("values"), QJsonArray()},
                                                {QStringLiteral("nextPage"), again}}));
    ArrayAnswer answer;
    manager().getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(answer.value->size(), 2);
    EXPECT_EQ(standIn.requests(QStringLiteral("/project/search$")).size(), 2);
}

TEST_F(OperationTest, IssueSearchFollowsPageTokensAndDeliversOneObject) {
    standIn.issuePageSize = 2;
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error) << answer.error->localizedDescription().toStdString();
    const QJsonArray issues = answer.value->value(QStringLiteral("issues")).toArray();
    EXPECT_EQ(keys(issues, QStringLiteral("key")),
              (QStringList{QStringLiteral("ABC-1"), QStringLiteral("ABC-2"), QStringLiteral("ABC-3"),
                           QStringLiteral("ABC-4"), QStringLiteral("ABC-5")}));
    EXPECT_FALSE(answer.value->contains(QStringLiteral("nextPageToken")));
    // Nulls are gone here too: ABC-4 has no assignee.
    EXPECT_FALSE(issues[3][QStringLiteral("fields")].toObject().contains(QStringLiteral("assignee")));

    EXPECT_TRUE(standIn.requests(QStringLiteral("/rest/api/3/search$")).isEmpty());
    const auto requests = standIn.requests(QStringLiteral("/rest/api/3/search/jql$"));
    ASSERT_EQ(requests.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i].queryValue(QStringLiteral("jql")), QStringLiteral(R"(project = "ABC")"));
        EXPECT_EQ(requests[i].queryValue(QStringLiteral("fields")), ZRJSearchForIssuesOperation::Fields);
        EXPECT_EQ(requests[i].queryValue(QStringLiteral("maxResults")), QStringLiteral("100"));
        EXPECT_EQ(requests[i].query.hasQueryItem(QStringLiteral("nextPageToken")), i > 0);
    }
}

TEST_F(OperationTest, IssueSearchSendsTheFiltersJqlAndTheServerApplies) {
    ZRIssueSearchFilter mineInOpenSprint{QStringLiteral("ABC"), true, std::nullopt, false, true};
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, mineInOpenSprint, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(keys(answer.value->value(QStringLiteral("issues")).toArray(), QStringLiteral("key")),
              QStringList{QStringLiteral("ABC-1")});
    EXPECT_EQ(standIn.requests().last().queryValue(QStringLiteral("jql")), mineInOpenSprint.jqlQuery());
}

TEST_F(OperationTest, AnErrorOnALaterIssuePageIsTheAnswer) {
    standIn.issuePageSize = 2;
    standIn.setOverride(QStringLiteral("/search/jql$"), Reply::error(500, QStringLiteral("broken")), 1, 1);
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, answer.completion());
    ASSERT_TRUE(answer.wait());
    EXPECT_FALSE(answer.value);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 500);
}

TEST_F(OperationTest, AProjectKeyWithAQuoteStaysInsideItsString) {
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, {QStringLiteral(R"(ABC" OR project = "DEF)")},
                              answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 400);
    EXPECT_TRUE(answer.error->httpBody().contains(R"(The value 'ABC\" OR project = \"DEF' does not exist)"))
        << answer.error->httpBody().toStdString();
}

TEST_F(OperationTest, ARequestRefusedForALackingScopeNamesTheScopes) {
    standIn.grantedScope = QStringLiteral("read:jira-user read:jira-work offline_access");
    ObjectAnswer allBoards, projectBoards, sprints;
    manager().getAllBoards(token(), cloudID, allBoards.completion());
    manager().getBoardsForProjectID(token(), cloudID, QStringLiteral("ABC"), projectBoards.completion());
    manager().getSprintsForBoardID(token(), cloudID, QStringLiteral("1"), sprints.completion());
    ASSERT_TRUE(allBoards.wait() && projectBoards.wait() && sprints.wait());
    const auto text = [](const ObjectAnswer& answer) {
        EXPECT_EQ(answer.error->httpStatus(), 401);
        return answer.error->localizedDescription();
    };
    EXPECT_TRUE(text(allBoards).contains(QStringLiteral("read:board-scope:jira-software")));
    EXPECT_FALSE(text(allBoards).contains(QStringLiteral("read:project:jira")));
    EXPECT_TRUE(
        text(projectBoards).contains(QStringLiteral("read:board-scope:jira-software, read:project:jira")));
    EXPECT_TRUE(text(sprints).contains(QStringLiteral("read:sprint:jira-software")));
}

TEST_F(OperationTest, APlusInAQueryValueTravelsEncoded) {
    // Jira would read a bare "+" as a blank and search for another project.
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, {QStringLiteral("C++")}, answer.completion());
    ASSERT_TRUE(answer.wait());
    const auto searches = standIn.requests(QStringLiteral("/rest/api/3/search"));
    ASSERT_FALSE(searches.isEmpty());
    const QString query = searches.first().url.query(QUrl::FullyEncoded);
    EXPECT_TRUE(query.contains(QStringLiteral("%22C%2B%2B%22"))) << query.toStdString();
    EXPECT_EQ(searches.first().queryValue(QStringLiteral("jql")), QStringLiteral("project = \"C++\""));
}

TEST_F(OperationTest, BoardsSprintsAndUsersSendTheirQueryItemsInOrder) {
    ObjectAnswer allBoards, projectBoards, sprints;
    ArrayAnswer users;
    manager().getAllBoards(token(), cloudID, allBoards.completion());
    manager().getBoardsForProjectID(token(), cloudID, QStringLiteral("ABC"), projectBoards.completion());
    manager().getSprintsForBoardID(token(), cloudID, QStringLiteral("1"), sprints.completion());
    manager().getAllUsers(token(), cloudID, users.completion());
    ASSERT_TRUE(allBoards.wait() && projectBoards.wait() && sprints.wait() && users.wait());
    EXPECT_EQ(allBoards.value->value(QStringLiteral("values")).toArray().size(), 2);
    EXPECT_EQ(projectBoards.value->value(QStringLiteral("values")).toArray().size(), 1);
    EXPECT_EQ(sprints.value->value(QStringLiteral("values")).toArray().size(), 3);
    EXPECT_EQ(users.value->size(), 3);

    const auto query = [&](const QString& pattern) {
        const auto requests = standIn.requests(pattern);
        return requests.isEmpty() ? QString() : requests.first().url.query(QUrl::FullyEncoded);
    };
    const auto boards = standIn.requests(QStringLiteral("/board$"));
    ASSERT_EQ(boards.size(), 2);
    QStringList boardQueries{boards[0].url.query(QUrl::FullyEncoded),
                             boards[1].url.query(QUrl::FullyEncoded)};
    boardQueries.sort();
    EXPECT_EQ(boardQueries, (QStringList{QStringLiteral("query=+&maxResults=1000"),
                                         QStringLiteral("query=+&maxResults=1000&projectKeyOrId=ABC")}));
    EXPECT_EQ(query(QStringLiteral("/board/1/sprint$")), QStringLiteral("query=+&maxResults=1000"));
    EXPECT_EQ(query(QStringLiteral("/user/search$")), QStringLiteral("query=+&maxResults=1000"));
    EXPECT_EQ(standIn.requests(QStringLiteral("/user/search$")).first().queryValue(QStringLiteral("query")),
              QStringLiteral("+"));
}

TEST_F(OperationTest, AccessibleResourcesSendOnlyTheBearerToken) {
    ArrayAnswer answer;
    manager().getAccessibleResourcesWithoutValidatingToken(token(), answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(keys(*answer.value, QStringLiteral("id")), QStringList{cloudID});
    const auto request = standIn.requests(QStringLiteral("^/oauth/token/accessible-resources$")).first();
    EXPECT_EQ(request.header("Authorization"), "Bearer " + token().toUtf8());
    EXPECT_TRUE(request.header("Accept").isEmpty());
}

TEST_F(OperationTest, AnUnreachableServerGivesATransportError) {
    qputenv("CORVANTIDE_API_URL", QByteArray("http://127.0.0.1:1"));
    ObjectAnswer answer;
    manager().getCurrentUser(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain(), Platform::HttpSession::URLErrorDomain);
    EXPECT_EQ(answer.error->code(), Platform::HttpSession::CannotConnectToHost);
    EXPECT_EQ(answer.error->httpStatus(), 0);
}

TEST_F(OperationTest, ServerValuesTravelPercentEncodedInPathsAndQueries) {
    // A site id with a blank, a slash, a "?", a "#" and a "%" is one path segment, not a crash.
    JiraStandIn::Site odd = standIn.sites().first();
    odd.cloudID = QStringLiteral("odd id/with?query#and%25");
    standIn.sites().append(odd);
    const QString encodedID = QString::fromLatin1(QUrl::toPercentEncoding(odd.cloudID));

    ObjectAnswer user, issues, boards, sprints;
    ArrayAnswer projects, users;
    manager().getCurrentUser(token(), odd.cloudID, user.completion());
    manager().getProjectsPaginated(token(), odd.cloudID, projects.completion());
    manager().searchForIssues(token(), odd.cloudID, {QStringLiteral("ABC")}, issues.completion());
    manager().getAllUsers(token(), odd.cloudID, users.completion());
    manager().getBoardsForProjectID(token(), odd.cloudID, QStringLiteral("A B&c=d#e"), boards.completion());
    manager().getSprintsForBoardID(token(), odd.cloudID, QStringLiteral("1/../2"), sprints.completion());
    ASSERT_TRUE(user.wait() && projects.wait() && issues.wait() && users.wait() && boards.wait() &&
                sprints.wait());
    EXPECT_FALSE(user.error);
    ASSERT_TRUE(projects.value);
    EXPECT_EQ((*projects.value)[0][QStringLiteral("values")].toArray().size(), 3);
    ASSERT_TRUE(issues.value);
    EXPECT_EQ(issues.value->value(QStringLiteral("issues")).toArray().size(), 5);
    ASSERT_TRUE(users.value);
    EXPECT_EQ(users.value->size(), 3);
    ASSERT_TRUE(sprints.error) << "no such board";
    EXPECT_EQ(sprints.error->httpStatus(), 404);

    const auto requests = standIn.requests();
    ASSERT_EQ(requests.size(), 6);
    for (const auto& request : requests) {
        SCOPED_TRACE(request.encodedPath.toStdString());
        EXPECT_TRUE(
            request.encodedPath.startsWith(QStringLiteral("/ex/jira/") + encodedID + QLatin1Char('/')));
        EXPECT_TRUE(request.path.startsWith(QStringLiteral("/ex/jira/") + odd.cloudID + QLatin1Char('/')));
    }
    const auto sprintRequest = standIn.requests(QStringLiteral("/sprint$")).value(0);
    EXPECT_TRUE(
        sprintRequest.encodedPath.endsWith(QStringLiteral("/rest/agile/1.0/board/1%2F..%2F2/sprint")));
    const auto boardRequest = standIn.requests(QStringLiteral("/board$")).value(0);
    EXPECT_EQ(boardRequest.queryValue(QStringLiteral("projectKeyOrId")), QStringLiteral("A B&c=d#e"));
}

TEST_F(OperationTest, AValueThatCannotBeAPathSegmentFailsOnlyItsOwnRequest) {
    for (const QString& badID : {QString(), QStringLiteral("."), QStringLiteral("..")}) {
        SCOPED_TRACE(badID.toStdString());
        ObjectAnswer user;
        ArrayAnswer projects;
        manager().getCurrentUser(token(), badID, user.completion());
        manager().getProjectsPaginated(token(), badID, projects.completion());
        EXPECT_EQ(user.calls + projects.calls, 0) << "the error comes on a later turn like any answer";
        ASSERT_TRUE(user.wait() && projects.wait());
        for (const Platform::OptionalError& error : {user.error, projects.error}) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->domain(), Platform::HttpSession::URLErrorDomain);
            EXPECT_EQ(error->code(), Platform::HttpSession::BadURL);
        }
    }
    ObjectAnswer sprints;
    manager().getSprintsForBoardID(token(), cloudID, QStringLiteral(".."), sprints.completion());
    ASSERT_TRUE(sprints.wait());
    ASSERT_TRUE(sprints.error);
    EXPECT_EQ(sprints.error->code(), Platform::HttpSession::BadURL);
    EXPECT_TRUE(standIn.requests().isEmpty());

    // The site next to it still answers.
    ObjectAnswer user;
    manager().getCurrentUser(token(), cloudID, user.completion());
    ASSERT_TRUE(user.wait());
    EXPECT_FALSE(user.error);
}

namespace {
void addIssues(JiraStandIn::Site& site, int count) {
    const QJsonObject model = site.issues.first().toObject();
    for (int i = 0; i < count; ++i) {
        QJsonObject issue = model;
        issue.insert(QStringLiteral("id"), QString::number(30000 + i));
        issue.insert(QStringLiteral("key"), QStringLiteral("ABC-%1").arg(1000 + i));
        site.issues.append(issue);
    }
}
} // namespace

TEST_F(OperationTest, IssuePagesThatAreNotWhatWasAskedForEndTheSearchWithAnError) {
    using Fault = JiraStandIn::PagingFault;
    for (const Fault fault :
         {Fault::WrongType, Fault::RepeatedToken, Fault::EndlessPages, Fault::PagesServedTwice}) {
        SCOPED_TRACE(static_cast<int>(fault));
        standIn.issuePagingFault = fault;
        standIn.issuePageSize = 2;
        standIn.clearRequests();
        ObjectAnswer answer;
        manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, answer.completion());
        ASSERT_TRUE(answer.wait());
        EXPECT_FALSE(answer.value) << "no partial list";
        ASSERT_TRUE(answer.error);
        EXPECT_TRUE(answer.error->isSameKind(
            ZRError::zr_errorWithLocalizedDescription(QStringLiteral("of the kit"))));
        EXPECT_EQ(answer.error->localizedDescription(), QStringLiteral("Could not download Jira resources."));
        EXPECT_LE(standIn.requests(QStringLiteral("/search/jql$")).size(), 4);
    }
}

TEST_F(OperationTest, AnIssueOnTwoPagesIsKeptOnce) {
    const auto issue = [](const char* id) {
        return QJsonObject{{QStringLiteral("id"), QString::fromLatin1(id)},
                           {QStringLiteral("key"), QStringLiteral("ABC-") + QString::fromLatin1(id)}};
    };
    standIn.setOverride(
        QStringLiteral("/search/jql$"),
        Reply::json(QJsonObject{{QStringLiteral("issues"), QJsonArray{issue("1"), issue("2")}},
                                {QStringLiteral("nextPageToken"), QStringLiteral("t1")}}),
        1);
    standIn.setOverride(
        QStringLiteral("/search/jql$"),
        Reply::json(QJsonObject{{QStringLiteral("issues"), QJsonArray{issue("2"), issue("3")}},
                                {QStringLiteral("isLast"), true}}),
        1);
    ObjectAnswer answer;
    manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.value);
    EXPECT_EQ(keys(answer.value->value(QStringLiteral("issues")).toArray(), QStringLiteral("id")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

TEST_F(OperationTest, IssueSearchStopsAtAThousandIssuesOrAHundredPages) {
    struct Case {
        int serverPageSize;
        int issues;
        int requests;
        QString logLine;
    };
    // The server would give 5000 a page, the client asks for 100; or the server gives one a page only.
    const std::vector<Case> cases{{5000, 1000, 10, QStringLiteral("issue search stopped at 1000 issues")},
                                  {1, 100, 100, QStringLiteral("issue search stopped after 100 pages")}};
    addIssues(standIn.sites().first(), 1100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serverPageSize);
        standIn.clearRequests();
        standIn.issuePageSize = c.serverPageSize;
        Platform::SystemLog::Capture log;
        ObjectAnswer answer;
        manager().searchForIssues(token(), cloudID, {QStringLiteral("ABC")}, answer.completion());
        ASSERT_TRUE(answer.wait(30000));
        ASSERT_TRUE(answer.value);
        EXPECT_EQ(answer.value->value(QStringLiteral("issues")).toArray().size(), c.issues);
        EXPECT_EQ(standIn.requests(QStringLiteral("/search/jql$")).size(), c.requests);
        EXPECT_TRUE(log.contains(c.logLine)) << log.text().toStdString();
    }
}

TEST_F(OperationTest, AProjectPageWhoseValuesIsNoArrayIsAnError) {
    standIn.projectPageSize = 1;
    standIn.projectPagingFault = JiraStandIn::PagingFault::WrongType;
    ArrayAnswer answer;
    manager().getProjectsPaginated(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait());
    EXPECT_FALSE(answer.value);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->localizedDescription(), QStringLiteral("Could not download Jira projects."));
}

TEST_F(OperationTest, AHugeProjectTotalGivesABoundedProgressShare) {
    const QString next =
        standIn.baseUrl().toString() + sitePath(QStringLiteral("/rest/api/3/project/search?startAt=1"));
    for (const double total : {9.0e18, -5.0}) {
        SCOPED_TRACE(total);
        standIn.clearSwitches();
        standIn.setOverride(QStringLiteral("/project/search$"),
                            Reply::json(QJsonObject{{QStringLiteral("values"), QJsonArray()},
                                                    {QStringLiteral("maxResults"), 1},
                                                    {QStringLiteral("total"), total},
                                                    {QStringLiteral("nextPage"), next}}),
                            1);
        auto operation = std::make_shared<ZRJGetProjectsPaginatedOperation>(manager().sessionManager());
        ArrayAnswer answer;
        operation->getProjectsPaginated(token(), cloudID, answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_TRUE(answer.value);
        const auto& children = operation->progress()->progress->children();
        ASSERT_EQ(children.size(), 1);
        EXPECT_EQ(children.first().pendingUnitCount, total > 0 ? 1000000000 : 0);
    }
}

namespace {
Reply rateLimited(int status, const QByteArray& retryAfter) {
    Reply reply = Reply::error(status, QStringLiteral("Rate limit exceeded"));
    if (!retryAfter.isEmpty())
        reply.headers.append(qMakePair(QByteArray("Retry-After"), retryAfter));
    return reply;
}
} // namespace

TEST_F(OperationTest, RateLimitedRequestsAreTriedAgainAfterRetryAfter) {
    // Twice 429, then the answer: three requests, one completion with the boards.
    standIn.setOverride(QStringLiteral("/board$"), rateLimited(429, "1"), 1);
    standIn.setOverride(QStringLiteral("/board$"), rateLimited(503, "0"), 1);
    ObjectAnswer answer;
    manager().getAllBoards(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait(20000));
    ASSERT_FALSE(answer.error) << answer.error->localizedDescription().toStdString();
    EXPECT_EQ(answer.value->value(QStringLiteral("values")).toArray().size(), 2);
    EXPECT_EQ(standIn.requests(QStringLiteral("/board$")).size(), 3);
    TestUtils::spin(50);
    EXPECT_EQ(answer.calls, 1);
}

TEST_F(OperationTest, AfterThreeRetriesTheErrorCarriesRetryAfter) {
    standIn.setOverride(QStringLiteral("/user/search$"), rateLimited(429, "0"));
    ArrayAnswer answer;
    manager().getAllUsers(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait(20000));
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 429);
    EXPECT_EQ(answer.error->retryAfter(), std::optional<qint64>(0));
    EXPECT_EQ(standIn.requests(QStringLiteral("/user/search$")).size(), 4);
}

TEST_F(OperationTest, AWaitOfAMinuteOrMoreIsNotWaitedFor) {
    // A wait too long to count in milliseconds fails the request the same way, once.
    const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(600);
    for (const QByteArray& retryAfter :
         {QByteArray("60"), QByteArray("3600"), later.toString(Qt::RFC2822Date).toLatin1(),
          QByteArray("9999999999999999"), QByteArray("99999999999999999999999")}) {
        SCOPED_TRACE(retryAfter.toStdString());
        standIn.clearSwitches();
        standIn.clearRequests();
        standIn.setOverride(QStringLiteral("/myself$"), rateLimited(503, retryAfter));
        ObjectAnswer answer;
        manager().getCurrentUser(token(), cloudID, answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->httpStatus(), 503);
        ASSERT_TRUE(answer.error->retryAfter());
        EXPECT_GE(*answer.error->retryAfter(), 60);
        EXPECT_EQ(standIn.requests(QStringLiteral("/myself$")).size(), 1);
        TestUtils::spin(50);
        EXPECT_EQ(answer.calls, 1);
    }
}

TEST_F(OperationTest, WithoutRetryAfterTheRetryBacksOff) {
    standIn.setOverride(QStringLiteral("/myself$"), rateLimited(503, {}), 1);
    QElapsedTimer clock;
    clock.start();
    ObjectAnswer answer;
    manager().getCurrentUser(token(), cloudID, answer.completion());
    ASSERT_TRUE(answer.wait(20000));
    EXPECT_FALSE(answer.error);
    EXPECT_EQ(standIn.requests(QStringLiteral("/myself$")).size(), 2);
    EXPECT_GE(clock.elapsed(), 1000) << "the first back-off is a second";
}

TEST_F(OperationTest, TokenRequestsAreNotRetriedOnRateLimits) {
    standIn.setOverride(QStringLiteral("^/oauth/token$"), rateLimited(429, "0"));
    Answer<ZRJOperationManager::FetchTokenResponse> answer;
    manager().fetchToken(QStringLiteral("code"), answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 429);
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 1);
}
