#pragma once

#include "Platform/PropertyList.h"
#include "ZRUpdater/ZRUpdaterFolders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QUuid>

#include <optional>
#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace ServiceTestSupport {

/*! A name that a shell would read as code if it ever saw it: spaces, both quotes, a command
    substitution that would create the file "pwned", a variable and a new line. */
inline QString hostileName() {
    return QStringLiteral("new $(touch pwned) `touch pwned` 'q' \"dq\" $HOME\nline");
}

/*! A fresh folder below this user's download folder (in $XDG_RUNTIME_DIR, which the tests make their own). */
inline QString makeDownloadFolder() {
    const QString path = ZRUpdaterFolders::downloadsParent() + QStringLiteral("/test-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(path);
    return path;
}

/*! A second real user, "corvantide-probe" (made with useradd when missing), as uid and gid. Only root can
    make one and hand files to it: nullopt elsewhere, and the caller skips saying so. */
inline std::optional<std::pair<uid_t, gid_t>> probeUser() {
    if (::geteuid() != 0)
        return std::nullopt;
    const char* name = "corvantide-probe";
    if (::getpwnam(name) == nullptr)
        QProcess::execute(QStringLiteral("useradd"),
                          {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                           QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                           QString::fromLatin1(name)});
    const passwd* entry = ::getpwnam(name);
    if (entry == nullptr)
        return std::nullopt;
    return std::make_pair(entry->pw_uid, entry->pw_gid);
}

/*! Hands the item (not what a link points to) to the user. */
inline bool giveTo(const QString& path, const std::pair<uid_t, gid_t>& user) {
    return ::lchown(QFile::encodeName(path).constData(), user.first, user.second) == 0;
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
