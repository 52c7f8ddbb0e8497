#pragma once

#include "ZRKit/UI/ZRColor.h"
#include "ZRKit/UI/ZRGraphicsContext.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

/*! One bitmap of an image: its pixels and the size in points it stands for. */
struct ZRImageRep {
    QImage bitmap;
    QSizeF size;
};

/*! An image with a size in points and one or more bitmap representations of it (for example 1x and 2x),
    with the kit's scaling, cropping, slicing, tinting, rotation and writing operations. All rectangles
    and points have their origin at the bottom left of the image, y upwards. Cheap to copy. */
class ZRImage {
public:
    ZRImage() = default;
    /*! An image of the size with the bitmap as its one representation (null bitmap: no representation). */
    ZRImage(const QSizeF& size, const QImage& bitmap);
    /*! The bitmap at its pixel size in points. */
    static ZRImage fromBitmap(const QImage& bitmap);
    static ZRImage imageWithData(const QByteArray& data);
    /*! A registered image of that name (setName; any thread), else one of the application's images
        (Resources/images/<name>.png or .svg), else the icon theme's; a null image when none. */
    static ZRImage imageNamed(const QString& name);
    /*! The icon of the installed application with that desktop-file id ("org.kde.dolphin"). */
    static ZRImage imageForApplicationBundleID(const QString& identifier);
    /*! The icon of the installed application with that name (its desktop file's Name). */
    static ZRImage imageForApplicationName(const QString& name);

    /*! An image of the size whose one bitmap holds what `draw` paints on it (points, bottom-left). */
    static ZRImage imageWithCanvas(const QSizeF& size, const std::function<void(ZRGraphicsContext&)>& draw);

    bool isNull() const { return m_representations.isEmpty(); }
    QSizeF size() const { return m_size; }
    void setSize(const QSizeF& size) { m_size = size; }
    const QList<ZRImageRep>& representations() const { return m_representations; }
    void addRepresentation(const ZRImageRep& representation);

    QString name() const { return m_name; }
    /*! Names the image and registers it for imageNamed(); an empty name unregisters it. */
    void setName(const QString& name);
    bool isTemplate() const { return m_template; }
    void setTemplate(bool isTemplate) { m_template = isTemplate; }

    /*! The image rendered at its size times the scale, in pixels. */
    QImage toBitmap(qreal scale = 1.0) const;
    /*! Every representation as a pixmap of one icon. */
    QIcon toIcon() const;

    /*! Draws the part `source` of the image (points; null rect: all of it) into `destination`. */
    void drawInRect(ZRGraphicsContext& context, const QRectF& destination, const QRectF& source = {},
                    ZRCompositingOperation operation = ZRCompositingOperation::SourceOver,
                    qreal fraction = 1.0) const;

    ZRImage scaledImageWithSize(const QSizeF& size) const;
    ZRImage scaledImageWithSizeUseInterpolation(const QSizeF& size, ZRImageInterpolation interpolation) const;
    ZRImage resampledImageOfSize(const QSizeF& size) const;
    ZRImage reducedImageOfSize(const QSizeF& maximumSize) const;
    ZRImage reducedAndResampledImageOfMaximumSize(const QSizeF& maximumSize) const;
    ZRImage thumbnailOfSize(const QSizeF& size) const;
    ZRImage imageWithCanvasSizeBackgroundColor(const QSizeF& size, const QColor& backgroundColor) const;

    void drawCenteredInRect(ZRGraphicsContext& context, const QRectF& rect) const;
    void drawCenteredInRectOperationFraction(ZRGraphicsContext& context, const QRectF& rect,
                                             ZRCompositingOperation operation, float fraction) const;
    /*! Scales the image to fit the rectangle (growing or shrinking, aspect kept), centred on whole
        pixels; an invalid frame colour draws no frame. */
    void drawCenteredInRectOperationFractionFrameColor(ZRGraphicsContext& context, const QRectF& rect,
                                                       ZRCompositingOperation operation, float fraction,
                                                       const QColor& frameColor) const;
    /*! Where drawCenteredInRect draws the image; nothing when the image would have no size. */
    std::optional<QRectF> centeredDrawingRectInRect(const QRectF& rect) const;

    ZRImage imageByCroppingToRect(const QRectF& rect) const;
    /*! Nine crops: top-left, top-middle, top-right, middle-left, centre, middle-right, bottom-left,
        bottom-middle, bottom-right. */
    QList<ZRImage> imagesBySlicingWithEdgeInsets(qreal top, qreal left, qreal bottom, qreal right) const;
    /*! The overlay's size; this image centred on it and moved by the offset, the overlay above it. */
    ZRImage overlayImageOffset(const ZRImage& overlay, const QPointF& offset) const;
    /*! Rotated counter-clockwise about the centre; 90 and -90 degrees swap width and height. */
    ZRImage rotateByAngle(float degrees) const;
    ZRImage imageFlippedVertical() const;

    const ZRImageRep* largestBitmapImageRep() const;
    QSize largestBitmapImageRepSize() const;

    bool writeAsJPEGToPath(const QString& path) const;
    bool writeAsPNGToPath(const QString& path) const;

    /*! The image tinted with the desktop's accent colour (with the system effect when it is not None).
        The image must have a name; results are cached by name, colour, effect and appearance. */
    ZRImage zr_imageTintedWithAccentColorAddSystemEffect(ZRColorSystemEffect effect) const;
    static ZRImage zr_imageNamedTintedWithAccentColorAddSystemEffect(const QString& name,
                                                                     ZRColorSystemEffect effect);
    static ZRImage zr_accentColorTintedImageNamed(const QString& name);
    static QHash<QString, ZRImage>& zr_imageCache();

private:
    const ZRImageRep* bestRepresentation() const;

    QSizeF m_size;
    QList<ZRImageRep> m_representations;
    QString m_name;
    bool m_template = false;
};
