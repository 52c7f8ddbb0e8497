// The app-hang watchdog against the real event loop of this process: GLib's (the default) and, in a
// second run of the same tests with QT_NO_GLIB=1, Qt's own.
#include "TestUtils.h"

#include "Platform/AppHangWatchdog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using namespace Platform;

namespace {

constexpr double Timeout = 0.3;

struct Reports {
    std::mutex mutex;
    int count = 0;
    QList<quintptr> lastStack;
    double lastTimeout = 0;

    AppHangWatchdog::Report callback() {
        return [this](double timeout, const QList<quintptr>& stack) {
            std::lock_guard lock(mutex);
            ++count;
            lastStack = stack;
            lastTimeout = timeout;
        };
    }
    int value() {
        std::lock_guard lock(mutex);
        return count;
    }
};

// The event loop sleeping for the given time, as an idle application's does.
void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Context switches of the watchdog's thread so far, or -1 when it cannot be found.
long long watchdogSwitches() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "crash-watchdog")
            continue;
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        long long total = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        return total;
    }
    return -1;
}

} // namespace

TEST(AppHangWatchdogTest, RunsOnTheEventDispatcherThisProcessWasStartedWith) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    ASSERT_NE(dispatcher, nullptr);
    EXPECT_EQ(dispatcher->inherits("QEventDispatcherGlib"), !qEnvironmentVariableIsSet("QT_NO_GLIB"))
        << dispatcher->metaObject()->className();
}

TEST(AppHangWatchdogTest, AnIdleEventLoopNeitherReportsNorWakesTheWatchdog) {
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    TestUtils::spin(50);
    idle(100); // the thread has started and settled
    const long long before = watchdogSwitches();
    ASSERT_GE(before, 0) << "the watchdog's thread is named crash-watchdog";
    idle(static_cast<int>(Timeout * 1000 * 6));
    EXPECT_EQ(watchdogSwitches() - before, 0) << "the watchdog slept while the GUI thread did";
    EXPECT_EQ(reports.value(), 0);
}

TEST(AppHangWatchdogTest, AnEventLoopThatKeepsTurningWhileBusyIsNoHang) {
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    // Busy for four timeouts, but back in the event loop every few milliseconds, waiting or not.
    QElapsedTimer busy;
    busy.start();
    int turn = 0;
    while (busy.elapsed() < Timeout * 1000 * 4) {
        QThread::msleep(5);
        if (++turn % 2 == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents); // no wait
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 1);
    }
    idle(static_cast<int>(Timeout * 1000 * 2));
    EXPECT_EQ(reports.value(), 0);
}

TEST(AppHangWatchdogTest, EachHangIsReportedOnceWithTheGuiThreadsStack) {
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    idle(100);
    QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 4)); // one hang, four timeouts long
    ASSERT_TRUE(TestUtils::waitUntil([&] { return reports.value() >= 1; }, 2000));
    EXPECT_EQ(reports.value(), 1);
    {
        std::lock_guard lock(reports.mutex);
        EXPECT_DOUBLE_EQ(reports.lastTimeout, Timeout);
        EXPECT_FALSE(reports.lastStack.isEmpty()) << "the stack of the sleeping GUI thread";
    }
    // The loop turned and slept: that hang is over, and a new one is a second report.
    idle(static_cast<int>(Timeout * 1000 * 2));
    EXPECT_EQ(reports.value(), 1);
    QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 2));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return reports.value() >= 2; }, 2000));
    idle(static_cast<int>(Timeout * 1000 * 2));
    EXPECT_EQ(reports.value(), 2);
}

TEST(AppHangWatchdogTest, AHangBeforeTheEventLoopFirstTurnsIsReported) {
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 3));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return reports.value() >= 1; }, 2000));
    EXPECT_EQ(reports.value(), 1);
}

TEST(AppHangWatchdogTest, AHangAfterBusyTurnsWithoutWaitingIsReported) {
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    idle(50);
    // Turns that never wait leave the timer standing; it has to move on and still catch the hang.
    QElapsedTimer busy;
    busy.start();
    while (busy.elapsed() < Timeout * 1000 * 2) {
        QThread::msleep(10);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    EXPECT_EQ(reports.value(), 0);
    QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 3));
    EXPECT_EQ(reports.value(), 1) << "reported while the GUI thread still hangs";
}

TEST(AppHangWatchdogTest, StoppingWhileTheEventLoopSleepsOrHangsEndsAtOnce) {
    {
        Reports reports;
        AppHangWatchdog watchdog(Timeout, reports.callback());
        idle(50);
    }
    {
        Reports reports;
        AppHangWatchdog watchdog(Timeout, reports.callback());
        QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 2));
    }
    // A watchdog after the others watches as well.
    Reports reports;
    AppHangWatchdog watchdog(Timeout, reports.callback());
    idle(50);
    QThread::msleep(static_cast<unsigned long>(Timeout * 1000 * 3));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return reports.value() >= 1; }, 2000));
    EXPECT_EQ(reports.value(), 1);
}
