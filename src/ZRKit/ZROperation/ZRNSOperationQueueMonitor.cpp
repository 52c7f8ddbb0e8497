#include "ZRKit/ZROperation/ZRNSOperationQueueMonitor.h"

#include "Platform/NotificationCenter.h"
#include "ZRKit/ZROperation/ZRNSOperation.h"
#include "ZRKit/ZROperation/ZRNSOperationEnvelope.h"

ZRNSOperationQueueMonitor::ZRNSOperationQueueMonitor() {
    registerNotifications();
}

void ZRNSOperationQueueMonitor::registerNotifications() {
    Platform::NotificationCenter& center = Platform::NotificationCenter::defaultCenter();
    center.addObserver(ZRNSNotificationOperation_started, this,
                       [this](const Platform::Notification& n) { operationStarted(n.object.data()); });
    center.addObserver(kZRNSOperationEnvelopeQueueEnvelope_added, this,
                       [this](const Platform::Notification& n) {
                           operationAdded(n.userInfo.value(kZRNSUserInfoKeyOperation).value<QObject*>());
                       });
    for (const QString& name : {ZRNSNotificationOperation_canceled, ZRNSNotificationOperation_ended})
        center.addObserver(name, this, [this](const Platform::Notification& n) {
            operationFinishedOrCanceled(n.object.data());
        });
}

void ZRNSOperationQueueMonitor::prune() const {
    m_monitoredOperations.removeAll(QPointer<QObject>());
}

bool ZRNSOperationQueueMonitor::hasRunningOperations() const {
    prune();
    return !m_monitoredOperations.isEmpty();
}

QList<QObject*> ZRNSOperationQueueMonitor::monitoredOperations() const {
    prune();
    QList<QObject*> operations;
    for (const auto& operation : m_monitoredOperations)
        operations.append(operation.data());
    return operations;
}

void ZRNSOperationQueueMonitor::operationStarted(QObject* operation) {
    if (operation && !m_monitoredOperations.contains(operation))
        m_monitoredOperations.append(operation);
    postOperationQueueMonitorChangedNotificationForOperation(operation);
}

void ZRNSOperationQueueMonitor::operationAdded(QObject* operation) {
    operationStarted(operation);
}

void ZRNSOperationQueueMonitor::operationFinishedOrCanceled(QObject* operation) {
    if (operation)
        m_monitoredOperations.removeAll(operation);
    postOperationQueueMonitorChangedNotificationForOperation(operation);
}

void ZRNSOperationQueueMonitor::postOperationQueueMonitorChangedNotificationForOperation(QObject* operation) {
    if (!operation)
        return;
    Platform::NotificationCenter::defaultCenter().post(
        ZRNSOperationQueueMonitor_changed, this,
        {{kZRNSUserInfoKeyOperation, QVariant::fromValue(operation)}});
}
