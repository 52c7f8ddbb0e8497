#pragma once

#include "Platform/OperationQueue.h"

#include <QMutex>
#include <QString>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>

inline const QString ZRNSNotificationOperation_started = QStringLiteral("ZRNSNotificationOperation_started");
inline const QString ZRNSNotificationOperation_progressChanged =
    QStringLiteral("ZRNSNotificationOperation_progressChanged");
inline const QString ZRNSNotificationOperation_ended = QStringLiteral("ZRNSNotificationOperation_ended");
inline const QString ZRNSNotificationOperation_canceled =
    QStringLiteral("ZRNSNotificationOperation_canceled");
inline const QString kZRNSUserInfoKeyOperation = QStringLiteral("operation");
inline const QString kZRNSUserInfoKeyEnvelope = QStringLiteral("envelope");

/*! An operation whose start, progress and end are announced on the main thread, on the default
    notification centre, with the operation as object and its userInfo:
    "ZRNSNotificationOperation_started" when its work begins, "..._progressChanged" on every progress
    change while it runs, "..._ended" once it has finished. One that is cancelled before its work began
    posts "..._canceled" instead, so that whoever waits for its end hears of it. Optional blocks run on
    the main thread before and after the work while the worker waits (inline when the operation itself
    runs on the main thread). Subclasses put their work in internalMain(); an exception it throws is
    caught and logged, and the operation still finishes. */
class ZRNSOperation : public Platform::Operation {
    Q_OBJECT

public:
    using MainThreadBlock = std::function<void(ZRNSOperation* operation)>;

    ZRNSOperation() = default;

    bool indeterminate() const { return m_indeterminate.load(); }
    void setIndeterminate(bool indeterminate) { m_indeterminate.store(indeterminate); }
    float progress() const { return m_progress.load(); }
    void setProgress(float progress);

    QVariantMap userInfo() const;
    void setUserInfo(const QVariantMap& userInfo);
    void setMainThreadPreparationBlock(MainThreadBlock block);
    void setMainThreadCompletionBlock(MainThreadBlock block);

    /*! Posts the name on the main thread without waiting, with this operation and its userInfo. */
    void postNotificationToMainThread(const QString& name);
    static void postNotificationToMainThread(const QString& name, QObject* object,
                                             const QVariantMap& userInfo);

protected:
    void main() final;
    void finishedChanged() final;
    virtual void internalMain() {}
    void didFinish();

private:
    MainThreadBlock preparationBlock() const;
    MainThreadBlock completionBlock() const;
    void runOnMainAndWait(const MainThreadBlock& block);

    std::atomic<bool> m_indeterminate{false};
    std::atomic<float> m_progress{0};
    std::atomic<bool> m_registeredForKVO{false};
    mutable QMutex m_mutex;
    QVariantMap m_userInfo;
    MainThreadBlock m_preparationBlock;
    MainThreadBlock m_completionBlock;
};
