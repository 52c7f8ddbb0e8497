#include "ZRUpdaterSandboxServiceConfinement.h"

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

bool ZRUpdaterSandboxServiceConfinement::isBundle(const QString& path) const {
    return !m_bundlePath.isEmpty() && resolved(path) == m_bundlePath;
}

std::optional<QString> ZRUpdaterSandboxServiceConfinement::toolRefusal(const QString& launchPath,
                                                                       const QStringList& arguments) const {
    // The two unpacking command lines: unzip into the archive's folder, or attach a disk image there.
    static const QStringList UnzipHead = {QStringLiteral("unzip"), QStringLiteral("-o"),
                                          QStringLiteral("-qq"), QStringLiteral("-d")};
    static const QStringList AttachOptions = {QStringLiteral("-idme"),        QStringLiteral("-noidmereveal"),
                                              QStringLiteral("-noidmetrash"), QStringLiteral("-noverify"),
                                              QStringLiteral("-nobrowse"),    QStringLiteral("-noautoopen"),
                                              QStringLiteral("-quiet")};
    if (launchPath != EnvTool)
        return QStringLiteral("only the unpacking tools may be run");
    QString folder;
    QString archive;
    if (arguments.size() == 6 && arguments.mid(0, 4) == UnzipHead) {
        folder = arguments.at(4);
        archive = arguments.at(5);
    } else if (arguments.size() == 12 && arguments.at(0) == QLatin1String("hdiutil") &&
               arguments.at(1) == QLatin1String("attach") && arguments.at(2) == QLatin1String("-mountroot") &&
               arguments.mid(4, 7) == AttachOptions) {
        folder = arguments.at(3);
        archive = arguments.at(11);
    } else {
        return QStringLiteral("only the unpacking command lines may be run");
    }
    if (!isInsideUpdateFolder(archive))
        return QStringLiteral("%1 is not in an update folder").arg(archive);
    if (resolved(folder) != resolved(QFileInfo(QDir::cleanPath(archive)).path()))
        return QStringLiteral("an archive is unpacked only into its own folder");
    return std::nullopt;
}

std::optional<QString> ZRUpdaterSandboxServiceConfinement::refusal(const Request& request) const {
    switch (request.method) {
    case Method::Copy:
    case Method::Move:
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
        if (!isBundle(request.path))
            return QStringLiteral("%1 is not the application's bundle").arg(request.path);
        if (!isInsideUpdateFolder(request.temporaryFolder))
            return QStringLiteral("%1 is not in an update folder").arg(request.temporaryFolder);
        return std::nullopt;
    }
    return QStringLiteral("unknown request");
}
