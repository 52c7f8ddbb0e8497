#pragma once

#include <QtGlobal>

#include <deque>
#include <functional>
#include <memory>

namespace Platform {

/*! A first-in-first-out lock for asynchronous work on the GUI thread: each holder gets the lock in the
    order it asked, keeps it across any number of event-loop turns and gives it back with release().
    Nothing ever blocks, so the GUI thread keeps serving the replies the holder waits for. */
class AsyncLock {
public:
    using Holder = std::function<void()>;

    AsyncLock() = default;
    AsyncLock(const AsyncLock&) = delete;
    AsyncLock& operator=(const AsyncLock&) = delete;

    /*! Queues the holder; it runs on a later event-loop turn, once every earlier holder has released. */
    void acquire(Holder holder);
    /*! Gives the lock to the next waiting holder, if any. Only the current holder calls it. */
    void release();

    bool isLocked() const { return m_locked; }
    qsizetype waitingCount() const { return static_cast<qsizetype>(m_waiting.size()); }

private:
    void handOver();

    bool m_locked = false;
    bool m_handOverPending = false;
    std::deque<Holder> m_waiting;
    // Pending hand-overs check it, so a lock destroyed meanwhile is never touched.
    std::shared_ptr<AsyncLock*> m_self = std::make_shared<AsyncLock*>(this);
};

} // namespace Platform
