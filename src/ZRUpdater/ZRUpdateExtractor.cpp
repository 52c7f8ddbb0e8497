#include "ZRUpdater/ZRUpdateExtractor.h"

#include "Platform/MountTable.h"
#include "Platform/SystemLog.h"
#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "ZRUpdater/ZRUpdaterXPCService.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using Platform::SystemLog::log;

ZRUpdateExtractor::ZRUpdateExtractor(ZRUpdateExtractorDelegate* delegate)
    : m_delegate(delegate) {}

int ZRUpdateExtractor::terminationStatusOfTaskWithLaunchPath(const QString& launchPath,
                                                             const QStringList& arguments, bool sandboxed) {
    if (sandboxed)
        return ZRUpdaterXPCService::terminationStatusOfTaskWithLaunchPath(launchPath, arguments);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(launchPath, arguments);
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void ZRUpdateExtractor::runInBackground(std::function<bool()> work) {
    QPointer<ZRUpdateExtractor> self(this);
    std::thread([self, work = std::move(work), main = QCoreApplication::instance()] {
        const bool ok = work();
        QMetaObject::invokeMethod(
            main,
            [self, ok] {
                if (!self || !self->m_delegate)
                    return;
                if (ok)
                    self->m_delegate->extractorDidFinish(self);
                else
                    self->m_delegate->extractorDidFail(self);
            },
            Qt::QueuedConnection);
    }).detach();
}

void ZRUpdateDMGMounter::mountPath(const QString& path, bool sandboxed) {
    runInBackground([path, sandboxed] {
        const QString volume = ZRUpdaterFileManager::diskImageVolumePath(path);
        ::rmdir(QFile::encodeName(volume).constData()); // an empty one left by an earlier attempt
        if (::mkdir(QFile::encodeName(volume).constData(), 0700) != 0) {
            log(QStringLiteral("ERROR could not make the folder %1 for the disk image").arg(volume));
            return false;
        }
        // The child's exit must reach the waiting call, whatever the application did with SIGCHLD.
        struct sigaction previous {};
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(SIGCHLD, &standard, &previous);
        const int status = terminationStatusOfTaskWithLaunchPath(
            QStringLiteral("/usr/bin/env"), ZRUpdaterFileManager::attachDiskImageArguments(path, volume),
            sandboxed);
        ::sigaction(SIGCHLD, &previous, nullptr);
        if (status != 0)
            ::rmdir(QFile::encodeName(volume).constData());
        return status == 0;
    });
}

void ZRUpdateDMGMounter::detach(const QString& volume, bool sandboxed) {
    const QString real = QFileInfo(volume).canonicalFilePath();
    if (real.isEmpty())
        return;
    const auto entry = Platform::MountTable::entryForPath(Platform::MountTable::current(), real);
    if (entry && entry->mountPoint == real) {
        const int status = terminationStatusOfTaskWithLaunchPath(
            QStringLiteral("/usr/bin/env"), ZRUpdaterFileManager::detachDiskImageArguments(volume),
            sandboxed);
        if (status != 0)
            log(QStringLiteral("ERROR could not detach the disk image at %1 (%2)").arg(volume).arg(status));
    }
    ::rmdir(QFile::encodeName(volume).constData());
}

QString ZRUpdateZIPExtractor::unsafeEntryReason(const QString& entryName) {
    if (entryName.isEmpty())
        return QStringLiteral("an entry without a name");
    if (entryName.startsWith(QLatin1Char('/')) || entryName.startsWith(QLatin1Char('\\')) ||
        (entryName.size() > 1 && entryName.at(1) == QLatin1Char(':')))
        return QStringLiteral("the absolute entry %1").arg(entryName);
    const QStringList parts =
        QString(entryName).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    if (parts.contains(QStringLiteral("..")))
        return QStringLiteral("the entry %1 leads outside").arg(entryName);
    return {};
}

QString ZRUpdateZIPExtractor::escapingLinkBelow(const QString& folder) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo item(it.next());
        if (!item.isSymLink())
            continue;
        const QString target = item.canonicalFilePath();
        // A dangling link is judged by where its text points.
        const QString pointsTo =
            target.isEmpty() ? QDir::cleanPath(QDir(item.path()).absoluteFilePath(item.symLinkTarget()))
                             : target;
        if (root.isEmpty() || !(pointsTo == root || pointsTo.startsWith(root + QLatin1Char('/'))))
            return item.filePath();
    }
    return {};
}

void ZRUpdateZIPExtractor::unzipPath(const QString& path, bool sandboxed) {
    runInBackground([path, sandboxed] {
        const QString folder = QFileInfo(path).path();
        // The names are read before anything is written, so that nothing lands outside the folder.
        QProcess listing;
        listing.start(QStringLiteral("/usr/bin/env"), {QStringLiteral("unzip"), QStringLiteral("-Z1"), path});
        if (!listing.waitForFinished(-1) || listing.exitStatus() != QProcess::NormalExit ||
            listing.exitCode() != 0) {
            log(QStringLiteral("ERROR could not list the archive %1").arg(path));
            return false;
        }
        for (const QByteArray& line : listing.readAllStandardOutput().split('\n')) {
            if (line.isEmpty())
                continue;
            const QString reason = unsafeEntryReason(QString::fromUtf8(line));
            if (!reason.isEmpty()) {
                log(QStringLiteral("ERROR refusing the archive %1: %2").arg(path, reason));
                return false;
            }
        }
        const int status =
            terminationStatusOfTaskWithLaunchPath(QStringLiteral("/usr/bin/env"),
                                                  {QStringLiteral("unzip"), QStringLiteral("-o"),
                                                   QStringLiteral("-qq"), QStringLiteral("-d"), folder, path},
                                                  sandboxed);
        if (status != 0)
            return false;
        const QString link = escapingLinkBelow(folder);
        if (!link.isEmpty()) {
            log(QStringLiteral("ERROR the archive %1 holds a link that leads outside: %2").arg(path, link));
            return false;
        }
        return true;
    });
}
