#include "ZRKit/UI/ZRWorkspaceIcon.h"

#include "ZRKit/UI/ZRImage.h"

#include <QApplication>
#include <QStyle>

namespace ZRWorkspace {

QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier) {
    const ZRImage image = ZRImage::imageForApplicationBundleID(bundleIdentifier);
    if (!image.isNull())
        return image.toIcon();
    if (QIcon::hasThemeIcon(QStringLiteral("application-x-executable")))
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
}

} // namespace ZRWorkspace
