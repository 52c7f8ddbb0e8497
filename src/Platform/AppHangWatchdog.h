#pragma once

#include <QList>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace Platform {

/*! Notices when the GUI thread has not come back to its event loop for a timeout.

    The GUI thread's event loop tells the watchdog each time it turns and each time it goes to sleep
    waiting for events (through GLib's poll function where Qt runs on GLib, else through the event
    dispatcher's awake and aboutToBlock signals). While the GUI thread works, a one-shot kernel timer
    stands at the time its last turn plus the timeout; while it sleeps, the timer is off and the watchdog's
    thread sleeps too, so an idle application never wakes for it. When the timer runs out with no turn in
    between, the GUI thread hangs: the report runs once for that hang, on the watchdog's thread, with the
    GUI thread's stack where it can be had. The next turn of the event loop ends the hang.

    Create it on the GUI thread, one at a time. */
class AppHangWatchdog {
public:
    using Report = std::function<void(double timeoutSeconds, const QList<quintptr>& guiThreadStack)>;

    AppHangWatchdog(double timeoutSeconds, Report report);
    ~AppHangWatchdog();
    AppHangWatchdog(const AppHangWatchdog&) = delete;
    AppHangWatchdog& operator=(const AppHangWatchdog&) = delete;

    // Called on the GUI thread by its event loop.
    void loopTurned();    //!< the loop runs on without sleeping
    void loopWillSleep(); //!< the loop waits for events from now on
    void loopWoke();      //!< the wait ended; what follows is work again

private:
    using Clock = std::chrono::steady_clock;
    class LoopHook;

    void run();
    void arm(Clock::time_point deadline); // with m_mutex held
    void disarm();                        // with m_mutex held

    const std::chrono::duration<double> m_timeout;
    Report m_report;
    unsigned long m_guiThread;
    int m_timerFd = -1;
    int m_stopFd = -1;

    std::mutex m_mutex;
    Clock::time_point m_lastTurn;
    bool m_sleeping = false;
    bool m_armed = false;
    bool m_reported = false;

    std::unique_ptr<LoopHook> m_hook;
    std::thread m_thread;
};

} // namespace Platform
