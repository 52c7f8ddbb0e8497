#pragma once

#include "Platform/NotificationCenter.h"
#include "ZRKit/ZROperation/ZRNSOperation.h"

#include <QList>
#include <QObject>

#include <memory>

inline const QString kZRNSOperationEnvelopeQueueEnvelope_added =
    QStringLiteral("ZRNSOperationEnvelopeQueueEnvelope_added");
inline const QString kZRNSOperationEnvelopeQueueEnvelope_finished =
    QStringLiteral("ZRNSOperationEnvelopeQueueEnvelope_finished");

/*! Groups the operations of one task on a queue (main thread only). The first operation started through
    it posts "ZRNSOperationEnvelopeQueueEnvelope_added" at once; once every operation of allOperations()
    is finished or cancelled, "..._finished" follows on the main thread, once. An operation that is cancelled
    before it ran counts as ended too. Subclasses say which operations belong to the task and may hook
    into each start and end. */
class ZRNSOperationEnvelope : public QObject {
    Q_OBJECT

public:
    explicit ZRNSOperationEnvelope(Platform::OperationQueue* queue);
    ~ZRNSOperationEnvelope() override;

    Platform::OperationQueue* queue() const { return m_queue; }

    void startOperation(const std::shared_ptr<ZRNSOperation>& operation);

    virtual QList<std::shared_ptr<ZRNSOperation>> allOperations() const = 0;
    int operationCount() const { return static_cast<int>(allOperations().size()); }
    bool allOperationsFinishedOrCanceled() const;
    QList<std::shared_ptr<ZRNSOperation>> startedOperations() const { return m_startedOperations; }

protected:
    virtual void startProcessing() {}
    virtual void willStartOperation(ZRNSOperation*) {}
    virtual void postprocessOperation(ZRNSOperation*) {}

private:
    void operationEnded(const Platform::Notification& notification);

    Platform::OperationQueue* m_queue;
    QList<std::shared_ptr<ZRNSOperation>> m_startedOperations;
    QHash<QObject*, QList<QMetaObject::Connection>> m_observations;
    bool m_finishedPosted = false;
};
