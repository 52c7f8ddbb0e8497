#include "ZRUpdater/ZRSecurityExtensions.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/RegularFile.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"
#include "ZRUpdater/ZRPrivilegedRunner.h"
#include "ZRUpdater/ZRTask.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace ZRSecurityExtensions {

namespace {

// Each script takes its paths as $1, $2, ...; "--" keeps a path that starts with "-" from being read as
// an option. When the copy fails, the half-made copy goes and the old destination comes back. The copy
// is made as the administrator but must not stay the downloading user's: it takes $4:$5 (the owner and
// group of what it replaces), the replaced folder's mode $6, and, when $7 is "go-w", loses every group and
// other write permission. Links are neither followed nor changed.
const QString CopyScript = QStringLiteral("if [ -e \"$2\" ] || [ -L \"$2\" ]; then\n"
                                          "  mv -f -- \"$2\" \"$3\" || exit 1\n"
                                          "fi\n"
                                          "if cp -a -- \"$1\" \"$2\" && chown -R -h -- \"$4:$5\" \"$2\" &&\n"
                                          "   { [ \"$7\" != go-w ] || chmod -R go-w -- \"$2\"; } &&\n"
                                          "   chmod -- \"$6\" \"$2\"; then\n"
                                          "  rm -rf -- \"$3\"\n"
                                          "  exit 0\n"
                                          "fi\n"
                                          "rm -rf -- \"$2\"\n"
                                          "if [ -e \"$3\" ] || [ -L \"$3\" ]; then\n"
                                          "  mv -f -- \"$3\" \"$2\"\n"
                                          "fi\n"
                                          "exit 1\n");

// $4 and $5: the owner and group the old destination had, which the moved bundle takes over.
const QString MoveScript = QStringLiteral("mv -f -- \"$2\" \"$3\" || exit 1\n"
                                          "if mv -f -- \"$1\" \"$2\"; then\n"
                                          "  rm -rf -- \"$3\" && chown -R -- \"$4:$5\" \"$2\"\n"
                                          "  exit $?\n"
                                          "fi\n"
                                          "mv -f -- \"$3\" \"$2\"\n"
                                          "exit 1\n");

// $1 the process to wait for, $2 the program to start, $3 the folder to remove, $4 how many polls at
// most. `ps -p` answers non-zero once the process has gone.
const QString RelaunchScript =
    QStringLiteral("{\n"
                   "  i=0\n"
                   "  while [ \"$i\" -lt \"$4\" ] && /bin/ps -p \"$1\" >/dev/null 2>&1; do\n"
                   "    /bin/sleep .2\n"
                   "    i=$((i + 1))\n"
                   "  done\n"
                   "  if ! /bin/ps -p \"$1\" >/dev/null 2>&1; then\n"
                   "    \"$2\" &\n"
                   "  fi\n"
                   "  if [ -n \"$3\" ]; then rm -rf -- \"$3\"; fi\n"
                   "} </dev/null >/dev/null 2>&1 &\n");

// 3000 polls of 0.2 s: the old process has ten minutes to quit.
std::atomic<int>& relaunchPollLimit() {
    static std::atomic<int> limit{3000};
    return limit;
}

std::mutex& seamMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<bool(const QString&)>& writableCheck() {
    static std::function<bool(const QString&)> check;
    return check;
}

bool isWritable(const QString& path) {
    std::function<bool(const QString&)> check;
    {
        std::lock_guard lock(seamMutex());
        check = writableCheck();
    }
    if (check)
        return check(path);
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

bool itemExists(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QString parentFolder(const QString& path) {
    return QFileInfo(QDir::cleanPath(path)).absolutePath();
}

bool fail(Platform::OptionalError* error, const QString& description) {
    if (error != nullptr)
        *error = ZRError::zr_errorWithLocalizedDescription(description);
    return false;
}

QString systemReason() {
    return QString::fromLocal8Bit(strerror(errno));
}

// Copies a file, a link (as a link) or a folder tree; destination must not exist.
bool copyItem(const QString& source, const QString& destination, QString* reason) {
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    struct stat info {};
    if (::lstat(from.constData(), &info) != 0) {
        *reason = QStringLiteral("%1: %2").arg(source, systemReason());
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        char target[4096];
        const ssize_t size = ::readlink(from.constData(), target, sizeof(target));
        if (size < 0 || size == sizeof(target) ||
            ::symlink(QByteArray(target, size).constData(), to.constData()) != 0) {
            *reason = QStringLiteral("%1: %2").arg(destination, systemReason());
            return false;
        }
        return true;
    }
    if (S_ISDIR(info.st_mode)) {
        if (::mkdir(to.constData(), (info.st_mode & 07777) | S_IRWXU) != 0) {
            *reason = QStringLiteral("%1: %2").arg(destination, systemReason());
            return false;
        }
        const QStringList entries = QDir(source).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entry : entries)
            if (!copyItem(source + QLatin1Char('/') + entry, destination + QLatin1Char('/') + entry, reason))
                return false;
        ::chmod(to.constData(), info.st_mode & 07777);
        return true;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = QStringLiteral("%1 is not a file, folder or link").arg(source);
        return false;
    }
    // Opened without following a link and without waiting on a pipe that took the file's place.
    return Platform::RegularFile::copy(source, destination, info.st_mode & 07777, reason);
}

void removeItem(const QString& path) {
    if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

// The old destination goes to the Trash; answers where it went (empty when it could not).
QString moveToTrash(const QString& path) {
    QFile item(path);
    if (!item.moveToTrash())
        return {};
    return item.fileName();
}

void restoreFromTrash(const QString& trashedPath, const QString& destination) {
    if (trashedPath.isEmpty() || itemExists(destination))
        return;
    if (::rename(QFile::encodeName(trashedPath).constData(), QFile::encodeName(destination).constData()) !=
        0) {
        Platform::SystemLog::log(QStringLiteral("could not bring %1 back from the Trash (%2): %3")
                                     .arg(destination, trashedPath, systemReason()));
        return;
    }
    // What the Trash knew of the item goes with it.
    const QFileInfo trashed(trashedPath);
    if (trashed.dir().dirName() == QLatin1String("files"))
        QFile::remove(QFileInfo(trashed.dir().absolutePath()).path() + QStringLiteral("/info/") +
                      trashed.fileName() + QStringLiteral(".trashinfo"));
}

ZRPrivilegedRunner::Result runScript(const QString& script, const QStringList& parameters) {
    return ZRPrivilegedRunner::run(QStringLiteral("/bin/sh"),
                                   QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} +
                                       parameters);
}

// What the relaunch starts: the executable of a bundle, or the launch path itself.
QString relaunchExecutable(const QString& launchPath) {
    if (QFileInfo(launchPath).isDir()) {
        const QString executable = Platform::Bundle(launchPath).executablePath();
        if (!executable.isEmpty())
            return executable;
    }
    return launchPath;
}

// Starts the detached script that waits for the process, then starts launchPath and removes the
// folder (when one is given).
void startRelaunchScript(qint32 processID, const QString& launchPath, const QString& temporaryFolder);

} // namespace

QString temporaryReplacementPath(const QString& destination) {
    const QFileInfo info(QDir::cleanPath(destination));
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    return info.path() + QLatin1Char('/') + base + QStringLiteral(".old") + extension;
}

bool copyPathWithAuthentication(const QString& source, const QString& destination,
                                Platform::OptionalError* error) {
    if (!isWritable(parentFolder(destination)))
        return _copyPathWithForcedAuthentication(source, destination);
    // The copy is made beside the destination first, so that a failed copy never touches the old item
    // and the old item is away only for the moment between two renames.
    const QFileInfo target(destination);
    const QString staged = parentFolder(destination) + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".new-") + QUuid::createUuid().toString(QUuid::Id128);
    QString reason;
    if (!copyItem(source, staged, &reason)) {
        removeItem(staged);
        return fail(error, reason);
    }
    QString trashed;
    if (itemExists(destination))
        trashed = moveToTrash(destination);
    if (itemExists(destination)) {
        removeItem(staged);
        return fail(error, QStringLiteral("%1 could not be moved out of the way").arg(destination));
    }
    if (::rename(QFile::encodeName(staged).constData(), QFile::encodeName(destination).constData()) != 0) {
        reason = QStringLiteral("cannot move %1 to %2: %3").arg(staged, destination, systemReason());
        removeItem(staged);
        restoreFromTrash(trashed, destination);
        return fail(error, reason);
    }
    return true;
}

bool movePathWithAuthentication(const QString& source, const QString& destination,
                                Platform::OptionalError* error) {
    if (!itemExists(destination))
        return fail(error, QStringLiteral("%1 does not exist").arg(destination));
    if (!isWritable(destination) || !isWritable(parentFolder(destination)))
        return _movePathWithForcedAuthentication(source, destination);
    const QString trashed = moveToTrash(destination);
    const bool trashedOK = !trashed.isEmpty();
    QString reason =
        trashedOK ? QString() : QStringLiteral("%1 could not be moved to the Trash").arg(destination);
    bool movedOK = false;
    if (!itemExists(destination)) {
        movedOK =
            ::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) == 0;
        if (!movedOK) {
            reason = QStringLiteral("cannot move %1 to %2: %3").arg(source, destination, systemReason());
            restoreFromTrash(trashed, destination);
        }
    } else if (trashedOK) {
        // Something took the destination's place between the two steps.
        reason = QStringLiteral("%1 was made again while it was being replaced").arg(destination);
    }
    if (trashedOK && movedOK)
        return true;
    return fail(error, reason);
}

bool _copyPathWithForcedAuthentication(const QString& source, const QString& destination) {
    const QString temporary = temporaryReplacementPath(destination);
    if (!itemExists(source) || itemExists(temporary)) {
        Platform::SystemLog::log(QStringLiteral("_copyPathWithForcedAuthentication: stat failed"));
        return false;
    }
    // The owner, group and mode of what is replaced, or for a new item those of its folder (mode 0755).
    struct stat replaced {};
    const bool replacing = ::stat(QFile::encodeName(destination).constData(), &replaced) == 0;
    if (!replacing && ::stat(QFile::encodeName(parentFolder(destination)).constData(), &replaced) != 0) {
        Platform::SystemLog::log(QStringLiteral("_copyPathWithForcedAuthentication: stat failed"));
        return false;
    }
    const mode_t mode = replacing ? (replaced.st_mode & 07777) : mode_t(0755);
    // A bundle of the administrator's, or one closed to others' writes, stays so throughout.
    const bool closeWrites = replaced.st_uid == 0 || (mode & 022) == 0;
    const ZRPrivilegedRunner::Result result =
        runScript(CopyScript, {source, destination, temporary, QString::number(replaced.st_uid),
                               QString::number(replaced.st_gid), QString::number(mode, 8),
                               closeWrites ? QStringLiteral("go-w") : QStringLiteral("keep")});
    if (!result.started) {
        Platform::SystemLog::log(
            QStringLiteral(
                "_copyPathWithForcedAuthentication: AuthorizationExecuteWithPrivileges failed with err %1")
                .arg(result.exitStatus));
        return false;
    }
    return result.exitStatus == 0;
}

bool _movePathWithForcedAuthentication(const QString& source, const QString& destination) {
    const QString temporary = temporaryReplacementPath(destination);
    struct stat info {};
    if (!itemExists(source) || itemExists(temporary) ||
        ::stat(QFile::encodeName(destination).constData(), &info) != 0)
        return false;
    return runScript(MoveScript, {source, destination, temporary, QString::number(info.st_uid),
                                  QString::number(info.st_gid)})
        .succeeded();
}

void waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                           const QString& temporaryFolder) {
    Platform::parameterAssert(1 < processID, "1 < inProcessID");
    Platform::parameterAssert(!launchPath.isEmpty(), "inPath");
    Platform::parameterAssert(!temporaryFolder.isEmpty(), "inTemporaryFolder");
    startRelaunchScript(processID, launchPath, temporaryFolder);
}

void launchWhenThisProcessHasQuit(const QString& launchPath) {
    startRelaunchScript(qint32(::getpid()), launchPath, QString());
}

namespace {

void startRelaunchScript(qint32 processID, const QString& launchPath, const QString& temporaryFolder) {
    QString error;
    ZRTask::Options options;
    options.newSession = true;
    // The outer shell ends as soon as it has put the waiting part in the background.
    const int status = ZRTask::launch(QStringLiteral("/bin/bash"),
                                      {QStringLiteral("-c"), RelaunchScript, QStringLiteral("bash"),
                                       QString::number(processID), relaunchExecutable(launchPath),
                                       temporaryFolder, QString::number(relaunchPollLimit().load())},
                                      options, &error);
    if (status != 0)
        Platform::SystemLog::log(QStringLiteral("could not start the relaunch script: %1")
                                     .arg(error.isEmpty() ? QString::number(status) : error));
}

} // namespace

void releaseItemFromQuarantine(const QString& path) {
    removeXAttr(QuarantineAttributeName, path, XattrNoFollow);
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return;
    QDirIterator items(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (items.hasNext())
        removeXAttr(QuarantineAttributeName, items.next(), XattrNoFollow);
}

int removeXAttr(const char* name, const QString& path, int options) {
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty() || encoded.contains('\0')) {
        errno = EDOM;
        return -1;
    }
    if (options & XattrNoFollow)
        return ::lremovexattr(encoded.constData(), name);
    return ::removexattr(encoded.constData(), name);
}

void setRelaunchPollLimitForTesting(int polls) {
    relaunchPollLimit() = polls > 0 ? polls : 3000;
}

std::function<bool(const QString&)> setWritableCheckForTesting(std::function<bool(const QString&)> check) {
    std::lock_guard lock(seamMutex());
    return std::exchange(writableCheck(), std::move(check));
}

} // namespace ZRSecurityExtensions
