#pragma once

#include <QIcon>
#include <QString>

namespace ZRWorkspace {

/*! The icon of the application with that identifier (its desktop-file id): the icon its desktop file
    names, found as ZRImage::imageForApplicationBundleID finds it; else the theme's generic application
    icon. */
QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier);

} // namespace ZRWorkspace
