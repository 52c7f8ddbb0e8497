#pragma once

#include "Platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QUuid>

#include <sys/xattr.h>

namespace ServiceTestSupport {

/*! A name that a shell would read as code if it ever saw it: spaces, both quotes, a command
    substitution that would create the file "pwned", a variable and a new line. */
inline QString hostileName() {
    return QStringLiteral("new $(touch pwned) `touch pwned` 'q' \"dq\" $HOME\nline");
}

/*! A fresh folder below the updater's download folder in the temporary directory. */
inline QString makeDownloadFolder() {
    const QString path = QDir::tempPath() + QStringLiteral("/DunwarbeckDownloads/test-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(path);
    return path;
}

inline bool setAttribute(const QString& path, const char* name, bool noFollow = false) {
    const QByteArray encoded = QFile::encodeName(path);
    return (noFollow ? ::lsetxattr(encoded.constData(), name, "1", 1, 0)
                     : ::setxattr(encoded.constData(), name, "1", 1, 0)) == 0;
}

inline bool hasAttribute(const QString& path, const char* name) {
    char value[8];
    return ::getxattr(QFile::encodeName(path).constData(), name, value, sizeof(value)) >= 0;
}

/*! A small application folder: Info.plist naming bin/<executable>, a script of that name that writes
    "relaunched.txt" into the bundle when it runs, and a marker file with the given text. */
inline void makeApplication(const QString& bundle, const QString& marker) {
    QDir().mkpath(bundle + QStringLiteral("/bin"));
    Platform::PropertyList::writeFile(
        bundle + QStringLiteral("/Info.plist"),
        QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.dunwarbeck.Corvantide")},
                    {QStringLiteral("CFBundleName"), QStringLiteral("Corvantide")},
                    {QStringLiteral("CFBundleExecutable"), QStringLiteral("relaunched")}});
    QFile script(bundle + QStringLiteral("/bin/relaunched"));
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho \"$$\" > \"$(dirname \"$0\")/../relaunched.txt\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile file(bundle + QStringLiteral("/marker.txt"));
    file.open(QIODevice::WriteOnly);
    file.write(marker.toUtf8());
}

inline QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace ServiceTestSupport
