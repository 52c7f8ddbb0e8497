#include "JiraStandInFixture.h"

#include "ZRJira/ZRJConsoleLogger.h"

#include "Platform/Clock.h"
#include "Platform/HttpActivityHub.h"
#include "Platform/SystemLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrlQuery>

using Reply = JiraStandIn::Reply;

/*! The logger attached the way the application does it: the only logger of the hub, at the given level. */
class ConsoleLoggerTest : public JiraStandInTest {
protected:
    void attach(unsigned level) {
        Platform::HttpActivityHub& hub = Platform::HttpActivityHub::shared();
        hub.removeAllLoggers();
        hub.addLogger(logger);
        hub.setLogLevel(level);
        hub.startLogging();
    }
    void TearDown() override {
        Platform::HttpActivityHub::shared().stopLogging();
        Platform::HttpActivityHub::shared().removeAllLoggers();
        JiraStandInTest::TearDown();
    }
    QStringList runUsers(unsigned level) {
        attach(level);
        Platform::SystemLog::Capture log;
        Answer<QJsonArray> answer;
        manager().getAllUsers(tokens.first, cloudID, answer.completion());
        EXPECT_TRUE(answer.wait());
        return log.lines();
    }

    std::shared_ptr<ZRJConsoleLogger> logger = std::make_shared<ZRJConsoleLogger>();
};

TEST_F(ConsoleLoggerTest, StartsAtInfoLevel) {
    EXPECT_EQ(ZRJConsoleLogger().level(), 2u);
}

TEST_F(ConsoleLoggerTest, InfoWritesShortLinesWithFourDecimals) {
    const QStringList lines = runUsers(2);
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    const QString url = standIn.baseUrl().toString() + QStringLiteral("/ex/jira/") + cloudID +
                        QStringLiteral("/rest/api/3/user/search?query=+&maxResults=1000");
    EXPECT_EQ(lines[0], QStringLiteral("GET '%1'").arg(url));
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^200 '%1' \\[\\d+\\.\\d{4} s\\]$").arg(QRegularExpression::escape(url)))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
}

TEST_F(ConsoleLoggerTest, DebugAddsHeadersAndBodiesButNeverTheBearerToken) {
    const QStringList lines = runUsers(1);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(": { Accept = application/json } nil")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Ada Lovelace"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Content-Type = application/json")));
    EXPECT_FALSE(lines.join('\n').contains(tokens.first));
    EXPECT_FALSE(lines.join('\n').contains(QStringLiteral("Bearer")));
}

TEST_F(ConsoleLoggerTest, WarnShowsOnlyFailuresAndOffShowsNothing) {
    EXPECT_TRUE(runUsers(3).isEmpty());
    EXPECT_TRUE(runUsers(0).isEmpty());
    EXPECT_TRUE(runUsers(7).isEmpty());

    standIn.setOverride(QStringLiteral("/user/search$"), Reply::error(403, QStringLiteral("no")));
    for (const unsigned level : {1u, 2u, 3u}) {
        const QStringList lines = runUsers(level);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("[Error] GET '"))) << lines.last().toStdString();
        EXPECT_TRUE(lines.last().contains(QStringLiteral("' (403) ["))) << lines.last().toStdString();
        EXPECT_EQ(lines.size(), level == 3 ? 1 : 2);
    }
    EXPECT_TRUE(runUsers(0).isEmpty());
}

TEST_F(ConsoleLoggerTest, ATaskWithoutAnswerWritesOnlyItsStartLine) {
    qputenv("CORVANTIDE_API_URL", QByteArray("http://127.0.0.1:1"));
    const QStringList lines = runUsers(1);
    ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("GET 'http://127.0.0.1:1/")));
}

TEST_F(ConsoleLoggerTest, CookiesOfAnAnswerAreNotShown) {
    Reply reply = Reply::json(QJsonArray());
    reply.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("atlassian.xsrf.token=X9; Path=/")));
    standIn.setOverride(QStringLiteral("/user/search$"), reply);
    const QStringList lines = runUsers(1);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Set-Cookie = <redacted>"))) << lines[1].toStdString();
    EXPECT_FALSE(lines[1].contains(QStringLiteral("X9")));
}

TEST_F(ConsoleLoggerTest, FilteredHeadersDropAuthorizationInAnyCase) {
    Platform::HttpRequest request;
    request.headers = {{"authorization", "Bearer a"}, {"Accept", "application/json"}, {"AUTHORIZATION", "b"}};
    EXPECT_EQ(ZRJConsoleLogger::filteredHTTPHeaderFields(request),
              (Platform::HttpHeaders{{"Accept", "application/json"}}));
    EXPECT_TRUE(ZRJConsoleLogger::filteredHTTPHeaderFields(Platform::HttpRequest()).isEmpty());
}

TEST_F(ConsoleLoggerTest, AFilteredRequestIsNotLogged) {
    logger->setFilter(
        [](const Platform::HttpRequest& request) { return request.url.path().endsWith("/search"); });
    EXPECT_TRUE(runUsers(1).isEmpty());
}

// A whole session at the most talkative level: sign-in, a token refresh and an issue search.
TEST_F(ConsoleLoggerTest, NoTokenCodeOrSecretEverReachesTheLog) {
    Platform::Clock::Fixed clock(QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
    attach(1);
    Platform::SystemLog::Capture log;

    QNetworkAccessManager browser;
    QNetworkRequest authorize(ZRJConnector::authURL(QStringLiteral("state-1")));
    authorize.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* redirect = browser.get(authorize);
    ASSERT_TRUE(TestUtils::waitUntil([redirect] { return redirect->isFinished(); }));
    const QString code = QUrlQuery(redirect->header(QNetworkRequest::LocationHeader).toUrl())
                             .queryItemValue(QStringLiteral("code"));
    delete redirect;
    ASSERT_FALSE(code.isEmpty());

    Answer<FetchTokenResponse> signIn;
    manager().fetchToken(code, signIn.completion());
    ASSERT_TRUE(signIn.wait());
    ASSERT_TRUE(signIn.value);

    // The account expires soon: the site listing refreshes it first.
    const auto account =
        std::make_shared<TestAccount>(signIn.value->accessToken(), signIn.value->refreshToken(),
                                      Platform::Clock::now().addSecs(60), signIn.value->scope());
    Answer<QJsonArray> sites;
    manager().getAccessibleResources(account, QStringLiteral("acc-1"), sites.completion());
    ASSERT_TRUE(sites.wait());
    ASSERT_EQ(updater.calls.size(), 1);
    ASSERT_TRUE(updater.calls[0].response);
    const FetchTokenResponse refreshed = *updater.calls[0].response;

    standIn.issuePageSize = 2;
    Answer<QJsonObject> issues;
    manager().searchForIssues(refreshed.accessToken(), cloudID, {QStringLiteral("ABC")}, issues.completion());
    ASSERT_TRUE(issues.wait());
    ASSERT_TRUE(issues.value);

    // Some lines of every step, and none of the secrets.
    const QString text = log.text();
    EXPECT_TRUE(text.contains(QStringLiteral("POST '"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/search/jql?")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"grant_type\":\"refresh_token\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("<redacted>")));
    const QStringList secrets{code,
                              standIn.clientSecret,
                              signIn.value->accessToken(),
                              signIn.value->refreshToken(),
                              refreshed.accessToken(),
                              refreshed.refreshToken(),
                              tokens.first,
                              tokens.second};
    for (const QString& secret : secrets)
        EXPECT_FALSE(text.contains(secret)) << secret.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Authorization ="), Qt::CaseInsensitive));
}
