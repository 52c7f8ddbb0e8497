#pragma once

#include "ZRKit/UI/ZRImage.h"

#include <QIcon>
#include <QString>

/*! Kit images from icons: the theme's, and those that desktop files name. */
namespace ZRIconLookup {

/*! Every size the icon offers as one representation each (128 x 128 when it names none); null for a null
    icon. */
ZRImage imageFromIcon(const QIcon& icon);
/*! An icon as a desktop file names it: an absolute path, an icon of the theme, or a file of the shared
    pixmaps; a null image when none is found. */
ZRImage imageForIconValue(const QString& icon);

} // namespace ZRIconLookup
