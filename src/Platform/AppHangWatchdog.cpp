#include "Platform/AppHangWatchdog.h"

#include "Platform/CrashHandler.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <glib.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace Platform {

namespace {

// The watchdog GLib's poll function reports to; there is one at a time.
std::atomic<AppHangWatchdog*> g_watched{nullptr};
pthread_t g_watchedThread;
GPollFunc g_previousPoll = nullptr;

gint watchedPoll(GPollFD* fds, guint count, gint timeout) {
    AppHangWatchdog* watchdog = g_watched.load(std::memory_order_acquire);
    if (watchdog == nullptr || !pthread_equal(pthread_self(), g_watchedThread))
        return g_previousPoll(fds, count, timeout);
    if (timeout == 0) {
        watchdog->loopTurned();
        return g_previousPoll(fds, count, timeout);
    }
    watchdog->loopWillSleep();
    const gint result = g_previousPoll(fds, count, timeout);
    watchdog->loopTurned();
    return result;
}

timespec monotonicTimespec(std::chrono::steady_clock::time_point point) {
    // The steady clock is CLOCK_MONOTONIC, the timer's clock.
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(point.time_since_epoch());
    timespec result{};
    result.tv_sec = static_cast<time_t>(since.count() / 1000000000);
    result.tv_nsec = static_cast<long>(since.count() % 1000000000);
    if (result.tv_sec == 0 && result.tv_nsec == 0)
        result.tv_nsec = 1; // zero would switch the timer off
    return result;
}

} // namespace

/*! Ties the watchdog to the GUI thread's event loop for as long as it lives. */
class AppHangWatchdog::LoopHook {
public:
    explicit LoopHook(AppHangWatchdog& watchdog) {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib")) {
            // GLib tells Qt's awake and aboutToBlock around a whole turn, work included, so the poll
            // function is where sleeping can be told from working.
            m_context = g_main_context_ref_thread_default();
            // A poll function of ours still in place (a watchdog that is not gone) is never its own
            // predecessor.
            if (GPollFunc current = g_main_context_get_poll_func(m_context); current != watchedPoll)
                g_previousPoll = current;
            g_watchedThread = pthread_self();
            g_watched.store(&watchdog, std::memory_order_release);
            g_main_context_set_poll_func(m_context, watchedPoll);
        } else if (dispatcher != nullptr) {
            // The other dispatchers say awake when a turn starts and aboutToBlock just before they
            // wait, but nothing when the wait ends: the first event delivered after it tells that.
            m_receiver = std::make_unique<EventWatcher>(watchdog);
            QObject::connect(
                dispatcher, &QAbstractEventDispatcher::awake, m_receiver.get(),
                [&watchdog] { watchdog.loopTurned(); }, Qt::DirectConnection);
            QObject::connect(
                dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_receiver.get(),
                [&watchdog] { watchdog.loopWillSleep(); }, Qt::DirectConnection);
            if (QCoreApplication* app = QCoreApplication::instance())
                app->installEventFilter(m_receiver.get());
        }
    }

    ~LoopHook() {
        if (m_context != nullptr) {
            if (g_main_context_get_poll_func(m_context) == watchedPoll)
                g_main_context_set_poll_func(m_context, g_previousPoll);
            g_watched.store(nullptr, std::memory_order_release);
            g_main_context_unref(m_context);
        }
    }

    LoopHook(const LoopHook&) = delete;
    LoopHook& operator=(const LoopHook&) = delete;

    bool isHooked() const { return m_context != nullptr || m_receiver != nullptr; }

private:
    class EventWatcher : public QObject {
    public:
        explicit EventWatcher(AppHangWatchdog& watchdog)
            : m_watchdog(watchdog) {}
        bool eventFilter(QObject*, QEvent*) override {
            m_watchdog.loopTurned();
            return false;
        }

    private:
        AppHangWatchdog& m_watchdog;
    };

    GMainContext* m_context = nullptr;
    std::unique_ptr<EventWatcher> m_receiver;
};

AppHangWatchdog::AppHangWatchdog(double timeoutSeconds, Report report)
    : m_timeout(timeoutSeconds > 0 ? timeoutSeconds : 2.0)
    , m_report(std::move(report))
    , m_guiThread(pthread_self()) {
    assertMainThread();
    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_timerFd < 0 || m_stopFd < 0) {
        SystemLog::log(QStringLiteral("App-hang tracking is off: %1.")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (m_timerFd >= 0)
            ::close(m_timerFd);
        if (m_stopFd >= 0)
            ::close(m_stopFd);
        m_timerFd = m_stopFd = -1;
        return;
    }
    CrashHandler::prepareStackCapture();
    // The GUI thread is at work now: what it does until its loop first turns is watched as well.
    {
        std::lock_guard lock(m_mutex);
        m_lastTurn = Clock::now();
    }
    m_hook = std::make_unique<LoopHook>(*this);
    if (m_hook->isHooked()) {
        std::lock_guard lock(m_mutex);
        arm(m_lastTurn + std::chrono::duration_cast<Clock::duration>(m_timeout));
    }
    m_thread = std::thread([this] { run(); });
}

AppHangWatchdog::~AppHangWatchdog() {
    if (m_timerFd < 0)
        return;
    m_hook.reset();
    const quint64 one = 1;
    while (::write(m_stopFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
    ::close(m_timerFd);
    ::close(m_stopFd);
}

void AppHangWatchdog::loopTurned() {
    std::lock_guard lock(m_mutex);
    m_lastTurn = Clock::now();
    m_sleeping = false;
    m_reported = false;
    // While the timer stands, the watchdog moves it on by itself when it runs out after this turn.
    if (!m_armed)
        arm(m_lastTurn + std::chrono::duration_cast<Clock::duration>(m_timeout));
}

void AppHangWatchdog::loopWillSleep() {
    std::lock_guard lock(m_mutex);
    m_sleeping = true;
    if (m_armed)
        disarm();
}

void AppHangWatchdog::arm(Clock::time_point deadline) {
    itimerspec value{};
    value.it_value = monotonicTimespec(deadline);
    m_armed = ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &value, nullptr) == 0;
}

void AppHangWatchdog::disarm() {
    const itimerspec off{};
    ::timerfd_settime(m_timerFd, 0, &off, nullptr);
    m_armed = false;
}

void AppHangWatchdog::run() {
    pthread_setname_np(pthread_self(), "crash-watchdog");
    pollfd fds[2] = {{m_timerFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        std::unique_lock lock(m_mutex);
        quint64 expirations = 0;
        // Read under the lock: a timer the GUI thread set again meanwhile has nothing to read.
        if (::read(m_timerFd, &expirations, sizeof expirations) != sizeof expirations)
            continue;
        m_armed = false;
        if (m_sleeping)
            continue;
        const Clock::time_point deadline =
            m_lastTurn + std::chrono::duration_cast<Clock::duration>(m_timeout);
        if (Clock::now() < deadline) {
            arm(deadline); // the loop turned since the timer was set
            continue;
        }
        if (m_reported)
            continue;
        m_reported = true;
        lock.unlock();
        m_report(m_timeout.count(), CrashHandler::captureStack(m_guiThread));
    }
}

} // namespace Platform
