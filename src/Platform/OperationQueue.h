#pragma once

#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>
#include <memory>

namespace Platform {

/*! A unit of work for an OperationQueue. It runs once: start() marks it executing, calls main() (unless
    it was cancelled before), then marks it finished; finishedChanged() tells subclasses, on the thread
    that finished it. Cancelling only sets the flag; main() looks at it. A QObject only so that it can be
    the sender of notifications; it has no signals and may be touched from any thread. */
class Operation : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Operation)

public:
    Operation() = default;
    ~Operation() override = default;

    void start();
    void cancel() { m_cancelled.store(true); }
    /*! Cancels the operation unless it has started already; answers whether it did. */
    bool cancelIfNotStarted();
    bool isCancelled() const { return m_cancelled.load(); }
    bool isExecuting() const { return m_executing.load(); }
    bool isFinished() const { return m_finished.load(); }

    /*! Blocks until the operation has finished (not on the thread that runs it); on the main thread it
        runs meanwhile what the operation waits there for. */
    void waitUntilFinished();

protected:
    virtual void main() {}
    /*! Called once, right after the operation became finished. */
    virtual void finishedChanged() {}

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_executing{false};
    std::atomic<bool> m_finished{false};
    QMutex m_mutex;
    QWaitCondition m_finishedCondition;
};

/*! Runs operations on worker threads of its own pool, keeping each alive until it has finished. Waiting
    for them on the main thread runs meanwhile what they wait there for (waitServingMainThread()). */
class OperationQueue {
public:
    explicit OperationQueue(int maxConcurrentOperationCount = QThread::idealThreadCount());
    /*! Cancels the operations that have not started and waits until every operation has finished: the
        cancelled ones end at once, without running their work. */
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(std::shared_ptr<Operation> operation);
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();
    int operationCount() const;

private:
    QThreadPool m_pool;
    mutable QMutex m_mutex;
    QList<std::shared_ptr<Operation>> m_operations;
};

} // namespace Platform
