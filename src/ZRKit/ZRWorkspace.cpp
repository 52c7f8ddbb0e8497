#include "ZRKit/ZRWorkspace.h"

#include "Platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <unistd.h>

namespace ZRWorkspace {

namespace {

QStringList processIds(const QString& procPath) {
    QStringList ids;
    for (const QString& entry : QDir(procPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        bool ok = false;
        entry.toInt(&ok);
        if (ok)
            ids.append(entry);
    }
    return ids;
}

} // namespace

bool amIAlreadyRunning(const QString& procPath) {
    const QString identifier = Platform::Bundle::mainBundle().bundleIdentifier();
    if (identifier.isEmpty())
        return false;
    const QString own = QString::number(::getpid());
    QHash<QString, bool> bundleMatches;
    for (const QString& pid : processIds(procPath)) {
        if (pid == own)
            continue;
        QString executable = QFile::symLinkTarget(procPath + QLatin1Char('/') + pid + QStringLiteral("/exe"));
        if (executable.isEmpty())
            continue;
        // A running executable that an update has since replaced still counts.
        executable.remove(QStringLiteral(" (deleted)"));
        const QFileInfo info(executable);
        if (info.dir().dirName() != QLatin1String("bin"))
            continue;
        const QString bundlePath = QFileInfo(info.absolutePath()).absolutePath();
        auto known = bundleMatches.constFind(bundlePath + QLatin1Char('/') + info.fileName());
        if (known == bundleMatches.cend()) {
            const Platform::Bundle bundle(bundlePath);
            const bool matches =
                bundle.bundleIdentifier() == identifier &&
                bundle.infoDictionary().value(QStringLiteral("CFBundleExecutable")).toString() ==
                    info.fileName();
            known = bundleMatches.insert(bundlePath + QLatin1Char('/') + info.fileName(), matches);
        }
        if (*known)
            return true;
    }
    return false;
}

QList<QVariantMap> launchedBSDProcessInformations(const QString& procPath) {
    QList<QVariantMap> processes;
    for (const QString& pid : processIds(procPath)) {
        QFile comm(procPath + QLatin1Char('/') + pid + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        QByteArray name = comm.read(256);
        const qsizetype end = name.indexOf('\0');
        if (end >= 0)
            name.truncate(end);
        if (name.endsWith('\n'))
            name.chop(1);
        processes.append(QVariantMap{{QStringLiteral("name"), QString::fromUtf8(name)},
                                     {QStringLiteral("id"), QString::number(pid.toInt())}});
    }
    return processes;
}

} // namespace ZRWorkspace
