#include "Platform/OperationQueue.h"

#include <QMutexLocker>

namespace Platform {

void Operation::start() {
    if (m_finished.load() || m_executing.exchange(true))
        return;
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

void Operation::waitUntilFinished() {
    QMutexLocker locker(&m_mutex);
    while (!m_finished.load())
        m_finishedCondition.wait(&m_mutex);
}

OperationQueue::OperationQueue(int maxConcurrentOperationCount) {
    m_pool.setMaxThreadCount(std::max(1, maxConcurrentOperationCount));
}

OperationQueue::~OperationQueue() {
    m_pool.waitForDone();
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
    m_pool.waitForDone();
}

int OperationQueue::operationCount() const {
    QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_operations.size());
}

} // namespace Platform
