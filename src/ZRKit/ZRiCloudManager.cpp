#include "ZRKit/ZRiCloudManager.h"

#include "Platform/SystemLog.h"

ZRiCloudManager::ZRiCloudManager(QString containerIdentifier, QObject* parent)
    : QObject(parent)
    , m_containerIdentifier(std::move(containerIdentifier)) {}

void ZRiCloudManager::checkForiCloudAvailability() {
    m_iCloudAvaible = false;
    Platform::SystemLog::log(
        QStringLiteral("no ubiquitous key-value store on this system for %1").arg(m_containerIdentifier));
}
