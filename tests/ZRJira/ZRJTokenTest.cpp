#include "JiraStandInFixture.h"

#include "ZRJira/ZRJEndpoints.h"

#include "Platform/Clock.h"
#include "Platform/SystemLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

using Reply = JiraStandIn::Reply;
using TokenAnswer = Answer<FetchTokenResponse>;
using ArrayAnswer = Answer<QJsonArray>;

namespace {

const QDateTime kNow(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

QStringList sortedKeys(const QJsonObject& object) {
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

} // namespace

class TokenTest : public JiraStandInTest {
protected:
    /*! The browser's part of a sign-in: open the authorize URL and read the code off the redirect. */
    QUrl authorizeRedirect(const QString& state) {
        QNetworkAccessManager browser;
        QNetworkRequest request(ZRJConnector::authURL(state));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        QNetworkReply* reply = browser.get(request);
        EXPECT_TRUE(TestUtils::waitUntil([reply] { return reply->isFinished(); }));
        reply->deleteLater();
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 302);
        return reply->header(QNetworkRequest::LocationHeader).toUrl();
    }

    ZRJAccountPtr accountExpiringIn(qint64 seconds, const QPair<QString, QString>& pair) const {
        return std::make_shared<TestAccount>(pair.first, pair.second, kNow.addSecs(seconds));
    }

    Platform::Clock::Fixed clock{kNow};
};

TEST_F(TokenTest, AuthorizeUrlCarriesItsSevenItemsInOrder) {
    const QUrl url = ZRJConnector::authURL(QStringLiteral("state 1"));
    EXPECT_EQ(url.toString(QUrl::RemoveQuery),
              standIn.authBaseUrl().toString() + QStringLiteral("/authorize"));
    const QUrlQuery query(url);
    QStringList names;
    for (const auto& item : query.queryItems())
        names.append(item.first);
    EXPECT_EQ(names, (QStringList{QStringLiteral("client_id"), QStringLiteral("scope"),
                                  QStringLiteral("redirect_uri"), QStringLiteral("state"),
                                  QStringLiteral("audience"), QStringLiteral("response_type"),
                                  QStringLiteral("prompt")}));
    EXPECT_TRUE(
        url.query(QUrl::FullyEncoded).contains(QStringLiteral("scope=read%3Ajira-user%20read%3Ajira-work")));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded), standIn.redirectURI);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded), QStringLiteral("state 1"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("audience")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("response_type")), QStringLiteral("code"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("prompt")), QStringLiteral("consent"));
}

TEST(ConnectorDeathTest, NeedsADelegate) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ZRJConnector::setDelegate(nullptr);
    EXPECT_DEATH(ZRJConnector::authURL(QStringLiteral("s")), "no delegate set");
    EXPECT_DEATH(ZRJConnector::clientID(), "no delegate set");
}

TEST_F(TokenTest, ADelegateThatGoesAwayLeavesTheConnector) {
    {
        StandInDelegate shortLived(standIn);
        ZRJConnector::setDelegate(&shortLived);
        EXPECT_EQ(ZRJConnector::delegate(), &shortLived);
    }
    EXPECT_EQ(ZRJConnector::delegate(), nullptr);
    {
        RecordingUpdater shortLived;
        manager().setAccountUpdater(&shortLived);
    }
    EXPECT_EQ(manager().accountUpdater(), nullptr);
}

TEST_F(TokenTest, SignInExchangesTheCodeFromTheRedirect) {
    const QUrl redirect = authorizeRedirect(QStringLiteral("4f0c"));
    const QUrlQuery redirectQuery(redirect);
    EXPECT_EQ(redirectQuery.queryItemValue(QStringLiteral("state")), QStringLiteral("4f0c"));
    const QString code = redirectQuery.queryItemValue(QStringLiteral("code"));
    ASSERT_FALSE(code.isEmpty());

    TokenAnswer answer;
    manager().fetchToken(code, answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error) << answer.error->localizedDescription().toStdString();
    EXPECT_TRUE(standIn.isValidAccessToken(answer.value->accessToken()));
    EXPECT_TRUE(standIn.isValidRefreshToken(answer.value->refreshToken()));
    EXPECT_EQ(answer.value->expires(), kNow.addSecs(3600));
    EXPECT_EQ(answer.value->scope(), standIn.grantedScope);

    const auto request = standIn.requests(QStringLiteral("^/oauth/token$")).first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_TRUE(request.header("Authorization").isEmpty());
    EXPECT_TRUE(request.header("Accept").isEmpty());
    const QJsonObject body = request.jsonBody();
    EXPECT_EQ(sortedKeys(body), (QStringList{QStringLiteral("client_id"), QStringLiteral("client_secret"),
                                             QStringLiteral("code"), QStringLiteral("grant_type"),
                                             QStringLiteral("redirect_uri")}));
    EXPECT_EQ(body.value(QStringLiteral("grant_type")).toString(), QStringLiteral("authorization_code"));
    EXPECT_EQ(body.value(QStringLiteral("code")).toString(), code);

    // A code is good for one exchange; the rejection passes through with its status.
    TokenAnswer again;
    manager().fetchToken(code, again.completion());
    ASSERT_TRUE(again.wait());
    EXPECT_FALSE(again.value);
    ASSERT_TRUE(again.error);
    EXPECT_EQ(again.error->httpStatus(), 403);
}

TEST_F(TokenTest, EachIncompleteTokenAnswerHasItsOwnText) {
    const QJsonObject full{{QStringLiteral("access_token"), QStringLiteral("secret-access")},
                           {QStringLiteral("refresh_token"), QStringLiteral("secret-refresh")},
                           {QStringLiteral("scope"), QStringLiteral("read:jira-work")},
                           {QStringLiteral("expires_in"), 3600}};
    const auto without = [&](const char* key) {
        QJsonObject object = full;
        object.remove(QLatin1String(key));
        // The log line shows the answer's head, whose cookies may be a session of their own.
        Reply reply = Reply::json(object);
        reply.headers.append(
            qMakePair(QByteArray("Set-Cookie"), QByteArray("session=secret-cookie; Path=/")));
        return reply;
    };
    QJsonObject stringExpiry = full;
    stringExpiry.insert(QStringLiteral("expires_in"), QStringLiteral("3600"));
    QJsonObject fractionalExpiry = full;
    fractionalExpiry.insert(QStringLiteral("expires_in"), 3600.5);
    QJsonObject endlessExpiry = full; // a whole number, but no date an account could keep
    endlessExpiry.insert(QStringLiteral("expires_in"), 1152921504606846976.0);
    QJsonObject numericToken = full;
    numericToken.insert(QStringLiteral("access_token"), 42);
    const QString prefix = QStringLiteral("Could not download Jira authentication token, ");
    const struct {
        Reply reply;
        QString text;
        QString log;
    } cases[] = {
        {Reply::json(QJsonArray{full}), prefix + QStringLiteral("missing response data."),
         QStringLiteral("Unknown responseObject while fetching auth token: ")},
        {Reply::text({}, "application/json", 200), prefix + QStringLiteral("missing response data."),
         QStringLiteral("Unknown responseObject while fetching auth token: ")},
        {Reply::json(QJsonObject()), prefix + QStringLiteral("missing access token."),
         QStringLiteral("No accessToken returned for fetch auth token: ")},
        {Reply::json(numericToken), prefix + QStringLiteral("missing access token."),
         QStringLiteral("No accessToken returned for fetch auth token: ")},
        {without("refresh_token"), prefix + QStringLiteral("missing refresh token."),
         QStringLiteral("No refreshToken returned for fetch auth token: ")},
        {without("scope"), prefix + QStringLiteral("missing scope."),
         QStringLiteral("No scope returned for fetch auth token: ")},
        {without("expires_in"), prefix + QStringLiteral("missing expiration time."),
         QStringLiteral("No expires_in returned for fetch auth token: ")},
        {Reply::json(stringExpiry), prefix + QStringLiteral("missing expiration time."),
         QStringLiteral("No expires_in returned for fetch auth token: ")},
        {Reply::json(fractionalExpiry), prefix + QStringLiteral("missing expiration time."),
         QStringLiteral("No expires_in returned for fetch auth token: ")},
        {Reply::json(endlessExpiry), prefix + QStringLiteral("missing expiration time."),
         QStringLiteral("No expires_in returned for fetch auth token: ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.body.toStdString());
        standIn.clearSwitches();
        standIn.setOverride(QStringLiteral("^/oauth/token$"), c.reply);
        Platform::SystemLog::Capture log;
        TokenAnswer answer;
        manager().fetchToken(QStringLiteral("any-code"), answer.completion());
        ASSERT_TRUE(answer.wait());
        EXPECT_FALSE(answer.value);
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->localizedDescription(), c.text);
        EXPECT_EQ(answer.error->domain(), QStringLiteral("com.dunwarbeck.error.zrkit"));
        ASSERT_TRUE(log.contains(c.log)) << log.text().toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("\nobject: "))) << log.text().toStdString();
        EXPECT_FALSE(log.text().contains(QStringLiteral("secret-access")));
        EXPECT_FALSE(log.text().contains(QStringLiteral("secret-refresh")));
        EXPECT_FALSE(log.text().contains(QStringLiteral("secret-cookie")));
    }
}

TEST_F(TokenTest, ATokenWithThreeHundredSecondsLeftIsUsedAsItIs) {
    ArrayAnswer answer;
    manager().getAccessibleResources(accountExpiringIn(300, tokens), QStringLiteral("acc-1"),
                                     answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error);
    EXPECT_TRUE(standIn.requests(QStringLiteral("^/oauth/token$")).isEmpty());
    ASSERT_EQ(updater.calls.size(), 1);
    EXPECT_EQ(updater.calls[0].accountID, QStringLiteral("acc-1"));
    EXPECT_FALSE(updater.calls[0].response);
    EXPECT_FALSE(updater.calls[0].error);
    EXPECT_EQ(standIn.requests(QStringLiteral("accessible-resources$")).first().header("Authorization"),
              "Bearer " + tokens.first.toUtf8());
}

TEST_F(TokenTest, ATokenWithTwoHundredNinetyNineSecondsLeftIsRefreshed) {
    for (const qint64 left : {299, -60}) {
        SCOPED_TRACE(left);
        standIn.clearRequests();
        updater.calls.clear();
        const auto pair = standIn.issueTokens();
        ArrayAnswer answer;
        manager().getAccessibleResources(accountExpiringIn(left, pair), QStringLiteral("acc-1"),
                                         answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_FALSE(answer.error);

        const auto refreshes = standIn.requests(QStringLiteral("^/oauth/token$"));
        ASSERT_EQ(refreshes.size(), 1);
        const QJsonObject body = refreshes[0].jsonBody();
        EXPECT_EQ(sortedKeys(body),
                  (QStringList{QStringLiteral("client_id"), QStringLiteral("client_secret"),
                               QStringLiteral("grant_type"), QStringLiteral("refresh_token")}));
        EXPECT_EQ(body.value(QStringLiteral("grant_type")).toString(), QStringLiteral("refresh_token"));
        EXPECT_EQ(body.value(QStringLiteral("refresh_token")).toString(), pair.second);
        EXPECT_FALSE(standIn.isValidRefreshToken(pair.second)) << "the stand-in rotates refresh tokens";

        ASSERT_EQ(updater.calls.size(), 1);
        ASSERT_TRUE(updater.calls[0].response);
        EXPECT_EQ(updater.calls[0].account->refreshToken(), pair.second);
        EXPECT_EQ(updater.calls[0].response->expires(), kNow.addSecs(3600));
        // The listing uses the account the updater returned: the new token.
        EXPECT_EQ(standIn.requests(QStringLiteral("accessible-resources$")).first().header("Authorization"),
                  "Bearer " + updater.calls[0].response->accessToken().toUtf8());
    }
}

TEST_F(TokenTest, ARejectedRefreshReachesTheUpdaterAndTheListingGoesOn) {
    standIn.revokeAccessToken(tokens.first);
    ArrayAnswer answer;
    const auto stale =
        std::make_shared<TestAccount>(tokens.first, QStringLiteral("unknown"), kNow.addSecs(-1));
    manager().getAccessibleResources(stale, QStringLiteral("acc-1"), answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_EQ(updater.calls.size(), 1);
    ASSERT_TRUE(updater.calls[0].error);
    EXPECT_EQ(updater.calls[0].error->httpStatus(), 403);
    EXPECT_FALSE(updater.calls[0].response);
    // The old token is no longer valid either, so the listing fails with the gateway's 401.
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->httpStatus(), 401);
}

TEST_F(TokenTest, ChecksQueuedBackToBackSendTheRefreshTokenOnce) {
    standIn.setDelay(QStringLiteral("^/oauth/token$"), 100);
    const ZRJAccountPtr expiring = accountExpiringIn(10, tokens);
    ArrayAnswer launchPass, timedPass;
    manager().getAccessibleResources(expiring, QStringLiteral("acc-1"), launchPass.completion());
    manager().getAccessibleResources(expiring, QStringLiteral("acc-1"), timedPass.completion());
    ASSERT_TRUE(launchPass.wait());
    ASSERT_TRUE(timedPass.wait());
    EXPECT_FALSE(launchPass.error);
    EXPECT_FALSE(timedPass.error);
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 1);
    EXPECT_EQ(standIn.reusedRefreshTokenCount(), 0);
    ASSERT_EQ(updater.calls.size(), 2);
    ASSERT_TRUE(updater.calls[0].response && updater.calls[1].response);
    EXPECT_EQ(*updater.calls[0].response, *updater.calls[1].response);
    EXPECT_EQ(launchPass.calls, 1);
    EXPECT_EQ(timedPass.calls, 1);

    // Once the queue has drained, a later check starts afresh from the account it is given.
    standIn.clearRequests();
    const auto pair = standIn.issueTokens();
    ArrayAnswer later;
    manager().getAccessibleResources(accountExpiringIn(10, pair), QStringLiteral("acc-1"),
                                     later.completion());
    ASSERT_TRUE(later.wait());
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 1);
}

TEST_F(TokenTest, ChecksRunOneAtATimeAndReportInOrder) {
    standIn.setDelay(QStringLiteral("^/oauth/token$"), 50);
    const auto first = standIn.issueTokens();
    const auto second = standIn.issueTokens();
    ArrayAnswer a, b, c;
    manager().getAccessibleResources(accountExpiringIn(0, first), QStringLiteral("a"), a.completion());
    manager().getAccessibleResources(accountExpiringIn(3600, tokens), QStringLiteral("b"), b.completion());
    manager().getAccessibleResources(accountExpiringIn(0, second), QStringLiteral("c"), c.completion());
    ASSERT_TRUE(a.wait() && b.wait() && c.wait());
    QStringList order;
    for (const auto& call : updater.calls)
        order.append(call.accountID);
    EXPECT_EQ(order, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 2);
    // The refreshes are slow and the listings quick: overlapping refreshes would show as two at once.
    EXPECT_EQ(standIn.maxConcurrentRequests(), 1);
}

TEST_F(TokenTest, WithoutAnUpdaterTheCheckAnswersWithAnError) {
    manager().setAccountUpdater(nullptr);
    ArrayAnswer answer;
    manager().getAccessibleResources(accountExpiringIn(3600, tokens), QStringLiteral("acc-1"),
                                     answer.completion());
    ASSERT_TRUE(answer.wait());
    EXPECT_FALSE(answer.value);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.calls, 1);
    EXPECT_TRUE(standIn.requests(QStringLiteral("accessible-resources$")).isEmpty());
}

TEST(EndpointsTest, AcceptHttpsAndLoopbackHttpOnly) {
    using ZRJEndpoints::isAcceptableBaseURL;
    EXPECT_TRUE(isAcceptableBaseURL(QUrl(QStringLiteral("https://api.atlassian.com"))));
    EXPECT_TRUE(isAcceptableBaseURL(QUrl(QStringLiteral("http://127.0.0.1:8788"))));
    EXPECT_TRUE(isAcceptableBaseURL(QUrl(QStringLiteral("http://localhost:8788"))));
    EXPECT_TRUE(isAcceptableBaseURL(QUrl(QStringLiteral("http://[::1]:8788"))));
    EXPECT_FALSE(isAcceptableBaseURL(QUrl(QStringLiteral("http://api.atlassian.com"))));
    EXPECT_FALSE(isAcceptableBaseURL(QUrl(QStringLiteral("http://10.0.0.1"))));
    EXPECT_FALSE(isAcceptableBaseURL(QUrl(QStringLiteral("ftp://127.0.0.1"))));

    Platform::SystemLog::Capture log;
    qputenv("CORVANTIDE_API_URL", QByteArray("http://example.com"));
    EXPECT_EQ(ZRJEndpoints::apiGatewayBaseURL(), QUrl(QStringLiteral("https://api.atlassian.com")));
    EXPECT_TRUE(log.contains(QStringLiteral("ignoring CORVANTIDE_API_URL")));
    qputenv("CORVANTIDE_API_URL", QByteArray("http://127.0.0.1:9/"));
    EXPECT_EQ(ZRJEndpoints::apiGatewayBaseURL(), QUrl(QStringLiteral("http://127.0.0.1:9")));
    EXPECT_EQ(ZRJEndpoints::jiraURL(), QStringLiteral("http://127.0.0.1:9/ex/jira"));
    qunsetenv("CORVANTIDE_API_URL");
    qunsetenv("CORVANTIDE_AUTH_URL");
    EXPECT_EQ(ZRJEndpoints::authorizationServerBaseURL(), QUrl(QStringLiteral("https://auth.atlassian.com")));
}

TEST_F(TokenTest, ARefreshWhoseAnswerIsLostIsSentOnceMoreWithTheSameRefreshToken) {
    standIn.refreshTokenReuseWindowSeconds = 600;
    standIn.setCutAfterHandling(QStringLiteral("^/oauth/token$"), 1); // rotated, then the answer is lost
    const auto pair = standIn.issueTokens();
    ArrayAnswer answer;
    manager().getAccessibleResources(accountExpiringIn(-1, pair), QStringLiteral("acc-1"),
                                     answer.completion());
    ASSERT_TRUE(answer.wait());
    ASSERT_FALSE(answer.error);
    const auto refreshes = standIn.requests(QStringLiteral("^/oauth/token$"));
    ASSERT_EQ(refreshes.size(), 2);
    for (const auto& refresh : refreshes)
        EXPECT_EQ(refresh.jsonBody().value(QStringLiteral("refresh_token")).toString(), pair.second);
    ASSERT_EQ(updater.calls.size(), 1);
    EXPECT_FALSE(updater.calls[0].error);
    ASSERT_TRUE(updater.calls[0].response);
    EXPECT_TRUE(standIn.isValidRefreshToken(updater.calls[0].response->refreshToken()))
        << "the account keeps a refresh token the server takes";
}

TEST_F(TokenTest, ARefreshLostTwiceIsReportedAndARejectedOneIsNotSentAgain) {
    standIn.setCutAfterHandling(QStringLiteral("^/oauth/token$"), -1);
    const auto pair = standIn.issueTokens();
    ArrayAnswer lost;
    manager().getAccessibleResources(accountExpiringIn(-1, pair), QStringLiteral("acc-1"), lost.completion());
    ASSERT_TRUE(lost.wait());
    const auto refreshes = standIn.requests(QStringLiteral("^/oauth/token$"));
    ASSERT_EQ(refreshes.size(), 2);
    EXPECT_EQ(refreshes[1].jsonBody().value(QStringLiteral("refresh_token")).toString(), pair.second);
    ASSERT_EQ(updater.calls.size(), 1);
    ASSERT_TRUE(updater.calls[0].error);
    EXPECT_EQ(updater.calls[0].error->domain(), Platform::HttpSession::URLErrorDomain);

    standIn.clearSwitches();
    standIn.clearRequests();
    updater.calls.clear();
    ArrayAnswer rejected;
    manager().getAccessibleResources(
        std::make_shared<TestAccount>(tokens.first, QStringLiteral("unknown"), kNow.addSecs(-1)),
        QStringLiteral("acc-1"), rejected.completion());
    ASSERT_TRUE(rejected.wait());
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 1);
    ASSERT_EQ(updater.calls.size(), 1);
    EXPECT_EQ(updater.calls[0].error->httpStatus(), 403);
}

namespace {
/*! Answers every check with an account of its own, neither the one checked nor the refreshed one. */
class ReplacingUpdater final : public ZRJAccountUpdater {
public:
    explicit ReplacingUpdater(ZRJAccountPtr replacement)
        : m_replacement(std::move(replacement)) {}
    ZRJAccountPtr update(const ZRJAccountPtr&, const QString&, const std::optional<FetchTokenResponse>&,
                         const Platform::OptionalError&) override {
        ++calls;
        return m_replacement;
    }
    int calls = 0;

private:
    ZRJAccountPtr m_replacement;
};
} // namespace

TEST_F(TokenTest, TheCheckGoesOnWithTheAccountTheUpdaterReturns) {
    const auto third = standIn.issueTokens();
    ReplacingUpdater replacing(std::make_shared<TestAccount>(third.first, third.second, kNow.addSecs(3600)));
    manager().setAccountUpdater(&replacing);
    for (const qint64 left : {3600, -1}) { // a valid token, and one that is refreshed first
        SCOPED_TRACE(left);
        standIn.clearRequests();
        ArrayAnswer answer;
        manager().getAccessibleResources(accountExpiringIn(left, standIn.issueTokens()),
                                         QStringLiteral("acc-1"), answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_FALSE(answer.error);
        EXPECT_EQ(standIn.requests(QStringLiteral("accessible-resources$")).first().header("Authorization"),
                  "Bearer " + third.first.toUtf8());
    }
    EXPECT_EQ(replacing.calls, 2);
    manager().setAccountUpdater(&updater);
}

TEST_F(TokenTest, TheCallersCompletionRunsBeforeTheOperationIsLetGo) {
    qsizetype runningInCompletion = -1;
    int calls = 0;
    manager().getAccessibleResourcesWithoutValidatingToken(
        tokens.first, [&](const std::optional<QJsonArray>&, const Platform::OptionalError&) {
            runningInCompletion = manager().runningOperationCount();
            ++calls;
        });
    ASSERT_TRUE(TestUtils::waitUntil([&] { return calls > 0; }));
    EXPECT_EQ(runningInCompletion, 1);
    EXPECT_EQ(manager().runningOperationCount(), 0);
}

TEST_F(TokenTest, AFailedTokenAnswerReachesTheCallerWithItsSecretsRedacted) {
    struct Case {
        Reply reply;
        int code;
    };
    const QByteArray broken = R"({"access_token":"live-access","refresh_token":"live-refresh","expires_in":)";
    const std::vector<Case> cases{
        {Reply::text(broken, "application/json", 200), Platform::JSONResponseSerializer::CannotParseResponse},
        {Reply::text("access_token=live-access&refresh_token=live-refresh", "text/plain", 200),
         Platform::JSONResponseSerializer::CannotDecodeContentData},
        {Reply::text(R"({"error":"invalid_grant","refresh_token":"live-refresh"})", "application/json", 403),
         Platform::JSONResponseSerializer::BadServerResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.body.toStdString());
        standIn.clearSwitches();
        standIn.setOverride(QStringLiteral("^/oauth/token$"), c.reply);
        TokenAnswer answer;
        manager().fetchToken(QStringLiteral("code"), answer.completion());
        ASSERT_TRUE(answer.wait());
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->code(), c.code);
        EXPECT_EQ(answer.error->httpStatus(), c.reply.status);
        const QByteArray body = answer.error->httpBody();
        EXPECT_FALSE(body.contains("live-")) << body.toStdString();
        EXPECT_TRUE(body.contains("redacted")) << body.toStdString(); // percent-encoded in a form body
    }
}
