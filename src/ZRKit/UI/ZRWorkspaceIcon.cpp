#include "ZRKit/UI/ZRWorkspaceIcon.h"

#include <QApplication>
#include <QStyle>

namespace ZRWorkspace {

QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier) {
    if (!bundleIdentifier.isEmpty() && QIcon::hasThemeIcon(bundleIdentifier))
        return QIcon::fromTheme(bundleIdentifier);
    if (QIcon::hasThemeIcon(QStringLiteral("application-x-executable")))
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
}

} // namespace ZRWorkspace
