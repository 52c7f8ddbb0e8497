#include "JiraStandIn.h"
#include "TestUtils.h"

#include "Platform/HttpActivityHub.h"
#include "Platform/HttpSession.h"
#include "Platform/JSONResponseSerializer.h"
#include "Platform/MainThread.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Platform;
using Reply = JiraStandIn::Reply;

namespace {

HttpResponse response(int status, const QByteArray& contentType) {
    HttpResponse r;
    r.url = QUrl(QStringLiteral("https://example.com/x"));
    r.statusCode = status;
    if (!contentType.isEmpty())
        r.headers.append({"Content-Type", contentType});
    return r;
}

struct Outcome {
    std::optional<HttpResponse> response;
    QJsonValue object;
    OptionalError error;
    int calls = 0;
    bool onMainThread = false;
};

} // namespace

TEST(JSONResponseSerializerTest, AcceptsSuccessStatusesAndJsonContentTypes) {
    JSONResponseSerializer serializer;
    for (const QByteArray type :
         {"application/json", "text/json", "text/javascript", "Application/JSON; charset=utf-8"}) {
        const auto result = serializer.serialize(response(200, type), R"({"a":1})");
        EXPECT_FALSE(result.error) << type.toStdString();
        EXPECT_EQ(result.responseObject["a"].toInt(), 1);
    }
    EXPECT_FALSE(serializer.serialize(response(299, "application/json"), "[]").error);
    // No body and no type is no value and no error; a lone blank is no value too.
    const auto empty = serializer.serialize(response(204, {}), {});
    EXPECT_FALSE(empty.error);
    EXPECT_TRUE(empty.responseObject.isUndefined());
    EXPECT_TRUE(serializer.serialize(response(200, "application/json"), " ").responseObject.isUndefined());
}

TEST(JSONResponseSerializerTest, RejectsOtherStatusesTypesAndBrokenJson) {
    JSONResponseSerializer serializer;
    const auto forbidden = serializer.serialize(response(403, "application/json"), R"({"message":"no"})");
    ASSERT_TRUE(forbidden.error);
    EXPECT_EQ(forbidden.error->code(), JSONResponseSerializer::BadServerResponse);
    EXPECT_EQ(forbidden.error->httpStatus(), 403);
    EXPECT_EQ(forbidden.error->httpBody(), QByteArray(R"({"message":"no"})"));
    EXPECT_EQ(forbidden.responseObject["message"].toString(), QStringLiteral("no"))
        << "the body is still decoded";

    const auto html = serializer.serialize(response(200, "text/html"), "<html></html>");
    ASSERT_TRUE(html.error);
    EXPECT_EQ(html.error->code(), JSONResponseSerializer::CannotDecodeContentData);
    EXPECT_TRUE(html.responseObject.isUndefined());

    const auto htmlFailure = serializer.serialize(response(500, "text/html"), "<html></html>");
    ASSERT_TRUE(htmlFailure.error);
    EXPECT_EQ(htmlFailure.error->code(), JSONResponseSerializer::BadServerResponse);
    EXPECT_EQ(htmlFailure.error->httpStatus(), 500);

    for (const QByteArray body : {"{", "42", "\"text\"", "null"}) {
        const auto broken = serializer.serialize(response(200, "application/json"), body);
        ASSERT_TRUE(broken.error) << body.toStdString();
        EXPECT_EQ(broken.error->code(), JSONResponseSerializer::CannotParseResponse);
        EXPECT_EQ(broken.error->httpBody(), body);
    }
}

TEST(JSONResponseSerializerTest, RemovesNullKeysOnlyWhenAsked) {
    JSONResponseSerializer serializer;
    const QByteArray body = R"([{"a":null,"b":[{"c":null}],"d":{"e":null,"f":0}}])";
    EXPECT_TRUE(serializer.serialize(response(200, "application/json"), body)
                    .responseObject[0]
                    .toObject()
                    .contains("a"));
    serializer.removesKeysWithNullValues = true;
    const QJsonValue cleaned = serializer.serialize(response(200, "application/json"), body).responseObject;
    EXPECT_EQ(QJsonDocument(cleaned.toArray()).toJson(QJsonDocument::Compact),
              QByteArray(R"([{"b":[{}],"d":{"f":0}}])"));
}

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(standIn.listen()); }

    std::shared_ptr<HttpTask> start(const QString& path, Outcome& outcome, int timeoutMs = 60000) {
        HttpRequest request;
        request.url = QUrl(standIn.baseUrl().toString() + path);
        request.timeoutMs = timeoutMs;
        auto task = session.dataTask(
            request, [&outcome](const auto& response, const QJsonValue& object, const OptionalError& error) {
                outcome.response = response;
                outcome.object = object;
                outcome.error = error;
                outcome.onMainThread = isMainThread();
                ++outcome.calls;
            });
        task->resume();
        return task;
    }

    JiraStandIn standIn;
    HttpSession session;
};

TEST_F(HttpSessionTest, AnswersOnTheMainThreadOnceWithTheResponseHead) {
    standIn.setOverride(QStringLiteral("^/x$"), Reply::json(QJsonObject{{QStringLiteral("ok"), true}}));
    Outcome outcome;
    const auto task = start(QStringLiteral("/x"), outcome);
    EXPECT_EQ(outcome.calls, 0) << "never synchronously";
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    TestUtils::spin(50);
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_TRUE(outcome.onMainThread);
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->mimeType(), "application/json");
    EXPECT_EQ(outcome.object["ok"].toBool(), true);
    EXPECT_EQ(task->state(), HttpTask::State::Completed);
    EXPECT_EQ(session.pendingTaskCount(), 0);
}

TEST_F(HttpSessionTest, KeepsAtMostTwoRequestsPerHostInFlightInResumeOrder) {
    standIn.setOverride(QStringLiteral("^/q"), Reply::json(QJsonObject()));
    standIn.setDelay(QStringLiteral("^/q"), 60);
    std::vector<Outcome> outcomes(6);
    std::vector<std::shared_ptr<HttpTask>> tasks;
    for (int i = 0; i < 6; ++i)
        tasks.push_back(start(QStringLiteral("/q%1").arg(i), outcomes[i]));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcomes.back().calls > 0; }));
    QStringList order;
    for (const auto& request : standIn.requests())
        order.append(request.path);
    EXPECT_EQ(order, (QStringList{"/q0", "/q1", "/q2", "/q3", "/q4", "/q5"}));
    EXPECT_EQ(standIn.maxConcurrentRequests(), 2);
    EXPECT_LE(standIn.maxConcurrentConnections(), 2);
}

TEST_F(HttpSessionTest, CancellingEndsWaitingAndRunningTasksOnce) {
    standIn.setDelay(QStringLiteral("."), 300);
    Outcome running1, running2, waiting;
    const auto first = start(QStringLiteral("/a"), running1);
    start(QStringLiteral("/b"), running2);
    const auto third = start(QStringLiteral("/c"), waiting);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return standIn.requests().size() == 2; }));
    third->cancel();
    first->cancel();
    EXPECT_EQ(running1.calls + waiting.calls, 0) << "a cancelled task completes on a later turn";
    ASSERT_TRUE(TestUtils::waitUntil([&] { return running1.calls && waiting.calls && running2.calls; }));
    for (const Outcome* outcome : {&running1, &waiting}) {
        ASSERT_TRUE(outcome->error);
        EXPECT_EQ(outcome->error->code(), HttpSession::Cancelled);
        EXPECT_EQ(outcome->calls, 1);
    }
    EXPECT_EQ(running2.error->httpStatus(), 404) << "the other request is unaffected";
    first->cancel();
    TestUtils::spin(20);
    EXPECT_EQ(running1.calls, 1);
    EXPECT_FALSE(standIn.requests(QStringLiteral("^/c$")).size());
}

TEST_F(HttpSessionTest, ASuspendedTaskCancelledIsNeverSent) {
    Outcome outcome;
    HttpRequest request;
    request.url = QUrl(standIn.baseUrl().toString() + QStringLiteral("/never"));
    auto task =
        session.dataTask(request, [&](const auto& response, const QJsonValue&, const OptionalError& e) {
            outcome.response = response;
            outcome.error = e;
            ++outcome.calls;
        });
    task->cancel();
    EXPECT_EQ(outcome.calls, 0);
    task->resume();
    task->cancel();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    TestUtils::spin(100);
    EXPECT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), HttpSession::URLErrorDomain);
    EXPECT_EQ(outcome.error->code(), HttpSession::Cancelled);
    EXPECT_FALSE(outcome.response);
    EXPECT_EQ(task->state(), HttpTask::State::Completed);
    EXPECT_TRUE(standIn.requests().isEmpty());
    EXPECT_EQ(session.pendingTaskCount(), 0);
}

TEST_F(HttpSessionTest, CancellingFromTheCompletionOfAnotherTaskAndAfterTheAnswerChangesNothing) {
    Outcome done, later;
    const auto second =
        session.dataTask(HttpRequest{"GET", QUrl(standIn.baseUrl().toString() + QStringLiteral("/later"))},
                         [&](const auto&, const QJsonValue&, const OptionalError& e) {
                             later.error = e;
                             ++later.calls;
                         });
    const auto first = start(QStringLiteral("/first"), done);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return done.calls > 0; }));
    first->cancel(); // already answered: nothing more happens
    second->resume();
    second->cancel();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return later.calls > 0; }));
    TestUtils::spin(100);
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.error->httpStatus(), 404);
    EXPECT_EQ(later.calls, 1);
    EXPECT_EQ(later.error->code(), HttpSession::Cancelled);
}

TEST_F(HttpSessionTest, AnAnswerThatTricklesInFailsAtTheOverallDeadline) {
    Reply slow = Reply::json(QJsonObject{{QStringLiteral("issues"), QJsonArray{1, 2, 3, 4, 5, 6, 7, 8}}});
    slow.trickleMs = 150;
    standIn.setOverride(QStringLiteral("."), slow);
    Outcome outcome;
    HttpRequest request;
    request.url = QUrl(standIn.baseUrl().toString() + QStringLiteral("/trickle"));
    request.timeoutMs = 1000; // never quiet that long
    request.deadlineMs = 1500;
    EXPECT_EQ(HttpRequest().deadlineMs, 120000);
    session
        .dataTask(request,
                  [&](const auto& response, const QJsonValue& object, const OptionalError& e) {
                      outcome.response = response;
                      outcome.object = object;
                      outcome.error = e;
                      ++outcome.calls;
                  })
        ->resume();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }, 20000));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), HttpSession::URLErrorDomain);
    EXPECT_EQ(outcome.error->code(), HttpSession::TimedOut);
    EXPECT_TRUE(outcome.object.isUndefined());
    EXPECT_EQ(session.pendingTaskCount(), 0);
}

TEST_F(HttpSessionTest, AQuietTransferTimesOut) {
    standIn.setDelay(QStringLiteral("."), 2000);
    Outcome outcome;
    start(QStringLiteral("/slow"), outcome, 100);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }, 5000));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), HttpSession::URLErrorDomain);
    EXPECT_EQ(outcome.error->code(), HttpSession::TimedOut);
    EXPECT_FALSE(outcome.response);
}

TEST_F(HttpSessionTest, ADroppedConnectionIsATransportError) {
    Reply drop;
    drop.drop = true;
    standIn.setOverride(QStringLiteral("."), drop);
    Outcome outcome;
    start(QStringLiteral("/drop"), outcome);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), HttpSession::URLErrorDomain);
    EXPECT_FALSE(outcome.response);
}

TEST_F(HttpSessionTest, AnAnswerCutOffAfterItsHeadIsATransportError) {
    Reply cut = Reply::json(QJsonObject{{QStringLiteral("issues"), QJsonArray{1, 2, 3, 4, 5, 6}}});
    cut.truncate = true;
    standIn.setOverride(QStringLiteral("."), cut);
    Outcome outcome;
    start(QStringLiteral("/cut"), outcome);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), HttpSession::URLErrorDomain);
    EXPECT_EQ(outcome.error->code(), HttpSession::NetworkConnectionLost);
    EXPECT_TRUE(outcome.object.isUndefined());
    ASSERT_TRUE(outcome.response) << "the head did arrive";
    EXPECT_EQ(outcome.response->statusCode, 200);
}

TEST_F(HttpSessionTest, DestroyingTheSessionEndsItsTasks) {
    standIn.setDelay(QStringLiteral("."), 300);
    Outcome outcome, retry;
    {
        HttpSession shortLived;
        HttpRequest request;
        request.url = QUrl(standIn.baseUrl().toString() + QStringLiteral("/x"));
        shortLived
            .dataTask(request,
                      [&](const auto&, const QJsonValue&, const OptionalError& error) {
                          outcome.error = error;
                          ++outcome.calls;
                          // A caller that tries again from its completion, while the session goes.
                          shortLived
                              .dataTask(request,
                                        [&](const auto&, const QJsonValue&, const OptionalError& error) {
                                            retry.error = error;
                                            ++retry.calls;
                                        })
                              ->resume();
                      })
            ->resume();
    }
    EXPECT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), HttpSession::Cancelled);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return retry.calls > 0; }));
    TestUtils::spin(50);
    EXPECT_EQ(retry.calls, 1);
    ASSERT_TRUE(retry.error);
    EXPECT_EQ(retry.error->code(), HttpSession::Cancelled);
}

namespace {
class RecordingLogger final : public HttpActivityLogger {
public:
    QStringList events;
    void taskDidStart(const HttpTask& task) override {
        events.append("start " + task.originalRequest().url.path());
    }
    void taskDidFinish(const HttpTask& task, const QJsonValue&, double elapsed,
                       const OptionalError& error) override {
        events.append(QStringLiteral("finish %1 %2 %3")
                          .arg(task.originalRequest().url.path())
                          .arg(error ? error->httpStatus() : 0)
                          .arg(elapsed >= 0 ? "t" : "?"));
    }
};
} // namespace

TEST_F(HttpSessionTest, TheActivityHubHearsOfEveryTaskWhileLogging) {
    auto logger = std::make_shared<RecordingLogger>();
    HttpActivityHub& hub = HttpActivityHub::shared();
    hub.addLogger(logger);
    hub.setLogLevel(HttpActivityLogger::Debug);
    EXPECT_EQ(logger->level(), 1u);

    Outcome quiet;
    start(QStringLiteral("/before"), quiet);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return quiet.calls > 0; }));
    EXPECT_TRUE(logger->events.isEmpty());

    hub.startLogging();
    Outcome logged;
    start(QStringLiteral("/during"), logged);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return logged.calls > 0; }));
    hub.stopLogging();
    hub.removeLogger(logger);
    EXPECT_EQ(logger->events, (QStringList{"start /during", "finish /during 404 t"}));
}

TEST_F(HttpSessionTest, RedirectsAreFollowedOnlyWithinTheSameOrigin) {
    Reply same = Reply::text({}, {}, 302);
    same.headers.append(
        qMakePair(QByteArray("Location"), (standIn.baseUrl().toString() + "/target").toUtf8()));
    standIn.setOverride(QStringLiteral("^/same$"), same);
    standIn.setOverride(QStringLiteral("^/target$"),
                        Reply::json(QJsonObject{{QStringLiteral("here"), true}}));
    Reply elsewhere = Reply::text({}, {}, 302);
    elsewhere.headers.append(qMakePair(
        QByteArray("Location"), QStringLiteral("http://127.0.0.2:%1/target").arg(standIn.port()).toUtf8()));
    standIn.setOverride(QStringLiteral("^/elsewhere$"), elsewhere);

    Outcome followed, refused;
    start(QStringLiteral("/same"), followed);
    start(QStringLiteral("/elsewhere"), refused);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return followed.calls && refused.calls; }));
    EXPECT_FALSE(followed.error);
    EXPECT_EQ(followed.object["here"].toBool(), true);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->httpStatus(), 302);
    EXPECT_EQ(standIn.requests(QStringLiteral("^/target$")).size(), 1);
}

TEST_F(HttpSessionTest, ATaskCancelledWhileWaitingToRetryIsNotSentAgain) {
    HttpSession::Configuration configuration;
    configuration.maximumRateLimitRetries = 3;
    HttpSession retrying(configuration);
    Reply busy = Reply::error(429, QStringLiteral("busy"));
    busy.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray("1")));
    standIn.setOverride(QStringLiteral("."), busy);
    Outcome outcome;
    HttpRequest request;
    request.url = QUrl(standIn.baseUrl().toString() + QStringLiteral("/busy"));
    const auto task =
        retrying.dataTask(request, [&](const auto&, const QJsonValue&, const OptionalError& error) {
            outcome.error = error;
            ++outcome.calls;
        });
    task->resume();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return standIn.requests().size() == 1; }));
    TestUtils::spin(100);
    task->cancel();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls > 0; }));
    TestUtils::spin(1500);
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error->code(), HttpSession::Cancelled);
    EXPECT_EQ(standIn.requests().size(), 1);
    EXPECT_EQ(retrying.pendingTaskCount(), 0);
}
