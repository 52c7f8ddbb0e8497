#pragma once

#include "Platform/Bundle.h"

#include <QImage>
#include <QString>

/*! There are no Core Animation layers here. What stays is what a layer would be made of: the bitmap of a
    bundle image resource at a contents scale, and a record of contents and scale for whoever draws it. */
struct ZRLayerContents {
    QImage contents;
    qreal contentsScale = 1.0;
};

/*! Image references for layers: a scale is 2.0 with useRetina and 1.0 without; the main bundle where no
    bundle is given. */
namespace ZRLayer {

/*! The bundle's image resource (name.png, .jpg or .svg in Resources, or in Resources/images) as a bitmap
    whose device pixel ratio is the scale; a null image when there is none. */
QImage newImageRefNamedFromBundleContentsScale(const QString& name, const Platform::Bundle& bundle,
                                               qreal scale);
QImage newImageRefNamedContentsScale(const QString& name, qreal scale);
QImage newImageRefNamedUseRetina(const QString& name, bool useRetina);
QImage newImageRefNamedFromBundleUseRetina(const QString& name, const Platform::Bundle& bundle,
                                           bool useRetina);

ZRLayerContents layerWithImageNamedFromBundleContentsScale(const QString& name,
                                                           const Platform::Bundle& bundle, qreal scale);
ZRLayerContents layerWithImageNamedContentsScale(const QString& name, qreal scale);
ZRLayerContents layerWithImageNamedUseRetina(const QString& name, bool useRetina);
ZRLayerContents layerWithImageNamedFromBundleUseRetina(const QString& name, const Platform::Bundle& bundle,
                                                       bool useRetina);

} // namespace ZRLayer
