#include "ZRKit/ZROperation/ZRNSOperationEnvelope.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"
#include "ZRKit/ZRNotifications.h"

namespace {

void assertOnMainThread() {
    Platform::parameterAssert(Platform::isMainThread(), "Must be on main thread");
}

} // namespace

ZRNSOperationEnvelope::ZRNSOperationEnvelope(Platform::OperationQueue* queue)
    : m_queue(queue) {
    Platform::parameterAssert(queue != nullptr, "queue");
}

ZRNSOperationEnvelope::~ZRNSOperationEnvelope() {
    for (const auto& connections : std::as_const(m_observations))
        for (const auto& connection : connections)
            QObject::disconnect(connection);
}

void ZRNSOperationEnvelope::startOperation(const std::shared_ptr<ZRNSOperation>& operation) {
    assertOnMainThread();
    Platform::NotificationCenter& center = Platform::NotificationCenter::defaultCenter();
    if (m_startedOperations.isEmpty())
        center.post(kZRNSOperationEnvelopeQueueEnvelope_added, this,
                    {{kZRNSUserInfoKeyEnvelope, QVariant::fromValue<QObject*>(this)},
                     {kZRNSUserInfoKeyOperation, QVariant::fromValue<QObject*>(operation.get())}});
    // An operation cancelled before it ran announces "canceled" instead of "ended": both end it here.
    auto handler = [this](const Platform::Notification& notification) { operationEnded(notification); };
    m_observations[operation.get()] = {
        center.addObserver(ZRNSNotificationOperation_ended, this, handler, operation.get()),
        center.addObserver(ZRNSNotificationOperation_canceled, this, handler, operation.get())};
    willStartOperation(operation.get());
    m_startedOperations.append(operation);
    m_queue->addOperation(operation);
}

void ZRNSOperationEnvelope::operationEnded(const Platform::Notification& notification) {
    assertOnMainThread();
    QObject* object = notification.object.data();
    for (const auto& connection : m_observations.take(object))
        QObject::disconnect(connection);
    auto* operation = qobject_cast<ZRNSOperation*>(object);
    postprocessOperation(operation);
    if (!m_finishedPosted && allOperationsFinishedOrCanceled()) {
        m_finishedPosted = true;
        ZRNotificationCenter::postNotificationNameToMainThread(
            Platform::NotificationCenter::defaultCenter(), kZRNSOperationEnvelopeQueueEnvelope_finished, this,
            {{kZRNSUserInfoKeyOperation, QVariant::fromValue<QObject*>(object)},
             {kZRNSUserInfoKeyEnvelope, QVariant::fromValue<QObject*>(this)}},
            false);
    }
}

bool ZRNSOperationEnvelope::allOperationsFinishedOrCanceled() const {
    const auto operations = allOperations();
    return std::all_of(operations.cbegin(), operations.cend(),
                       [](const std::shared_ptr<ZRNSOperation>& operation) {
                           return !operation || operation->isFinished() || operation->isCancelled();
                       });
}
