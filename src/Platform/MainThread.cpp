#include "Platform/MainThread.h"

#include "Platform/SystemLog.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>

namespace Platform {

namespace {

struct PendingCall {
    std::function<void()> function;
    std::exception_ptr exception;
    bool done = false;
};

QMutex g_pendingMutex;
QWaitCondition g_pendingDone;
std::deque<std::shared_ptr<PendingCall>> g_pending;

// Runs, on the main thread, every function that another thread waits for; each runs once.
void runPendingCalls() {
    for (;;) {
        std::shared_ptr<PendingCall> call;
        {
            QMutexLocker locker(&g_pendingMutex);
            if (g_pending.empty())
                return;
            call = g_pending.front();
            g_pending.pop_front();
        }
        try {
            call->function();
        } catch (...) {
            call->exception = std::current_exception();
        }
        QMutexLocker locker(&g_pendingMutex);
        call->done = true;
        g_pendingDone.wakeAll();
    }
}

} // namespace

bool isMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void assertMainThread() {
    if (!isMainThread())
        fatalError(QStringLiteral("must be called on main thread"));
}

void fatalError(const QString& message) {
    SystemLog::log(message);
    std::abort();
}

void runOnMain(std::function<void()> function) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        fatalError(QStringLiteral("runOnMain needs an application object"));
    QMetaObject::invokeMethod(app, std::move(function), Qt::QueuedConnection);
}

void runOnMainAndWait(const std::function<void()>& function) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || isMainThread()) {
        function();
        return;
    }
    auto call = std::make_shared<PendingCall>();
    call->function = function;
    {
        QMutexLocker locker(&g_pendingMutex);
        g_pending.push_back(call);
    }
    QMetaObject::invokeMethod(app, &runPendingCalls, Qt::QueuedConnection);
    {
        QMutexLocker locker(&g_pendingMutex);
        while (!call->done)
            g_pendingDone.wait(&g_pendingMutex);
    }
    if (call->exception)
        std::rethrow_exception(call->exception);
}

void waitServingMainThread(const std::function<bool(int ms)>& waitStep) {
    if (QCoreApplication::instance() == nullptr || !isMainThread()) {
        while (!waitStep(-1)) {
        }
        return;
    }
    for (;;) {
        runPendingCalls();
        if (waitStep(5))
            return;
    }
}

} // namespace Platform
