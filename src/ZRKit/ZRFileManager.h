#pragma once

#include <QStandardPaths>
#include <QString>

/*! Folder helpers. None reports an error other than through its result. */
namespace ZRFileManager {

/*! Creates the folder and every missing parent; true also when it is there already. */
bool createDirectoryRecursiveAtPath(const QString& path);

/*! The first <folder>/<fileName> that exists, over the folders of that kind in the platform's order; a null
    string when there is none. */
QString pathToFile(const QString& fileName, QStandardPaths::StandardLocation searchPath);

/*! One private folder per process: $XDG_RUNTIME_DIR/<name>/<unique id> (without a private runtime folder:
    <temporary directory>/<name>-<user id>/<unique id>), fixed by the first call (a later name is ignored). It
   is made with mode 0700 and only ever made fresh: when something else has taken its place (a link, another
   user's folder) it logs "ERROR could not create tmp directory for downloads (should be <path>)" and answers
   a null string. A folder removed in between is made again. */
QString temporaryDirectoryWithName(const QString& name);

/*! This user's own place for the name: $XDG_RUNTIME_DIR/<name> when the runtime folder is a private folder
    of this user, else <temporary directory>/<name>-<user id>. Nothing is made. */
QString perUserTemporaryPath(const QString& name);

/*! The sum of the sizes of every item below the folder at any depth (folders count their own size, links
    their own size: links are never followed); unreadable items count 0; a missing folder is 0. */
qint64 sizeOfFolderAtPath(const QString& path);

} // namespace ZRFileManager
