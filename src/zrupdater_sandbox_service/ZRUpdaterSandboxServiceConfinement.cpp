#include "ZRUpdaterSandboxServiceConfinement.h"

#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "ZRUpdater/ZRUpdaterFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using ZRUpdaterSandboxServiceMessages::Method;
using ZRUpdaterSandboxServiceMessages::Request;

namespace {

// The path with every link and ".." resolved; for a path that does not exist yet, its resolved folder
// and its name. Empty when it cannot be resolved (relative, or its folder missing).
QString resolved(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    const QString clean = QDir::cleanPath(path);
    struct stat info {};
    if (::lstat(QFile::encodeName(clean).constData(), &info) == 0)
        return QFileInfo(clean).canonicalFilePath();
    const QFileInfo item(clean);
    const QString folder = QFileInfo(item.path()).canonicalFilePath();
    if (folder.isEmpty() || item.fileName().isEmpty() || item.fileName() == QLatin1String(".."))
        return {};
    return folder == QLatin1String("/") ? folder + item.fileName()
                                        : folder + QLatin1Char('/') + item.fileName();
}

const QString EnvTool = QStringLiteral("/usr/bin/env");

// Told without opening the file (opening a named pipe waits for a writer). One put in its place later
// holds its tool only until the service's time limit.
bool isRegularFile(const QString& path) {
    return QFileInfo(resolved(path)).isFile();
}

} // namespace

ZRUpdaterSandboxServiceConfinement::ZRUpdaterSandboxServiceConfinement(const QString& bundlePath,
                                                                       const QStringList& updateFolders)
    : m_bundlePath(resolved(bundlePath)) {
    // Resolved once, when the connection is accepted (the application makes its folders before it asks):
    // a link in a folder's place, or a folder another user owns or may write to, widens nothing.
    for (const QString& folder : updateFolders) {
        const QString root = ZRUpdaterFolders::trustedFolder(folder);
        if (!root.isEmpty())
            m_updateFolders.append(root);
    }
}

ZRUpdaterSandboxServiceConfinement ZRUpdaterSandboxServiceConfinement::forBundle(const QString& bundlePath) {
    return ZRUpdaterSandboxServiceConfinement(bundlePath, ZRUpdaterFolders::updateFolders());
}

bool ZRUpdaterSandboxServiceConfinement::isInsideUpdateFolder(const QString& path) const {
    const QString item = resolved(path);
    if (item.isEmpty())
        return false;
    for (const QString& root : m_updateFolders)
        if (item.startsWith(root + QLatin1Char('/')))
            return true;
    return false;
}

bool ZRUpdaterSandboxServiceConfinement::isInstalledCopy(const QString& path) const {
    return !m_bundlePath.isEmpty() &&
           resolved(path) == resolved(ZRUpdaterFolders::installationFolder() + QLatin1Char('/') +
                                      QFileInfo(m_bundlePath).fileName());
}

bool ZRUpdaterSandboxServiceConfinement::isBundle(const QString& path) const {
    return !m_bundlePath.isEmpty() && resolved(path) == m_bundlePath;
}

std::optional<QString> ZRUpdaterSandboxServiceConfinement::toolRefusal(const QString& launchPath,
                                                                       const QStringList& arguments) const {
    // The unpacking command lines: unzip into the archive's folder, attach a disk image at the folder
    // "Volume" beside it, and detach it again.
    static const QStringList UnzipHead = {QStringLiteral("unzip"), QStringLiteral("-o"),
                                          QStringLiteral("-qq"), QStringLiteral("-d")};
    if (launchPath != EnvTool)
        return QStringLiteral("only the unpacking tools may be run");
    if (arguments.size() == 6 && arguments.mid(0, 4) == UnzipHead) {
        const QString folder = arguments.at(4);
        const QString archive = arguments.at(5);
        if (!isInsideUpdateFolder(archive))
            return QStringLiteral("%1 is not in an update folder").arg(archive);
        if (resolved(folder) != resolved(QFileInfo(QDir::cleanPath(archive)).path()))
            return QStringLiteral("an archive is unpacked only into its own folder");
        if (!isRegularFile(archive))
            return QStringLiteral("%1 is not a regular file").arg(archive);
        return std::nullopt;
    }
    if (arguments.size() >= 2) {
        const QString image = arguments.value(arguments.size() - 2);
        const QString volume = arguments.last();
        if (arguments == ZRUpdaterFileManager::attachDiskImageArguments(image, volume)) {
            if (!isInsideUpdateFolder(image))
                return QStringLiteral("%1 is not in an update folder").arg(image);
            if (resolved(volume) !=
                resolved(ZRUpdaterFileManager::diskImageVolumePath(QDir::cleanPath(image))))
                return QStringLiteral("a disk image is attached only at the folder beside it");
            if (!isRegularFile(image))
                return QStringLiteral("%1 is not a regular file").arg(image);
            return std::nullopt;
        }
        if (arguments == ZRUpdaterFileManager::detachDiskImageArguments(volume)) {
            if (!isInsideUpdateFolder(volume) ||
                QFileInfo(resolved(volume)).fileName() != QLatin1String("Volume"))
                return QStringLiteral("%1 is not a disk image's folder").arg(volume);
            return std::nullopt;
        }
    }
    return QStringLiteral("only the unpacking command lines may be run");
}

std::optional<QString> ZRUpdaterSandboxServiceConfinement::refusal(const Request& request) const {
    switch (request.method) {
    case Method::Copy:
    case Method::Move:
        // The start-up check copies the bundle off its read-only disk image to the installation folder.
        if (isBundle(request.source) && isInstalledCopy(request.destination) &&
            ZRUpdaterFileManager::isReadOnlyDiskImageAtPath(m_bundlePath))
            return std::nullopt;
        if (!isInsideUpdateFolder(request.source))
            return QStringLiteral("%1 is not in an update folder").arg(request.source);
        if (!isBundle(request.destination))
            return QStringLiteral("%1 is not the application's bundle").arg(request.destination);
        return std::nullopt;
    case Method::ReleaseFromQuarantine:
        if (!isInsideUpdateFolder(request.path))
            return QStringLiteral("%1 is not in an update folder").arg(request.path);
        return std::nullopt;
    case Method::LaunchTask:
        return toolRefusal(request.path, request.arguments);
    case Method::WaitForApplication:
        if (request.processID <= 1)
            return QStringLiteral("process identifier %1 is not an application's").arg(request.processID);
        if (!isBundle(request.path) && !isInstalledCopy(request.path))
            return QStringLiteral("%1 is not the application's bundle").arg(request.path);
        if (!isInsideUpdateFolder(request.temporaryFolder))
            return QStringLiteral("%1 is not in an update folder").arg(request.temporaryFolder);
        return std::nullopt;
    }
    return QStringLiteral("unknown request");
}
