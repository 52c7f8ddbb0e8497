#pragma once

#include <QString>
#include <QStringList>

/*! Where the updater keeps its files, shared by the application and its service. Both folders lie in
    this user's own temporary folder ($XDG_RUNTIME_DIR when it is private, else <temp>/<name>-<uid>), so
    that no other user can make them in advance or put a link in their place. */
namespace ZRUpdaterFolders {

/*! The parent of this user's download folders: <per-user>/DunwarbeckDownloads. */
QString downloadsParent();

/*! The folder the start-from-disk-image relaunch removes: <per-user>/diskimagestartupcheck. */
QString diskImageStartupCheckFolder();

/*! Where this system installs application bundles for the user: ~/.local/lib (the default of
    `cmake --install`), the counterpart of the Applications folder. */
QString installationFolder();

/*! The download and start-up check folders: what the service may copy from, release and remove below. */
QStringList updateFolders();

/*! Makes the folder with mode 0700, or accepts it when it is already a real folder of this user (never
    a link) that nobody else may write to, and with isPrivate that nobody else may enter. */
bool makeOwnFolder(const QString& path, bool isPrivate);

/*! The real path of the folder when it is a real folder (not a link) of this user that nobody else may
    write to; a null string otherwise (also when it does not exist). */
QString trustedFolder(const QString& path);

} // namespace ZRUpdaterFolders
