#include "Platform/Progress.h"

#include <algorithm>

namespace Platform {

void Progress::addChild(std::shared_ptr<Progress> child, qint64 pendingUnitCount) {
    if (child)
        m_children.append(Child{std::move(child), pendingUnitCount});
}

double Progress::fractionCompleted() const {
    if (m_totalUnitCount <= 0)
        return 0.0;
    double completed = static_cast<double>(m_completedUnitCount);
    for (const Child& child : m_children)
        completed += child.progress->fractionCompleted() * static_cast<double>(child.pendingUnitCount);
    return std::clamp(completed / static_cast<double>(m_totalUnitCount), 0.0, 1.0);
}

} // namespace Platform
