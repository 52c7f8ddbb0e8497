#pragma once

#include <QList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace Platform {

/*! Notices when the GUI thread has not run its event loop for a timeout.

    A thread of its own wakes once per tick and hands the GUI thread a small task; when a task has
    waited longer than the timeout, the GUI thread hangs, and the report runs once for that hang (on the
    watchdog's thread, with the GUI thread's stack where it can be had). The next answered task ends the
    hang. Create it on the GUI thread. */
class AppHangWatchdog {
public:
    using Report = std::function<void(double timeoutSeconds, const QList<quintptr>& guiThreadStack)>;

    AppHangWatchdog(double timeoutSeconds, Report report);
    ~AppHangWatchdog();
    AppHangWatchdog(const AppHangWatchdog&) = delete;
    AppHangWatchdog& operator=(const AppHangWatchdog&) = delete;

    /*! How often the watchdog wakes: a quarter of the timeout, between 0.1 s and 1 s. */
    static double tickSeconds(double timeoutSeconds);

private:
    struct State;
    void run();

    double m_timeout;
    Report m_report;
    std::shared_ptr<State> m_state;
    unsigned long m_guiThread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace Platform
