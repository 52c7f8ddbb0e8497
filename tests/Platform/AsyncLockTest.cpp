#include "TestUtils.h"

#include "Platform/AsyncLock.h"
#include "Platform/Clock.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace Platform;

TEST(AsyncLockTest, HoldersRunOneAtATimeInTheOrderTheyAsked) {
    AsyncLock lock;
    QStringList events;
    for (const QString& name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
        lock.acquire([&, name] {
            events.append(name + QStringLiteral(" in"));
            // The holder keeps the lock across event-loop turns.
            QTimer::singleShot(20, [&, name] {
                events.append(name + QStringLiteral(" out"));
                lock.release();
            });
        });
    }
    EXPECT_TRUE(events.isEmpty()) << "a holder never runs inside acquire()";
    EXPECT_TRUE(lock.isLocked());
    EXPECT_EQ(lock.waitingCount(), 3);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return events.size() == 6; }));
    EXPECT_EQ(events, (QStringList{"a in", "a out", "b in", "b out", "c in", "c out"}));
    EXPECT_FALSE(lock.isLocked());
}

TEST(AsyncLockTest, ALockDestroyedWithWaitersRunsNoneOfThem) {
    bool ran = false;
    {
        AsyncLock lock;
        lock.acquire([&] { ran = true; });
    }
    TestUtils::spin(30);
    EXPECT_FALSE(ran);
}

TEST(ClockTest, AFixedClockHoldsAndMovesUntilItGoes) {
    const QDateTime instant(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    {
        Clock::Fixed fixed(instant);
        EXPECT_EQ(Clock::now(), instant);
        fixed.advance(299);
        EXPECT_EQ(Clock::now(), instant.addSecs(299));
    }
    EXPECT_LT(qAbs(Clock::now().secsTo(QDateTime::currentDateTimeUtc())), 5);
}
