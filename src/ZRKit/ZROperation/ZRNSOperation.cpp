#include "ZRKit/ZROperation/ZRNSOperation.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRNotifications.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include <exception>
#include <typeinfo>

void ZRNSOperation::setProgress(float progress) {
    m_progress.store(progress);
    if (m_registeredForKVO.load())
        postNotificationToMainThread(ZRNSNotificationOperation_progressChanged);
}

QVariantMap ZRNSOperation::userInfo() const {
    QMutexLocker locker(&m_mutex);
    return m_userInfo;
}

void ZRNSOperation::setUserInfo(const QVariantMap& userInfo) {
    QMutexLocker locker(&m_mutex);
    m_userInfo = userInfo;
}

void ZRNSOperation::setMainThreadPreparationBlock(MainThreadBlock block) {
    QMutexLocker locker(&m_mutex);
    m_preparationBlock = std::move(block);
}

void ZRNSOperation::setMainThreadCompletionBlock(MainThreadBlock block) {
    QMutexLocker locker(&m_mutex);
    m_completionBlock = std::move(block);
}

ZRNSOperation::MainThreadBlock ZRNSOperation::preparationBlock() const {
    QMutexLocker locker(&m_mutex);
    return m_preparationBlock;
}

ZRNSOperation::MainThreadBlock ZRNSOperation::completionBlock() const {
    QMutexLocker locker(&m_mutex);
    return m_completionBlock;
}

void ZRNSOperation::postNotificationToMainThread(const QString& name) {
    postNotificationToMainThread(name, this, userInfo());
}

void ZRNSOperation::postNotificationToMainThread(const QString& name, QObject* object,
                                                 const QVariantMap& userInfo) {
    ZRNotificationCenter::postNotificationNameToMainThread(Platform::NotificationCenter::defaultCenter(),
                                                           name, object, userInfo, false);
}

void ZRNSOperation::runOnMainAndWait(const MainThreadBlock& block) {
    Platform::runOnMainAndWait([this, &block] { block(this); });
}

void ZRNSOperation::main() {
    if (isCancelled())
        return;
    m_registeredForKVO.store(true);
    postNotificationToMainThread(ZRNSNotificationOperation_started);
    auto logException = [this](const QString& exceptionClass, const QString& reason) {
        Platform::SystemLog::log(
            QStringLiteral("ZROperation [%1]: received exception [%2 - %3] while executing: %4")
                .arg(QString::fromLatin1(metaObject()->className()), exceptionClass, reason,
                     exceptionClass + QStringLiteral(": ") + reason));
    };
    try {
        if (const MainThreadBlock preparation = preparationBlock())
            runOnMainAndWait(preparation);
        if (isCancelled())
            return;
        internalMain();
    } catch (const std::exception& exception) {
        logException(QString::fromLatin1(typeid(exception).name()), QString::fromUtf8(exception.what()));
    } catch (...) {
        logException(QStringLiteral("unknown"), QStringLiteral("unknown exception"));
    }
}

void ZRNSOperation::finishedChanged() {
    if (m_registeredForKVO.load())
        didFinish();
    else
        postNotificationToMainThread(ZRNSNotificationOperation_canceled);
}

void ZRNSOperation::didFinish() {
    if (const MainThreadBlock completion = completionBlock())
        runOnMainAndWait(completion);
    postNotificationToMainThread(ZRNSNotificationOperation_ended);
}
