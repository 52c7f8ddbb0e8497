#pragma once

#include <QString>
#include <QStringList>

/*! What the updater asks of the file system about where the application runs from. */
namespace ZRUpdaterFileManager {

/*! The path lies on a disk image mounted read-only: a read-only file system mounted from a loop device
    (/dev/loopN) that has an image file behind it (an ISO or squashfs image attached with
    mount -o loop,ro). Anything else, and any path that cannot be examined, answers false; the reason
    goes to the log. */
bool isReadOnlyDiskImageAtPath(const QString& path);

/*! Where the disk image at imagePath is attached: the folder "Volume" beside it. */
QString diskImageVolumePath(const QString& imagePath);

/*! The arguments of /usr/bin/env that attach a squashfs or ISO 9660 image read-only at the volume
    folder: mount -t squashfs,iso9660 -o loop,ro,nosuid,nodev as root, squashfuse -o ro for anyone else. */
QStringList attachDiskImageArguments(const QString& imagePath, const QString& volume);

/*! The arguments of /usr/bin/env that detach it again: umount as root, fusermount3 -u for anyone else. */
QStringList detachDiskImageArguments(const QString& volume);

} // namespace ZRUpdaterFileManager
