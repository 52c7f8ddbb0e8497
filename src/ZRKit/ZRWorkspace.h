#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

/*! Facts about the machine's other processes, read from the process table in /proc. */
namespace ZRWorkspace {

/*! True when another process runs an application bundle with the main bundle's identifier: its executable
    is <bundle>/bin/<CFBundleExecutable> of a bundle whose Info.plist has that identifier. Only processes
    whose executable we may see (our own user's) count. */
bool amIAlreadyRunning(const QString& procPath = QStringLiteral("/proc"));

/*! One entry per process: "name" (its command name) and "id" (its process id as decimal text). An
    unreadable table gives an empty list. */
QList<QVariantMap> launchedBSDProcessInformations(const QString& procPath = QStringLiteral("/proc"));

} // namespace ZRWorkspace
