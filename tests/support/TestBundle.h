#pragma once

#include "Platform/PropertyList.h"
#include "TestUtils.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QVariantMap>

namespace TestBundle {

/*! Writes <path>/Info.plist with the values (folders made as needed); answers the bundle path. */
inline QString create(const QString& path, const QVariantMap& info) {
    QDir().mkpath(path + QStringLiteral("/Resources"));
    Platform::PropertyList::writeFile(path + QStringLiteral("/Info.plist"), info);
    return path;
}

/*! Writes a file below the bundle's Resources folder ("de.lproj/InfoPlist.strings", "defaults.plist"). */
inline QString addResource(const QString& bundlePath, const QString& relativePath,
                           const QByteArray& contents) {
    const QString path = bundlePath + QStringLiteral("/Resources/") + relativePath;
    TestUtils::writeFile(path, contents);
    return path;
}

/*! Copies the built Corvantide.app to destination (which must not exist), executables included. */
inline bool copyBuiltBundle(const QString& destination) {
    const QString source = QStringLiteral(CORVANTIDE_BUNDLE_DIR);
    QDirIterator it(source, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = destination + from.mid(source.size());
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (!QFile::copy(from, to))
            return false;
    }
    return QFileInfo::exists(destination + QStringLiteral("/Info.plist"));
}

} // namespace TestBundle
