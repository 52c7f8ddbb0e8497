#include "ZRKit/UI/ZRIconLookup.h"

#include "ZRKit/ZRDesktopEntry.h"

#include <QDir>
#include <QPixmap>
#include <QStandardPaths>

namespace ZRIconLookup {

ZRImage imageFromIcon(const QIcon& icon) {
    if (icon.isNull())
        return {};
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(128, 128)};
    ZRImage image;
    for (const QSize& size : sizes) {
        const QImage bitmap = icon.pixmap(size).toImage();
        if (!bitmap.isNull())
            image.addRepresentation({bitmap, QSizeF(size)});
    }
    if (const ZRImageRep* largest = image.largestBitmapImageRep())
        image.setSize(largest->size);
    return image;
}

ZRImage imageForIconValue(const QString& icon) {
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return ZRImage::fromBitmap(QImage(icon));
    ZRImage image = imageFromIcon(QIcon::fromTheme(icon));
    if (image.isNull()) {
        const QString pixmap = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                      QStringLiteral("pixmaps/%1.png").arg(icon));
        if (!pixmap.isEmpty())
            image = ZRImage::fromBitmap(QImage(pixmap));
    }
    return image;
}

} // namespace ZRIconLookup

ZRImage ZRImage::imageForApplicationBundleID(const QString& identifier) {
    const QString path = ZRDesktopEntry::pathForApplicationID(identifier);
    if (path.isEmpty())
        return {};
    return ZRIconLookup::imageForIconValue(ZRDesktopEntry::value(path, QStringLiteral("Icon")));
}

ZRImage ZRImage::imageForApplicationName(const QString& name) {
    const QString path = ZRDesktopEntry::pathForApplicationName(name);
    if (path.isEmpty())
        return {};
    return ZRIconLookup::imageForIconValue(ZRDesktopEntry::value(path, QStringLiteral("Icon")));
}
