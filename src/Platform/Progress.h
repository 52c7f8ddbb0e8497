#pragma once

#include <QList>
#include <QtGlobal>

#include <memory>

namespace Platform {

/*! Progress of a unit of work, in units: its own completed count out of a total, and children that each
    stand for a share (pending unit count) of the parent's total. GUI thread only. */
class Progress {
public:
    struct Child {
        std::shared_ptr<Progress> progress;
        qint64 pendingUnitCount = 0;
    };

    qint64 totalUnitCount() const { return m_totalUnitCount; }
    qint64 completedUnitCount() const { return m_completedUnitCount; }
    void setTotalUnitCount(qint64 count) { m_totalUnitCount = count; }
    void setCompletedUnitCount(qint64 count) { m_completedUnitCount = count; }

    void addChild(std::shared_ptr<Progress> child, qint64 pendingUnitCount);
    const QList<Child>& children() const { return m_children; }

    /*! Completed share of the total, children counted by their pending units; 0 without a total. */
    double fractionCompleted() const;

private:
    qint64 m_totalUnitCount = 0;
    qint64 m_completedUnitCount = 0;
    QList<Child> m_children;
};

} // namespace Platform
