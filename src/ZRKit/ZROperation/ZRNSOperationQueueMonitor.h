#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

inline const QString ZRNSOperationQueueMonitor_changed = QStringLiteral("ZRNSOperationQueueMonitor_changed");

/*! Keeps the set of running operations from the operations' and envelopes' notifications (main thread)
    and posts "ZRNSOperationQueueMonitor_changed" after each of them. */
class ZRNSOperationQueueMonitor : public QObject {
    Q_OBJECT

public:
    ZRNSOperationQueueMonitor();

    bool hasRunningOperations() const;
    QList<QObject*> monitoredOperations() const;

private:
    void registerNotifications();
    void operationStarted(QObject* operation);
    void operationAdded(QObject* operation);
    void operationFinishedOrCanceled(QObject* operation);
    void postOperationQueueMonitorChangedNotificationForOperation(QObject* operation);
    void prune() const;

    mutable QList<QPointer<QObject>> m_monitoredOperations;
};
