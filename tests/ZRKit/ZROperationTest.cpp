#include "ZRKit/ZROperation/ZRNSBlockOperation.h"
#include "ZRKit/ZROperation/ZRNSOperationEnvelope.h"
#include "ZRKit/ZROperation/ZRNSOperationQueueMonitor.h"

#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QMutex>
#include <QSemaphore>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class Recorder {
public:
    explicit Recorder(const QStringList& names) {
        for (const QString& name : names)
            Platform::NotificationCenter::defaultCenter().addObserver(
                name, &m_context, [this, name](const Platform::Notification& n) {
                    m_seen.append(name + QLatin1Char(':') + (n.object ? n.object->objectName() : QString()));
                });
    }
    QStringList seen() const { return m_seen; }
    int count(const QString& entry) const { return static_cast<int>(m_seen.count(entry)); }

private:
    QObject m_context;
    QStringList m_seen;
};

class ListEnvelope : public ZRNSOperationEnvelope {
public:
    using ZRNSOperationEnvelope::ZRNSOperationEnvelope;
    QList<std::shared_ptr<ZRNSOperation>> operations;
    QList<std::shared_ptr<ZRNSOperation>> allOperations() const override { return operations; }
};

std::shared_ptr<ZRNSBlockOperation> named(
    const QString& name, std::function<void()> block = [] {}) {
    auto operation =
        ZRNSBlockOperation::blockOperationWithBlock(ZRNSBlockOperation::makeBlock(std::move(block)));
    operation->setObjectName(name);
    return operation;
}

} // namespace

TEST(ZROperationTest, BlocksRunInOrderOnceEachIncludingBlocksAddedWhileRunning) {
    Platform::OperationQueue queue(1);
    QMutex mutex;
    QStringList order;
    auto record = [&](const QString& what) {
        QMutexLocker locker(&mutex);
        order.append(what);
    };
    auto operation = std::make_shared<ZRNSBlockOperation>();
    operation->addExecutionBlock(ZRNSBlockOperation::makeBlock([&] {
        record(QStringLiteral("A"));
        operation->addExecutionBlock(ZRNSBlockOperation::makeBlock([&] { record(QStringLiteral("C")); }));
    }));
    operation->addExecutionBlock(ZRNSBlockOperation::makeBlock([&] { record(QStringLiteral("B")); }));
    const auto removed = ZRNSBlockOperation::makeBlock([&] { record(QStringLiteral("removed")); });
    operation->addExecutionBlock(removed);
    operation->removeExecutionBlock(removed);
    queue.addOperation(operation);
    operation->waitUntilFinished();
    EXPECT_EQ(order, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_TRUE(operation->executionBlocks().isEmpty());
}

TEST(ZROperationTest, CancellingBetweenBlocksStopsBeforeTheNext) {
    Platform::OperationQueue queue(1);
    int ran = 0;
    auto operation = std::make_shared<ZRNSBlockOperation>();
    operation->addExecutionBlock(ZRNSBlockOperation::makeBlock([&] {
        ++ran;
        operation->cancel();
    }));
    operation->addExecutionBlock(ZRNSBlockOperation::makeBlock([&] { ++ran; }));
    queue.addOperation(operation);
    operation->waitUntilFinished();
    EXPECT_EQ(ran, 1);
}

TEST(ZROperationTest, AnnouncementsBlocksOnTheMainThreadAndAThrowingBlockStillFinishes) {
    Recorder recorder({ZRNSNotificationOperation_started, ZRNSNotificationOperation_ended,
                       ZRNSNotificationOperation_canceled});
    Platform::SystemLog::Capture log;
    Platform::OperationQueue queue(2);
    bool preparedOnMain = false, completedOnMain = false;
    auto operation = named(QStringLiteral("thrower"), [] { throw std::runtime_error("disk full"); });
    operation->setMainThreadPreparationBlock(
        [&](ZRNSOperation*) { preparedOnMain = QThread::currentThread() == qApp->thread(); });
    operation->setMainThreadCompletionBlock(
        [&](ZRNSOperation*) { completedOnMain = QThread::currentThread() == qApp->thread(); });
    queue.addOperation(operation);
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return recorder.count(ZRNSNotificationOperation_ended + QStringLiteral(":thrower")) == 1; }));
    EXPECT_TRUE(preparedOnMain);
    EXPECT_TRUE(completedOnMain);
    // Announcements of operations that earlier tests left (this process runs them all) may arrive too.
    EXPECT_EQ(recorder.seen().filter(QStringLiteral(":thrower")).first(),
              ZRNSNotificationOperation_started + QStringLiteral(":thrower"));
    EXPECT_TRUE(log.contains(QStringLiteral("ZROperation [ZRNSBlockOperation]: received exception [")));
    EXPECT_TRUE(log.contains(QStringLiteral("disk full")));
}

TEST(ZROperationTest, RunningOnTheMainThreadRunsItsMainThreadBlocksInline) {
    bool prepared = false;
    auto operation = named(QStringLiteral("inline"));
    operation->setMainThreadPreparationBlock([&](ZRNSOperation*) { prepared = true; });
    operation->start(); // would deadlock if the block waited for the main thread from it
    EXPECT_TRUE(prepared);
    EXPECT_TRUE(operation->isFinished());
}

TEST(ZROperationTest, EnvelopeAndMonitorFollowStartsAndEndsAlsoOfOperationsCancelledBeforeTheyRan) {
    ZRNSOperationQueueMonitor monitor;
    Recorder recorder({kZRNSOperationEnvelopeQueueEnvelope_added,
                       kZRNSOperationEnvelopeQueueEnvelope_finished, ZRNSNotificationOperation_started,
                       ZRNSNotificationOperation_canceled});
    int monitorChanges = 0;
    QObject context;
    Platform::NotificationCenter::defaultCenter().addObserver(
        ZRNSOperationQueueMonitor_changed, &context,
        [&](const Platform::Notification&) { ++monitorChanges; });

    Platform::OperationQueue queue(1);
    ListEnvelope envelope(&queue);
    envelope.setObjectName(QStringLiteral("task"));
    QMutex gate;
    gate.lock(); // holds the first operation so that the second can be cancelled before it runs
    auto first = named(QStringLiteral("first"), [&] {
        gate.lock();
        gate.unlock();
    });
    auto second = named(QStringLiteral("second"));
    envelope.operations = {first, second};
    envelope.startOperation(first);
    envelope.startOperation(second);
    EXPECT_EQ(recorder.count(kZRNSOperationEnvelopeQueueEnvelope_added + QStringLiteral(":task")), 1);
    EXPECT_TRUE(monitor.hasRunningOperations());
    second->cancel();
    gate.unlock();

    ASSERT_TRUE(TestUtils::waitUntil([&] {
        return recorder.count(kZRNSOperationEnvelopeQueueEnvelope_finished + QStringLiteral(":task")) == 1;
    }));
    EXPECT_TRUE(first->isFinished());
    // The cancelled operation counts as done at once; the queue gets to it only after the first.
    EXPECT_TRUE(second->isCancelled());
    ASSERT_TRUE(TestUtils::waitUntil([&] { return second->isFinished(); }));
    EXPECT_EQ(recorder.count(ZRNSNotificationOperation_started + QStringLiteral(":second")), 0);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !monitor.hasRunningOperations(); }));
    EXPECT_GE(monitorChanges, 3);
    EXPECT_EQ(envelope.startedOperations().size(), 2);
    // The cancelled operation's end arrives as well: the task still finished once.
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return recorder.count(ZRNSNotificationOperation_canceled + QStringLiteral(":second")) == 1; }));
    TestUtils::spin(50);
    EXPECT_EQ(recorder.count(kZRNSOperationEnvelopeQueueEnvelope_finished + QStringLiteral(":task")), 1);
}

TEST(ZROperationTest,
     WaitingOnTheMainThreadRunsPendingMainThreadBlocksAndADestroyedQueueCancelsWhatNeverStarted) {
    Recorder recorder({ZRNSNotificationOperation_ended, ZRNSNotificationOperation_canceled});
    int prepared = 0, completed = 0, ranWork = 0;
    QSemaphore proceed(1000);
    auto counted = [&](const QString& name) {
        auto operation = named(name, [&] {
            proceed.acquire();
            ++ranWork;
        });
        operation->setMainThreadPreparationBlock([&](ZRNSOperation*) { ++prepared; });
        operation->setMainThreadCompletionBlock([&](ZRNSOperation*) { ++completed; });
        return operation;
    };
    {
        Platform::OperationQueue queue(1);
        auto first = counted(QStringLiteral("first"));
        queue.addOperation(first);
        first->waitUntilFinished(); // the main thread waits while the operation needs it
        queue.addOperation(counted(QStringLiteral("second")));
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(prepared, 2);
        EXPECT_EQ(completed, 2);
    }

    std::shared_ptr<ZRNSBlockOperation> running, queued;
    {
        Platform::OperationQueue queue(1);
        running = counted(QStringLiteral("running"));
        queued = counted(QStringLiteral("queued"));
        proceed.acquire(proceed.available()); // holds the running operation in its work
        queue.addOperation(running);
        queue.addOperation(queued);
        ASSERT_TRUE(TestUtils::waitUntil([&] { return prepared == 3; }));
        proceed.release(); // from here it waits for the main thread for its completion block
    }                      // destroying the queue meanwhile
    EXPECT_TRUE(running->isFinished());
    EXPECT_TRUE(queued->isFinished());
    EXPECT_TRUE(queued->isCancelled());
    EXPECT_EQ(ranWork, 3);
    EXPECT_EQ(completed, 3);
    TestUtils::spin(50);
    EXPECT_EQ(recorder.count(ZRNSNotificationOperation_ended + QStringLiteral(":running")), 1);
    EXPECT_EQ(recorder.count(ZRNSNotificationOperation_canceled + QStringLiteral(":queued")), 1);
    EXPECT_EQ(recorder.count(ZRNSNotificationOperation_ended + QStringLiteral(":queued")), 0);
}
