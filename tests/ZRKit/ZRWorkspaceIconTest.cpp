#include "ZRKit/UI/ZRWorkspaceIcon.h"
#include "ZRKit/UI/ZRImage.h"

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
