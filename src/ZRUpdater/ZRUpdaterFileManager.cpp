#include "ZRUpdater/ZRUpdaterFileManager.h"

#include "Platform/MountTable.h"
#include "Platform/SystemLog.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ZRUpdaterFileManager {

bool isReadOnlyDiskImageAtPath(const QString& path) {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0) {
        Platform::SystemLog::log(
            QStringLiteral("ERROR - statfs returned error: %1 -- for path: %2").arg(errno).arg(path));
        return false;
    }
    const std::optional<Platform::MountTable::Entry> entry = Platform::MountTable::entryForPath(
        Platform::MountTable::current(), QFileInfo(path).canonicalFilePath());
    if (!entry || !entry->isReadOnly() || !entry->source.startsWith(QLatin1String("/dev/")))
        return false;
    const QString device = entry->source.mid(5);
    if (Platform::MountTable::loopBackingFile(device).isEmpty()) {
        Platform::SystemLog::log(
            QStringLiteral("ERROR - could not get IOService -- for volume: %1").arg(device));
        return false;
    }
    return true;
}

QString diskImageVolumePath(const QString& imagePath) {
    return QFileInfo(imagePath).path() + QStringLiteral("/Volume");
}

QStringList attachDiskImageArguments(const QString& imagePath, const QString& volume) {
    if (::geteuid() == 0)
        return {QStringLiteral("mount"),
                QStringLiteral("-t"),
                QStringLiteral("squashfs,iso9660"),
                QStringLiteral("-o"),
                QStringLiteral("loop,ro,nosuid,nodev"),
                imagePath,
                volume};
    return {QStringLiteral("squashfuse"), QStringLiteral("-o"), QStringLiteral("ro"), imagePath, volume};
}

QStringList detachDiskImageArguments(const QString& volume) {
    if (::geteuid() == 0)
        return {QStringLiteral("umount"), volume};
    return {QStringLiteral("fusermount3"), QStringLiteral("-u"), volume};
}

} // namespace ZRUpdaterFileManager
