#include "ZRKit/UI/ZRLayer.h"

#include <QIcon>
#include <QPixmap>

namespace ZRLayer {

namespace {

qreal scaleFor(bool useRetina) {
    return useRetina ? 2.0 : 1.0;
}

QString imageResourcePath(const QString& name, const Platform::Bundle& bundle) {
    for (const QString& folder : {QString(), QStringLiteral("images/")}) {
        for (const char* type : {"png", "jpg", "svg"}) {
            const QString path = bundle.pathForResource(folder + name, QLatin1String(type));
            if (!path.isEmpty())
                return path;
        }
    }
    return {};
}

} // namespace

QImage newImageRefNamedFromBundleContentsScale(const QString& name, const Platform::Bundle& bundle,
                                               qreal scale) {
    const QString path = imageResourcePath(name, bundle);
    if (path.isEmpty() || !(scale > 0))
        return {};
    QImage image;
    if (path.endsWith(QLatin1String(".svg"))) {
        const QIcon icon(path);
        const QSize available = icon.availableSizes().value(0, QSize(32, 32));
        image = icon.pixmap(available).toImage();
    } else {
        image = QImage(path);
    }
    if (image.isNull())
        return {};
    // Sized for a rectangle of (width / scale, height / scale) points: every pixel is kept.
    image.setDevicePixelRatio(scale);
    return image;
}

QImage newImageRefNamedContentsScale(const QString& name, qreal scale) {
    return newImageRefNamedFromBundleContentsScale(name, Platform::Bundle::mainBundle(), scale);
}

QImage newImageRefNamedUseRetina(const QString& name, bool useRetina) {
    return newImageRefNamedContentsScale(name, scaleFor(useRetina));
}

QImage newImageRefNamedFromBundleUseRetina(const QString& name, const Platform::Bundle& bundle,
                                           bool useRetina) {
    return newImageRefNamedFromBundleContentsScale(name, bundle, scaleFor(useRetina));
}

ZRLayerContents layerWithImageNamedFromBundleContentsScale(const QString& name,
                                                           const Platform::Bundle& bundle, qreal scale) {
    return ZRLayerContents{newImageRefNamedFromBundleContentsScale(name, bundle, scale), scale};
}

ZRLayerContents layerWithImageNamedContentsScale(const QString& name, qreal scale) {
    return layerWithImageNamedFromBundleContentsScale(name, Platform::Bundle::mainBundle(), scale);
}

ZRLayerContents layerWithImageNamedUseRetina(const QString& name, bool useRetina) {
    return layerWithImageNamedContentsScale(name, scaleFor(useRetina));
}

ZRLayerContents layerWithImageNamedFromBundleUseRetina(const QString& name, const Platform::Bundle& bundle,
                                                       bool useRetina) {
    return layerWithImageNamedFromBundleContentsScale(name, bundle, scaleFor(useRetina));
}

} // namespace ZRLayer
