#include "ZRKit/ZRFileManager.h"

#include "Platform/SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace ZRFileManager {

namespace {

// A folder we may keep private files in: made now with mode 0700, or already there as a real folder of
// ours (never a link) when existingAllowed.
bool makePrivateFolder(const QString& path, bool existingAllowed) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST || !existingAllowed)
        return false;
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

bool isOurPrivateFolder(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

// In the session's runtime folder when there is one, else a folder of the temporary directory named with
// the user id, so that another user's folder of the same name never stands in the way.
QString perUserTemporaryPath(const QString& name) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isOurPrivateFolder(runtime))
        return QDir::cleanPath(runtime) + QLatin1Char('/') + name;
    return QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral("-%1").arg(::geteuid());
}

bool createDirectoryRecursiveAtPath(const QString& path) {
    return !path.isEmpty() && QDir().mkpath(path);
}

QString pathToFile(const QString& fileName, QStandardPaths::StandardLocation searchPath) {
    for (const QString& folder : QStandardPaths::standardLocations(searchPath)) {
        const QString candidate = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

QString temporaryDirectoryWithName(const QString& name) {
    static std::mutex mutex;
    static QString path;
    static bool created = false;
    std::lock_guard lock(mutex);
    if (path.isEmpty())
        path = QDir::cleanPath(perUserTemporaryPath(name) + QLatin1Char('/') +
                               QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (created && isOurPrivateFolder(path))
        return path;
    // The parent is shared by name between this user's processes: accept it only as a real folder of ours.
    const bool made =
        makePrivateFolder(QFileInfo(path).absolutePath(), true) && makePrivateFolder(path, false);
    if (!made) {
        Platform::SystemLog::log(
            QStringLiteral("ERROR could not create tmp directory for downloads (should be %1)").arg(path));
        return {};
    }
    created = true;
    return path;
}

qint64 sizeOfFolderAtPath(const QString& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator it(QFile::encodeName(path).toStdString(),
                                        fs::directory_options::skip_permission_denied, error);
    if (error)
        return 0;
    qint64 total = 0;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0)
            total += info.st_size;
    }
    return total;
}

} // namespace ZRFileManager
