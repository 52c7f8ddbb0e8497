#include "Platform/OperationQueue.h"

#include "Platform/MainThread.h"

#include <QMutexLocker>

namespace Platform {

void Operation::start() {
    {
        QMutexLocker locker(&m_mutex);
        if (m_finished.load() || m_executing.exchange(true))
            return;
    }
    if (!m_cancelled.load())
        main();
    m_executing.store(false);
    {
        QMutexLocker locker(&m_mutex);
        m_finished.store(true);
        m_finishedCondition.wakeAll();
    }
    finishedChanged();
}

bool Operation::cancelIfNotStarted() {
    QMutexLocker locker(&m_mutex);
    if (m_executing.load() || m_finished.load())
        return false;
    m_cancelled.store(true);
    return true;
}

void Operation::waitUntilFinished() {
    waitServingMainThread([this](int ms) {
        QMutexLocker locker(&m_mutex);
        if (!m_finished.load())
            m_finishedCondition.wait(&m_mutex,
                                     ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms));
        return m_finished.load();
    });
}

OperationQueue::OperationQueue(int maxConcurrentOperationCount) {
    m_pool.setMaxThreadCount(std::max(1, maxConcurrentOperationCount));
}

OperationQueue::~OperationQueue() {
    {
        QMutexLocker locker(&m_mutex);
        for (const auto& operation : std::as_const(m_operations))
            operation->cancelIfNotStarted();
    }
    waitUntilAllOperationsAreFinished();
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation) {
    {
        QMutexLocker locker(&m_mutex);
        m_operations.append(operation);
    }
    m_pool.start([this, operation] {
        operation->start();
        QMutexLocker locker(&m_mutex);
        m_operations.removeOne(operation);
    });
}

void OperationQueue::cancelAllOperations() {
    QMutexLocker locker(&m_mutex);
    for (const auto& operation : std::as_const(m_operations))
        operation->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    waitServingMainThread([this](int ms) { return m_pool.waitForDone(ms); });
}

int OperationQueue::operationCount() const {
    QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_operations.size());
}

} // namespace Platform
