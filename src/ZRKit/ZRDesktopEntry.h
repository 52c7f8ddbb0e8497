#pragma once

#include <QString>

/*! The installed applications' desktop files (the freedesktop.org Desktop Entry format). */
namespace ZRDesktopEntry {

/*! The desktop file of the application with that desktop-file id ("org.kde.dolphin"), or a null string. */
QString pathForApplicationID(const QString& identifier);
/*! The first desktop file, over the data folders in their order, whose Name is the name, or a null string. */
QString pathForApplicationName(const QString& name);
/*! The value of a key in the [Desktop Entry] group of a desktop file; a null string when it has none. */
QString value(const QString& path, const QString& key);

} // namespace ZRDesktopEntry
