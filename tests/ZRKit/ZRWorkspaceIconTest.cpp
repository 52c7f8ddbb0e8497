#include "ZRKit/UI/ZRWorkspaceIcon.h"
#include "ZRKit/UI/ZRImage.h"
#include "ZRKit/ZRDesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

TEST(ZRWorkspaceIconTest, EveryIdentifierGetsSomeIconEvenWithoutATheme) {
    EXPECT_FALSE(
        ZRWorkspace::iconForAppWithBundleIdentifier(QStringLiteral("org.example.NoSuchApp")).isNull());
    EXPECT_FALSE(ZRWorkspace::iconForAppWithBundleIdentifier(QString()).isNull());
}

TEST(ZRWorkspaceIconTest, TheIconIsTheOneTheApplicationsDesktopFileNames) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(data + QStringLiteral("/applications"));
    // An icon that no theme knows by the identifier: only the desktop file leads to it.
    const QString iconPath = data + QStringLiteral("/workspace-tool.png");
    QImage bitmap(40, 40, QImage::Format_ARGB32);
    bitmap.fill(Qt::magenta);
    ASSERT_TRUE(bitmap.save(iconPath));
    QFile desktop(data + QStringLiteral("/applications/org.example.WorkspaceTool.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Workspace Tool\nIcon=" + iconPath.toUtf8() + "\n");
    desktop.close();

    const QIcon icon =
        ZRWorkspace::iconForAppWithBundleIdentifier(QStringLiteral("org.example.WorkspaceTool"));
    ASSERT_FALSE(icon.isNull());
    const QImage shown = icon.pixmap(QSize(40, 40)).toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(20, 20), QColor(Qt::magenta));
    EXPECT_EQ(icon.availableSizes(),
              ZRImage::imageForApplicationBundleID(QStringLiteral("org.example.WorkspaceTool"))
                  .toIcon()
                  .availableSizes());
}

// Run by the scripts test after `cmake --install` to a prefix whose share/ leads XDG_DATA_DIRS:
// the installed desktop file and icon are what the lookups find for the application's identifier.
TEST(ZRWorkspaceIconTest, TheInstalledApplicationIsFoundByItsIdentifier) {
    const QString prefix = qEnvironmentVariable("CORVANTIDE_INSTALLED_PREFIX");
    if (prefix.isEmpty())
        GTEST_SKIP() << "run by tests/scripts/ScriptsTest.sh after installing";
    // The offscreen platform has no icon theme: set up what a desktop's platform theme does (the icons
    // folders of the XDG data folders, a theme that falls back to hicolor).
    QIcon::setThemeSearchPaths(QStandardPaths::locateAll(
        QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    const QString identifier = QStringLiteral("com.dunwarbeck.Corvantide");
    EXPECT_EQ(ZRDesktopEntry::pathForApplicationID(identifier),
              prefix + QStringLiteral("/share/applications/com.dunwarbeck.Corvantide.desktop"));
    EXPECT_FALSE(ZRImage::imageForApplicationBundleID(identifier).isNull());
}
