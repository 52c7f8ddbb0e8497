#include "Platform/AppHangWatchdog.h"

#include "Platform/CrashHandler.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>

#include <pthread.h>

namespace Platform {

struct AppHangWatchdog::State {
    std::atomic<quint64> sent{0};
    std::atomic<quint64> answered{0};
};

double AppHangWatchdog::tickSeconds(double timeoutSeconds) {
    return std::clamp(timeoutSeconds / 4.0, 0.1, 1.0);
}

AppHangWatchdog::AppHangWatchdog(double timeoutSeconds, Report report)
    : m_timeout(timeoutSeconds > 0 ? timeoutSeconds : 2.0)
    , m_report(std::move(report))
    , m_state(std::make_shared<State>())
    , m_guiThread(pthread_self()) {
    CrashHandler::prepareStackCapture();
    m_thread = std::thread([this] { run(); });
}

AppHangWatchdog::~AppHangWatchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void AppHangWatchdog::run() {
    pthread_setname_np(pthread_self(), "crash-watchdog");
    using Clock = std::chrono::steady_clock;
    const auto tick = std::chrono::duration<double>(tickSeconds(m_timeout));
    const auto timeout = std::chrono::duration<double>(m_timeout);
    Clock::time_point sentAt;
    bool reported = false;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_wake.wait_for(lock, tick, [this] { return m_stopping; }))
            return;
        const quint64 sent = m_state->sent.load();
        const auto now = Clock::now();
        if (m_state->answered.load() == sent) {
            QCoreApplication* app = QCoreApplication::instance();
            if (app == nullptr)
                continue;
            reported = false;
            sentAt = now;
            m_state->sent.store(sent + 1);
            QMetaObject::invokeMethod(
                app, [state = m_state, value = sent + 1] { state->answered.store(value); },
                Qt::QueuedConnection);
        } else if (!reported && now - sentAt >= timeout) {
            reported = true;
            lock.unlock();
            m_report(m_timeout, CrashHandler::captureStack(m_guiThread));
            lock.lock();
        }
    }
}

} // namespace Platform
