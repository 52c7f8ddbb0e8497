#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/*! The system's table of mounted file systems (/proc/self/mountinfo), and what the kernel tells of a loop
    device's image file (/sys/block/<loop>/loop/backing_file). */
namespace Platform::MountTable {

struct Entry {
    QString mountPoint;
    QStringList options;
    QString fileSystemType;
    /*! Where it is mounted from: a device ("/dev/loop0") or a name the file system chose. */
    QString source;

    bool isReadOnly() const { return options.contains(QStringLiteral("ro")); }
};

/*! The entries of a mountinfo text in mount order; lines that are not entries are skipped. Escaped
    characters (\040 for a space, \011, \012, \134) are read back. */
QList<Entry> parse(const QByteArray& text);

/*! The table as it is now (the text given for testing, when there is one). */
QList<Entry> current();

/*! The entry the absolute, resolved path lies on: the last-mounted one with the longest mount point that
    contains it. */
std::optional<Entry> entryForPath(const QList<Entry>& table, const QString& path);

/*! The image file behind the loop device named so ("loop0"); a null string when the device is no loop
    device or has no image. */
QString loopBackingFile(const QString& deviceName);

/*! Makes current() read this text and loopBackingFile() read below sysRoot instead of /sys (an empty
    text and root restore the system's). */
void setSourcesForTesting(const QByteArray& mountInfo, const QString& sysRoot);

} // namespace Platform::MountTable
