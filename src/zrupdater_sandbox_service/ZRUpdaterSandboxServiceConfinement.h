#pragma once

#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"

#include <QString>
#include <QStringList>

#include <optional>

/*! What the service may touch on behalf of its application: the application's own bundle as the thing
    replaced and relaunched, and the updater's folders in the temporary directory as the place where
    downloads, unpacked releases and the relaunch's leftovers lie. A bundle running from a read-only disk
    image may also be copied to, and relaunched from, its place in the installation folder. Tools are
    limited to the unpacking command lines. Paths are compared after resolving links and "..", so neither
   leads outside. */
class ZRUpdaterSandboxServiceConfinement {
public:
    ZRUpdaterSandboxServiceConfinement(const QString& bundlePath, const QStringList& updateFolders);
    /*! The bundle with this user's updater folders (ZRUpdaterFolders). Update folders are taken only
        when each is a real folder of this user that nobody else may write to, by its real path. */
    static ZRUpdaterSandboxServiceConfinement forBundle(const QString& bundlePath);

    /*! Why the request is not allowed, or nullopt when it is. */
    std::optional<QString> refusal(const ZRUpdaterSandboxServiceMessages::Request& request) const;

    /*! The path names something strictly below one of the update folders. */
    bool isInsideUpdateFolder(const QString& path) const;
    /*! The path names the bundle itself. */
    bool isBundle(const QString& path) const;
    /*! The path names the bundle's place in the installation folder (where the start-from-disk-image
        check copies it to). */
    bool isInstalledCopy(const QString& path) const;

private:
    std::optional<QString> toolRefusal(const QString& launchPath, const QStringList& arguments) const;

    QString m_bundlePath;
    QStringList m_updateFolders;
};
