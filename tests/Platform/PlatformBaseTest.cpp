#include "Platform/Error.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/HttpSession.h"
#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"

#include "TestUtils.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace Platform;

TEST(ErrorTest, CarriesHttpStatusAndBodyAndComparesByKind) {
    const Error plain(QStringLiteral("d"), 0, QStringLiteral("one"));
    const Error http = plain.withHttpStatus(403, "denied");
    EXPECT_EQ(http.httpStatus(), 403);
    EXPECT_EQ(http.httpBody(), QByteArray("denied"));
    EXPECT_EQ(plain.httpStatus(), 0);
    EXPECT_TRUE(plain.isSameKind(Error(QStringLiteral("d"), 0, QStringLiteral("two"))));
    EXPECT_FALSE(plain.isSameKind(Error(QStringLiteral("d"), 1, QStringLiteral("one"))));
}

TEST(ErrorPresenterTest, ACancelledRequestIsLoggedNotPresented) {
    QList<Platform::Error> presented;
    const Platform::ErrorPresenter previous =
        Platform::setErrorPresenter([&](const Platform::Error& error) { presented.append(error); });
    Platform::SystemLog::Capture log;
    Platform::presentError(Platform::HttpSession::cancellationError(QUrl("https://example.com/a")));
    EXPECT_TRUE(presented.isEmpty()) << "an alert for it could even keep the application from ending";
    EXPECT_FALSE(log.lines().isEmpty());
    const Platform::Error refused(Platform::HttpSession::URLErrorDomain,
                                  Platform::HttpSession::CannotConnectToHost, QStringLiteral("refused"));
    Platform::presentError(refused);
    ASSERT_EQ(presented.size(), 1);
    EXPECT_EQ(presented.first().code(), Platform::HttpSession::CannotConnectToHost);
    Platform::setErrorPresenter(previous);
}

TEST(SystemLogTest, CaptureSeesLinesOnlyWhileItLivesAndNests) {
    SystemLog::log(QStringLiteral("before"));
    SystemLog::Capture outer;
    {
        SystemLog::Capture inner;
        SystemLog::log(QStringLiteral("inner line"));
        EXPECT_TRUE(inner.contains(QStringLiteral("inner")));
    }
    SystemLog::log(QStringLiteral("outer line"));
    EXPECT_EQ(outer.lines(), QStringList{QStringLiteral("outer line")});
}

TEST(MainThreadTest, KnowsTheMainThreadAndQueuesWork) {
    EXPECT_TRUE(isMainThread());
    bool otherThreadIsMain = true;
    QThread* thread = QThread::create([&] { otherThreadIsMain = isMainThread(); });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_FALSE(otherThreadIsMain);

    bool ran = false;
    runOnMain([&] { ran = true; });
    EXPECT_FALSE(ran) << "runOnMain must not run synchronously";
    EXPECT_TRUE(TestUtils::waitUntil([&] { return ran; }));
}

TEST(MainThreadDeathTest, AssertFromAnotherThreadStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            QThread* thread = QThread::create([] { assertMainThread(); });
            thread->start();
            thread->wait();
        },
        "must be called on main thread");
}

TEST(NotificationCenterTest, DeliversByNameAndSenderUntilTheContextDies) {
    NotificationCenter center;
    QObject sender;
    QObject otherSender;
    int anySender = 0;
    int onlySender = 0;
    auto* context = new QObject;
    center.addObserver(QStringLiteral("issuesUpdatedFinished"), context,
                       [&](const Notification&) { ++anySender; });
    center.addObserver(
        QStringLiteral("issuesUpdatedFinished"), context, [&](const Notification&) { ++onlySender; },
        &sender);
    center.post(QStringLiteral("issuesUpdatedFinished"), &sender);
    center.post(QStringLiteral("issuesUpdatedFinished"), &otherSender);
    center.post(QStringLiteral("somethingElse"), &sender);
    EXPECT_EQ(anySender, 2);
    EXPECT_EQ(onlySender, 1);
    delete context;
    center.post(QStringLiteral("issuesUpdatedFinished"), &sender);
    EXPECT_EQ(anySender, 2);

    // Once the watched sender is gone, posts without a sender do not reach its observer.
    auto* shortLived = new QObject;
    QObject otherContext;
    int fromShortLived = 0;
    center.addObserver(
        QStringLiteral("n"), &otherContext, [&](const Notification&) { ++fromShortLived; }, shortLived);
    center.post(QStringLiteral("n"), shortLived);
    delete shortLived;
    center.post(QStringLiteral("n"));
    EXPECT_EQ(fromShortLived, 1);
}

TEST(NotificationCenterTest, PostOnMainArrivesLaterOnTheMainThread) {
    NotificationCenter center;
    QObject context;
    bool onMain = false;
    int count = 0;
    center.addObserver(QStringLiteral("n"), &context, [&](const Notification& n) {
        onMain = isMainThread();
        count += n.userInfo.value(QStringLiteral("k")).toInt();
    });
    QThread* thread = QThread::create([&] {
        center.postOnMain(QStringLiteral("n"), nullptr, {{QStringLiteral("k"), 1}});
    });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_TRUE(TestUtils::waitUntil([&] { return count == 1; }));
    EXPECT_TRUE(onMain);
}
