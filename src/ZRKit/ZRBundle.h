#pragma once

#include "Platform/Bundle.h"

#include <QString>
#include <QVariant>

/*! Version, name and per-application folder facts of a bundle. A result that does not exist is a null
    QString. Folders follow the XDG base directories: Application Support is $XDG_DATA_HOME/<name>, caches
    $XDG_CACHE_HOME/<name>, and the "Library" of the user is $XDG_CONFIG_HOME, where <name> is the
    Info.plist's own CFBundleName (never a localized one, so the folders stay when the language changes). */
namespace ZRBundle {

/*! The localized Info.plist value for the key, else the plain one, else an invalid QVariant. */
QVariant localizedOrNonLocalizedInfoDictionaryValueForKey(const Platform::Bundle& bundle, const QString& key);

QString humanReadableCopyright(const Platform::Bundle& bundle);
/*! "CFBundleShortVersionString", localized first. */
QString versionString(const Platform::Bundle& bundle);
/*! "CFBundleVersion" of the plain Info.plist only. */
QString bundleVersion(const Platform::Bundle& bundle);
/*! "2.1 (345)": versionString and bundleVersion; a missing one shows as "(null)". */
QString versionInfo(const Platform::Bundle& bundle);
/*! "CFBundleName", localized first. */
QString bundleName(const Platform::Bundle& bundle);
/*! The localized "CFBundleDisplayName", else bundleName (the plain display name is not consulted). */
QString bundleDisplayName(const Platform::Bundle& bundle);

/*! $XDG_DATA_HOME/<bundle name> (the temporary directory stands in when there is no data location). A
    bundle without a name uses its folder's base name. */
QString applicationSupportFolder(const Platform::Bundle& bundle);
/*! applicationSupportFolder, created with its parents when nothing is there. When a plain file is in the
    way it logs "Cannot create data directory because plain file exists at path ..." and still answers the
    path. */
QString existingApplicationSupportFolder(const Platform::Bundle& bundle);
/*! $XDG_CACHE_HOME/<bundle name>. */
QString applicationCachesDirectory(const Platform::Bundle& bundle);

/*! usersLibraryDirectory/Preferences/<bundle identifier>.plist */
QString preferencesFilePath(const Platform::Bundle& bundle);
/*! usersLibraryDirectory/Containers/<bundle identifier> */
QString containerFolderPath(const Platform::Bundle& bundle);
/*! containerFolderPath/Data/Library */
QString libraryFolderPathInContainerFolder(const Platform::Bundle& bundle);
QString applicationSupportFolderPathInContainer(const Platform::Bundle& bundle);
QString applicationCachesFolderPathInContainer(const Platform::Bundle& bundle);
QString preferencesFilePathInContainer(const Platform::Bundle& bundle);
/*! The user's configuration folder ($XDG_CONFIG_HOME), or the temporary directory when there is none. */
QString usersLibraryDirectory();

} // namespace ZRBundle
