#include "ZRKit/ZRBundle.h"

#include "Platform/SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ZRBundle {

namespace {

QString stringValue(const QVariant& value) {
    return value.isValid() ? value.toString() : QString();
}

QString appending(const QString& folder, const QString& component) {
    return QDir::cleanPath(folder + QLatin1Char('/') + component);
}

QString firstLocation(QStandardPaths::StandardLocation location) {
    const QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? QDir::tempPath() : path;
}

// The folders keep the Info.plist's own name: a localized one would move the user's files to another folder
// whenever the desktop's language changes.
QString folderName(const Platform::Bundle& bundle) {
    const QString name = stringValue(bundle.infoDictionary().value(QStringLiteral("CFBundleName")));
    return name.isEmpty() ? QFileInfo(bundle.bundlePath()).completeBaseName() : name;
}

} // namespace

QVariant localizedOrNonLocalizedInfoDictionaryValueForKey(const Platform::Bundle& bundle,
                                                          const QString& key) {
    return bundle.objectForInfoDictionaryKey(key);
}

QString humanReadableCopyright(const Platform::Bundle& bundle) {
    return stringValue(bundle.objectForInfoDictionaryKey(QStringLiteral("NSHumanReadableCopyright")));
}

QString versionString(const Platform::Bundle& bundle) {
    return stringValue(bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")));
}

QString bundleVersion(const Platform::Bundle& bundle) {
    return stringValue(bundle.infoDictionary().value(QStringLiteral("CFBundleVersion")));
}

QString versionInfo(const Platform::Bundle& bundle) {
    const auto shown = [](const QString& text) { return text.isNull() ? QStringLiteral("(null)") : text; };
    return QStringLiteral("%1 (%2)").arg(shown(versionString(bundle)), shown(bundleVersion(bundle)));
}

QString bundleName(const Platform::Bundle& bundle) {
    return stringValue(bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleName")));
}

QString bundleDisplayName(const Platform::Bundle& bundle) {
    const QVariant localized = bundle.localizedInfoDictionary().value(QStringLiteral("CFBundleDisplayName"));
    return localized.isValid() ? localized.toString() : bundleName(bundle);
}

QString applicationSupportFolder(const Platform::Bundle& bundle) {
    return appending(firstLocation(QStandardPaths::GenericDataLocation), folderName(bundle));
}

QString existingApplicationSupportFolder(const Platform::Bundle& bundle) {
    const QString path = applicationSupportFolder(bundle);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        QDir().mkpath(path);
    else if (!info.isDir())
        Platform::SystemLog::log(
            QStringLiteral("Cannot create data directory because plain file exists at path %1").arg(path));
    return path;
}

QString applicationCachesDirectory(const Platform::Bundle& bundle) {
    return appending(firstLocation(QStandardPaths::GenericCacheLocation), folderName(bundle));
}

QString preferencesFilePath(const Platform::Bundle& bundle) {
    return appending(usersLibraryDirectory(),
                     QStringLiteral("Preferences/") + bundle.bundleIdentifier() + QStringLiteral(".plist"));
}

QString containerFolderPath(const Platform::Bundle& bundle) {
    return appending(usersLibraryDirectory(), QStringLiteral("Containers/") + bundle.bundleIdentifier());
}

QString libraryFolderPathInContainerFolder(const Platform::Bundle& bundle) {
    return appending(containerFolderPath(bundle), QStringLiteral("Data/Library"));
}

QString applicationSupportFolderPathInContainer(const Platform::Bundle& bundle) {
    return appending(libraryFolderPathInContainerFolder(bundle),
                     QStringLiteral("Application Support/") + folderName(bundle));
}

QString applicationCachesFolderPathInContainer(const Platform::Bundle& bundle) {
    return appending(libraryFolderPathInContainerFolder(bundle),
                     QStringLiteral("Caches/") + folderName(bundle));
}

QString preferencesFilePathInContainer(const Platform::Bundle& bundle) {
    return appending(libraryFolderPathInContainerFolder(bundle),
                     QStringLiteral("Preferences/") + bundle.bundleIdentifier() + QStringLiteral(".plist"));
}

QString usersLibraryDirectory() {
    return firstLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace ZRBundle
