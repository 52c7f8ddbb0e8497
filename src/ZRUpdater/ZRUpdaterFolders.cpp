#include "ZRUpdater/ZRUpdaterFolders.h"

#include "ZRKit/ZRFileManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace ZRUpdaterFolders {

namespace {

bool isOwnFolder(const QString& path, mode_t forbidden) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & forbidden) == 0;
}

} // namespace

QString downloadsParent() {
    return ZRFileManager::perUserTemporaryPath(QStringLiteral("DunwarbeckDownloads"));
}

QString diskImageStartupCheckFolder() {
    return ZRFileManager::perUserTemporaryPath(QStringLiteral("diskimagestartupcheck"));
}

QString installationFolder() {
    return QDir::homePath() + QStringLiteral("/.local/lib");
}

QStringList updateFolders() {
    return {downloadsParent(), diskImageStartupCheckFolder()};
}

bool makeOwnFolder(const QString& path, bool isPrivate) {
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0)
        return true;
    return errno == EEXIST && isOwnFolder(path, isPrivate ? 077 : 022);
}

QString trustedFolder(const QString& path) {
    if (path.isEmpty() || !isOwnFolder(path, 022))
        return {};
    return QFileInfo(path).canonicalFilePath();
}

} // namespace ZRUpdaterFolders
