#include "ZRKit/ZRURLSession.h"
#include "ZRKit/ZRAppEngineConnector.h"
#include "ZRKit/ZRURLExtensions.h"

#include "LoopbackHttpServer.h"
#include "Platform/HttpSession.h"
#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

LoopbackResponse route(const LoopbackRequest& request) {
    if (request.path == "/missing")
        return {404, {{"Content-Type", "text/plain"}}, "no such page"};
    if (request.path == "/moved")
        return {302, {{"Location", "/target"}}, "see elsewhere"};
    if (request.path == "/target")
        return {200, {}, "arrived"};
    if (request.path == "/slow")
        return {200, {}, "late", 3000};
    if (request.path == "/hang")
        return {200, {}, {}, 0, true};
    if (request.path == "/empty")
        return {204, {}, {}};
    if (request.path == "/cut")
        return {200, {}, QByteArray(100, 'x'), 0, false, 10};
    if (request.path == "/open")
        return {200, {}, "kept open", 0, false, -1, true};
    if (request.path == "/private")
        return {401, {{"WWW-Authenticate", "Basic realm=\"corvantide\""}}, "sign in first", 0, false, -1,
                true};
    if (request.path.startsWith("/api"))
        return {request.path.endsWith("/fail") ? 500 : 200, {}, "answer to " + request.method};
    return {200, {}, "payload of " + request.path};
}

ZRURLRequest requestFor(const LoopbackHttpServer& server, const QByteArray& path) {
    return ZRURLRequest(QUrl(QString::fromLatin1(server.url(path))));
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // nothing listens once the probe is gone
}

} // namespace

TEST(ZRURLSessionTest, HttpStatusesAreAnswersAndRedirectsAreFollowedOnlyWhenAllowed) {
    LoopbackHttpServer server(route);
    const ZRURLSessionResult missing =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/missing"), nullptr, 10, true);
    EXPECT_FALSE(missing.receivedError.has_value());
    ASSERT_TRUE(missing.response.has_value());
    EXPECT_EQ(missing.response->statusCode, 404);
    EXPECT_EQ(missing.receivedData, QByteArray("no such page"));
    EXPECT_FALSE(missing.isSuccessfulResponse());

    const ZRURLSessionResult kept =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/moved"), nullptr, 10, true);
    EXPECT_FALSE(kept.receivedError.has_value());
    EXPECT_EQ(kept.response->statusCode, 302);
    EXPECT_EQ(kept.response->valueForHTTPHeaderField("location"), QByteArray("/target"));

    const ZRURLSessionResult followed =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/moved"), nullptr, 10, true, true);
    EXPECT_EQ(followed.response->statusCode, 200);
    EXPECT_EQ(followed.receivedData, QByteArray("arrived"));
    EXPECT_TRUE(followed.isSuccessfulResponse());
}

TEST(ZRURLSessionTest, CutBodiesFailHeadEndsAtTheHeadAndUnansweredChallengesEndWithTheirResponse) {
    LoopbackHttpServer server(route);
    const ZRURLSessionResult cut =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/cut"), nullptr, 10, true);
    ASSERT_TRUE(cut.receivedError.has_value());
    EXPECT_EQ(cut.receivedError->domain(), Platform::HttpSession::URLErrorDomain);
    EXPECT_FALSE(cut.receivedData.has_value());
    const ZRURLSessionResult cutFile =
        ZRURLSession::downloadRequestSynchronously(requestFor(server, "/cut"), nullptr, 10, true, false);
    EXPECT_TRUE(cutFile.receivedError.has_value());
    EXPECT_FALSE(cutFile.receivedFileURL.has_value());

    // Over a connection the server keeps open, HEAD must not wait for the announced body.
    ZRURLRequest head = requestFor(server, "/open");
    head.method = QByteArrayLiteral("HEAD");
    const ZRURLSessionResult headed = ZRURLSession::sendSynchronousRequest(head, nullptr, 5, true);
    EXPECT_FALSE(headed.receivedError.has_value());
    ASSERT_TRUE(headed.response.has_value());
    EXPECT_EQ(headed.response->statusCode, 200);
    EXPECT_EQ(headed.receivedData, QByteArray());

    const ZRURLSessionResult challenged =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/private"), nullptr, 5, true);
    EXPECT_FALSE(challenged.receivedError.has_value());
    ASSERT_TRUE(challenged.response.has_value());
    EXPECT_EQ(challenged.response->statusCode, 401);
    EXPECT_EQ(challenged.receivedData, QByteArray("sign in first"));
}

TEST(ZRURLSessionTest, OlderFormsHandOutResponseAndErrorAndAnInstanceShowsItsRun) {
    LoopbackHttpServer server(route);
    std::optional<ZRURLResponse> response;
    Platform::Error error;
    EXPECT_EQ(ZRURLSession::sendSynchronousRequestReturningResponse(requestFor(server, "/moved"), &response,
                                                                    nullptr, 10, true, &error),
              QByteArray("see elsewhere"));
    EXPECT_EQ(response->statusCode, 302);
    EXPECT_EQ(ZRURLSession::sendSynchronousRequestReturningResponse(requestFor(server, "/moved"), &response,
                                                                    nullptr, 10, true, true, nullptr),
              QByteArray("arrived"));
    const auto file = ZRURLSession::downloadRequestSynchronouslyReturningResponse(
        requestFor(server, "/f"), nullptr, nullptr, 10, true, false, &error);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(QFile::remove(*file));
    EXPECT_TRUE(error.domain().isEmpty());
    ZRURLRequest refused(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())));
    EXPECT_FALSE(
        ZRURLSession::sendSynchronousRequestReturningResponse(refused, &response, nullptr, 10, true, &error)
            .has_value());
    EXPECT_FALSE(response.has_value());
    EXPECT_EQ(error.code(), Platform::HttpSession::CannotConnectToHost);

    ZRURLSession session(requestFor(server, "/missing"), nullptr, 10, true, false);
    EXPECT_TRUE(session.allowRedirect());
    EXPECT_FALSE(session.disableCaching());
    EXPECT_FALSE(session.response().has_value());
    session.setRequest(requestFor(server, "/moved"));
    EXPECT_EQ(session.request().url.path(), QStringLiteral("/moved"));
    EXPECT_EQ(session.synchronouslyDownloadData().receivedData, QByteArray("arrived"));
    EXPECT_EQ(session.state(), ZRURLSession::Stopped);
    EXPECT_EQ(session.response()->statusCode, 200);

    const ZRURLSessionConfiguration configuration =
        ZRURLSession::apiSessionConfigurationWithTimeoutIntervalForRequestTimeoutIntervalForResource(12, 34);
    EXPECT_TRUE(configuration.ephemeral && configuration.reloadIgnoringLocalCacheData);
    EXPECT_FALSE(configuration.HTTPShouldSetCookies || configuration.acceptsCookies);
    EXPECT_EQ(configuration.timeoutIntervalForRequest, 12);
    EXPECT_EQ(configuration.timeoutIntervalForResource, 34);
}

TEST(ZRURLSessionTest, OlderFormsLeaveNoEarlierErrorAfterASuccessfulRun) {
    LoopbackHttpServer server(route);
    const ZRURLRequest refused(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())));
    Platform::Error error;
    ZRURLSession::sendSynchronousRequestReturningResponse(refused, nullptr, nullptr, 10, true, &error);
    ASSERT_EQ(error.code(), Platform::HttpSession::CannotConnectToHost);
    EXPECT_EQ(ZRURLSession::sendSynchronousRequestReturningResponse(requestFor(server, "/target"), nullptr,
                                                                    nullptr, 10, true, &error),
              QByteArray("arrived"));
    EXPECT_EQ(error, Platform::Error());

    ZRURLSession::downloadRequestSynchronouslyReturningResponse(refused, nullptr, nullptr, 10, true, false,
                                                                &error);
    ASSERT_EQ(error.code(), Platform::HttpSession::CannotConnectToHost);
    const auto file = ZRURLSession::downloadRequestSynchronouslyReturningResponse(
        requestFor(server, "/f"), nullptr, nullptr, 10, true, false, &error);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(QFile::remove(*file));
    EXPECT_EQ(error, Platform::Error());
}

TEST(ZRURLSessionTest, TheTimeLimitWinsOverASlowAnswerAndAFailedSessionDoesNotRunAgain) {
    LoopbackHttpServer server(route);
    Platform::SystemLog::Capture log;
    ZRURLSession session(requestFor(server, "/hang"), nullptr, 0.3, false, true);
    const ZRURLSessionResult result = session.synchronouslyDownloadData();
    EXPECT_EQ(session.state(), ZRURLSession::Failed);
    ASSERT_TRUE(result.receivedError.has_value());
    EXPECT_EQ(result.receivedError->domain(), ZRURLSession::ErrorDomain);
    EXPECT_EQ(result.receivedError->localizedDescription(),
              QStringLiteral("Timeout while downloading data."));
    EXPECT_FALSE(result.receivedData.has_value());
    EXPECT_TRUE(log.contains(QStringLiteral("Request timed out while downloading from ") +
                             QString::fromLatin1(server.url("/hang"))));

    const int requestsBefore = static_cast<int>(server.requests().size());
    const ZRURLSessionResult again = session.synchronouslyDownloadData();
    EXPECT_TRUE(again.receivedError.has_value());
    EXPECT_EQ(session.state(), ZRURLSession::Failed);
    TestUtils::spin(100);
    EXPECT_EQ(server.requests().size(), requestsBefore);

    // Without a limit the run waits for the answer.
    const ZRURLSessionResult slow =
        ZRURLSession::sendSynchronousRequest(requestFor(server, "/slow"), nullptr, 0, true);
    EXPECT_FALSE(slow.receivedError.has_value());
    EXPECT_EQ(slow.receivedData, QByteArray("late"));
}

TEST(ZRURLSessionTest, RefusedConnectionsAreTransportErrorsAndDownloadsAreKeptAsFiles) {
    ZRURLRequest refused(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())));
    const ZRURLSessionResult failed = ZRURLSession::sendSynchronousRequest(refused, nullptr, 10, true);
    ASSERT_TRUE(failed.receivedError.has_value());
    EXPECT_EQ(failed.receivedError->domain(), Platform::HttpSession::URLErrorDomain);
    EXPECT_EQ(failed.receivedError->code(), Platform::HttpSession::CannotConnectToHost);
    EXPECT_FALSE(failed.response.has_value());

    LoopbackHttpServer server(route);
    const ZRURLSessionResult file = ZRURLSession::downloadRequestSynchronously(
        requestFor(server, "/archive.zip"), nullptr, 10, true, false);
    ASSERT_TRUE(file.receivedFileURL.has_value());
    EXPECT_FALSE(file.receivedData.has_value());
    QFile downloaded(*file.receivedFileURL);
    ASSERT_TRUE(downloaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(downloaded.readAll(), QByteArray("payload of /archive.zip"));
    downloaded.remove();
}

TEST(ZRURLSessionTest, ReachabilityNeedsExactly200OrAReadableFile) {
    LoopbackHttpServer server(route);
    EXPECT_TRUE(ZRURL::isReachable(QUrl(QString::fromLatin1(server.url("/page")))));
    EXPECT_FALSE(ZRURL::isReachable(QUrl(QString::fromLatin1(server.url("/empty")))));
    EXPECT_FALSE(ZRURL::isReachable(QUrl(QString::fromLatin1(server.url("/moved")))));
    EXPECT_FALSE(ZRURL::isReachable(QUrl(QString::fromLatin1(server.url("/missing")))));
    EXPECT_EQ(server.requests().first().method, QByteArray("HEAD"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("here.txt"));
    EXPECT_FALSE(ZRURL::isReachable(QUrl::fromLocalFile(path)));
    ASSERT_TRUE(TestUtils::writeFile(path, "x"));
    EXPECT_TRUE(ZRURL::isReachable(QUrl::fromLocalFile(path)));
}

TEST(ZRURLSessionTest, ConnectorAppendsPathsSendsVersionAfterGivenFieldsAndReturnsBodiesOfFailures) {
    LoopbackHttpServer server(route);
    ZRAppEngineConnector connector;
    connector.baseURL = QUrl(QString::fromLatin1(server.url("/api")));
    int status = 0;
    Platform::Error error;
    const auto failure =
        connector.sendGetRequestForPath(QStringLiteral("/fail"), {{"X-API-Digest", "d1"}}, &status, &error);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, QByteArray("answer to GET"));
    EXPECT_EQ(status, 500);
    EXPECT_EQ(error.domain(), ZRAppEngineConnector::ErrorDomain);
    EXPECT_EQ(error.code(), 500);
    EXPECT_EQ(error.localizedDescription(), QStringLiteral("Got status code 500 for path /fail"));
    EXPECT_TRUE(server.requests().last().header("X-API-Version").isEmpty());

    connector.apiVersion = 3;
    const auto posted =
        connector.sendPostRequestForPath(QStringLiteral("/items"), {{"X-API-Digest", "d2"}, {"X-Extra", "e"}},
                                         "{\"a\":1}", QStringLiteral("application/json"), &status, &error);
    ASSERT_TRUE(posted.has_value());
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(error.domain().isEmpty());
    const LoopbackRequest sent = server.requests().last();
    EXPECT_EQ(sent.path, QByteArray("/api/items"));
    EXPECT_EQ(sent.body, QByteArray("{\"a\":1}"));
    EXPECT_EQ(sent.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(sent.header("X-API-Version"), QByteArray("3"));
    qsizetype extra = -1, version = -1;
    for (qsizetype i = 0; i < sent.headers.size(); ++i) {
        if (sent.headers[i].first == "X-Extra")
            extra = i;
        if (sent.headers[i].first == "X-API-Version")
            version = i;
    }
    EXPECT_LT(extra, version);

    // A path without a slash is appended to the base's last name as it is.
    connector.sendGetRequestForPath(QStringLiteral("-v2/x"), &error);
    EXPECT_EQ(server.requests().last().path, QByteArray("/api-v2/x"));
}

TEST(ZRURLSessionDeathTest, ConnectorRequestsWithHeaderFieldsNeedADigest) {
    ZRAppEngineConnector connector;
    connector.baseURL = QUrl(QStringLiteral("http://127.0.0.1:1"));
    EXPECT_DEATH(connector.sendGetRequestForPath(QStringLiteral("/x"), {{"X-Other", "1"}}, nullptr),
                 "No digest for GET request at /x");
}

TEST(ZRURLSessionTest, FormsCannotBeBrokenByTheirNamesOrValues) {
    const ZRURLRequest multipart = ZRURL::requestWithURLPostForm(
        QUrl(QStringLiteral("http://h/upload")),
        ZRURL::FormValues{{QStringLiteral("file"), QByteArray("\x01\x02")},
                          {QStringLiteral("evil\"\r\nX-Injected: 1"), QStringLiteral("ü")}});
    const QByteArray type = multipart.valueForHTTPHeaderField("Content-Type");
    ASSERT_TRUE(type.startsWith("multipart/form-data; boundary=x-mime-boundary://"));
    const QByteArray boundary = type.mid(type.indexOf("boundary=") + 9);
    const QByteArray expected =
        "--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n\x01\x02\r\n" + "--" +
        boundary + "\r\nContent-Disposition: form-data; name=\"evil%22%0D%0AX-Injected: 1\"\r\n\r\n\xc3\xbc" +
        "\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(multipart.body, expected);
    EXPECT_EQ(multipart.method, QByteArray("POST"));
    EXPECT_EQ(multipart.valueForHTTPHeaderField("Content-Length"), QByteArray::number(expected.size()));

    const ZRURLRequest encoded = ZRURL::requestWithURLStringPostFormURLEncodedValues(
        QStringLiteral("http://h/form"),
        {{QStringLiteral("q"), QStringLiteral("a&b")}, {QStringLiteral("sum"), QStringLiteral("1+1=2 #")}});
    EXPECT_EQ(encoded.body, QByteArray("q=a%26b&sum=1%2B1%3D2%20%23"));
    EXPECT_EQ(encoded.valueForHTTPHeaderField("Content-Type"),
              QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(encoded.valueForHTTPHeaderField("Content-Length"), QByteArray::number(encoded.body.size()));
}

TEST(ZRURLSessionTest, QueriesAndSocketAddresses) {
    const QVariantMap query = ZRURL::parsedQuery(QUrl(QStringLiteral("http://h/p?a=1&b&c=x=y&d=%20x")));
    EXPECT_EQ(query.value(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_EQ(query.value(QStringLiteral("b")), QString());
    EXPECT_EQ(query.value(QStringLiteral("c")), QStringLiteral("x"));
    EXPECT_EQ(query.value(QStringLiteral("d")), QStringLiteral("%20x"));
    EXPECT_TRUE(ZRURL::parsedQuery(QUrl(QStringLiteral("http://h/p"))).isEmpty());

    const QByteArray v4 = ZRURL::sockAddrData(QHostAddress(QStringLiteral("192.168.1.20")), 8080);
    EXPECT_EQ(ZRURL::URLStringFromSockAddrData(v4, QStringLiteral("http")),
              QStringLiteral("http://192.168.1.20:8080"));
    EXPECT_EQ(ZRURL::URLStringFromSockAddrData(v4), QStringLiteral("192.168.1.20:8080"));
    EXPECT_FALSE(
        ZRURL::URLStringFromSockAddrData(ZRURL::sockAddrData(QHostAddress::LocalHost, 0)).has_value());
    const QByteArray v6 = ZRURL::sockAddrData(QHostAddress(QStringLiteral("fe80::1")), 631);
    EXPECT_EQ(ZRURL::URLStringFromSockAddrData(v6), QStringLiteral("[fe80::1]:631"));
    // Lengths are checked: a family byte alone is not an address.
    EXPECT_FALSE(ZRURL::URLStringFromSockAddrData(v4.left(6)).has_value());
    EXPECT_FALSE(ZRURL::URLStringFromSockAddrData(v6.left(20)).has_value());
    EXPECT_FALSE(ZRURL::URLStringFromSockAddrData(QByteArray()).has_value());
    QByteArray other = v4;
    other[1] = 7;
    EXPECT_FALSE(ZRURL::URLStringFromSockAddrData(other).has_value());
    EXPECT_EQ(ZRURL::URLFromSockAddrData(v4, QStringLiteral("https")),
              QUrl(QStringLiteral("https://192.168.1.20:8080")));

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("doc.txt"));
    ASSERT_TRUE(TestUtils::writeFile(path, "x"));
    const auto bookmark = ZRURL::securityScopedBookmarkData(QUrl::fromLocalFile(path));
    ASSERT_TRUE(bookmark.has_value());
    EXPECT_EQ(ZRURL::URLByResolvingSecurityScopedBookmarkData(*bookmark),
              QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()));
    QFile::remove(path);
    EXPECT_FALSE(ZRURL::URLByResolvingSecurityScopedBookmarkData(*bookmark).has_value());
}
