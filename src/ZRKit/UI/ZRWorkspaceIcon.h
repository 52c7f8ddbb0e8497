#pragma once

#include <QIcon>
#include <QString>

namespace ZRWorkspace {

/*! The desktop theme's icon for the application with that identifier (the identifier is the icon name that
    its .desktop file installs), else the theme's generic application icon. */
QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier);

} // namespace ZRWorkspace
