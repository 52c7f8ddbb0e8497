#include "Platform/MainThread.h"

#include "Platform/SystemLog.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cstdlib>

namespace Platform {

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

} // namespace Platform
