#include "Platform/AsyncLock.h"

#include "Platform/MainThread.h"

namespace Platform {

void AsyncLock::acquire(Holder holder) {
    assertMainThread();
    m_waiting.push_back(std::move(holder));
    handOver();
}

void AsyncLock::release() {
    assertMainThread();
    if (!m_locked)
        fatalError(QStringLiteral("AsyncLock released while not held"));
    m_locked = false;
    handOver();
}

// The next holder always starts on a fresh event-loop turn, never inside acquire() or release().
void AsyncLock::handOver() {
    if (m_locked || m_handOverPending || m_waiting.empty())
        return;
    m_locked = true;
    m_handOverPending = true;
    runOnMain([self = std::weak_ptr<AsyncLock*>(m_self)] {
        const auto alive = self.lock();
        if (!alive)
            return;
        AsyncLock* lock = *alive;
        lock->m_handOverPending = false;
        Holder holder = std::move(lock->m_waiting.front());
        lock->m_waiting.pop_front();
        holder();
    });
}

} // namespace Platform
