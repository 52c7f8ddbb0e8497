#include "ZRKit/UI/ZRImage.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cmath>
#include <mutex>
#include <optional>

namespace {

qreal canvasScale() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

/*! A bitmap side in pixels for a length, or nothing when no bitmap can be that large (or it is not a
    positive number). */
std::optional<int> pixelExtent(double length) {
    constexpr double Largest = 32767; // QImage's limit per side
    if (!(length > 0) || !(length <= Largest))
        return std::nullopt;
    return std::max(1, static_cast<int>(std::ceil(length)));
}

/*! A transparent bitmap of that many pixels (rounded up), or a null image when no bitmap can be that
    large. */
QImage transparentBitmap(double width, double height) {
    const std::optional<int> pixelWidth = pixelExtent(width);
    const std::optional<int> pixelHeight = pixelExtent(height);
    if (!pixelWidth || !pixelHeight)
        return {};
    QImage bitmap(*pixelWidth, *pixelHeight, QImage::Format_ARGB32_Premultiplied);
    if (!bitmap.isNull())
        bitmap.fill(Qt::transparent);
    return bitmap;
}

QString sizeText(const QSizeF& size) {
    return QStringLiteral("{%1, %2}").arg(size.width()).arg(size.height());
}

void warnIfTooSmall(const QSizeF& size, const char* message) {
    if (size.width() < 1 || size.height() < 1)
        Platform::SystemLog::log(QLatin1String(message) + sizeText(size));
}

} // namespace

ZRImage::ZRImage(const QSizeF& size, const QImage& bitmap)
    : m_size(size) {
    if (!bitmap.isNull())
        m_representations.append({bitmap, size});
}

ZRImage ZRImage::fromBitmap(const QImage& bitmap) {
    if (bitmap.isNull())
        return {};
    return ZRImage(QSizeF(bitmap.size()), bitmap);
}

ZRImage ZRImage::imageWithData(const QByteArray& data) {
    return fromBitmap(QImage::fromData(data));
}

ZRImage ZRImage::imageWithCanvas(const QSizeF& size, const std::function<void(ZRGraphicsContext&)>& draw) {
    const qreal scale = canvasScale();
    QImage bitmap = transparentBitmap(size.width() * scale, size.height() * scale);
    if (bitmap.isNull())
        return ZRImage(size, QImage());
    {
        QPainter painter(&bitmap);
        painter.scale(bitmap.width() / size.width(), bitmap.height() / size.height());
        ZRGraphicsContext context(painter, size.height());
        draw(context);
    }
    return ZRImage(size, bitmap);
}

void ZRImage::addRepresentation(const ZRImageRep& representation) {
    if (m_representations.isEmpty() && m_size.isEmpty())
        m_size = representation.size;
    m_representations.append(representation);
}

const ZRImageRep* ZRImage::bestRepresentation() const {
    const ZRImageRep* best = nullptr;
    for (const ZRImageRep& rep : m_representations) {
        if (!best || qint64(rep.bitmap.width()) * rep.bitmap.height() >
                         qint64(best->bitmap.width()) * best->bitmap.height())
            best = &rep;
    }
    return best;
}

QImage ZRImage::toBitmap(qreal scale) const {
    QImage bitmap = transparentBitmap(m_size.width() * scale, m_size.height() * scale);
    if (bitmap.isNull())
        return {};
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    ZRGraphicsContext context(painter, m_size.height());
    drawInRect(context, QRectF(QPointF(0, 0), m_size));
    return bitmap;
}

QIcon ZRImage::toIcon() const {
    QIcon icon;
    for (const ZRImageRep& rep : m_representations) {
        QPixmap pixmap = QPixmap::fromImage(rep.bitmap);
        if (rep.size.width() > 0)
            pixmap.setDevicePixelRatio(rep.bitmap.width() / rep.size.width());
        icon.addPixmap(pixmap);
    }
    return icon;
}

void ZRImage::drawInRect(ZRGraphicsContext& context, const QRectF& destination, const QRectF& source,
                         ZRCompositingOperation operation, qreal fraction) const {
    const ZRImageRep* rep = bestRepresentation();
    if (!rep || m_size.isEmpty())
        return;
    const QRectF from = source.isNull() ? QRectF(QPointF(0, 0), m_size) : source;
    const qreal kx = rep->bitmap.width() / m_size.width();
    const qreal ky = rep->bitmap.height() / m_size.height();
    const QRectF pixels(from.x() * kx, (m_size.height() - from.y() - from.height()) * ky, from.width() * kx,
                        from.height() * ky);
    context.drawBitmap(rep->bitmap, destination, pixels, operation, fraction);
}

ZRImage ZRImage::scaledImageWithSize(const QSizeF& size) const {
    return scaledImageWithSizeUseInterpolation(size, ZRImageInterpolation::High);
}

ZRImage ZRImage::scaledImageWithSizeUseInterpolation(const QSizeF& size,
                                                     ZRImageInterpolation interpolation) const {
    warnIfTooSmall(size, "-[NSImage (ZRExtensions_Private) scaledImageWithSize:useInterpolation:] warning -- "
                         "image size too small: ");
    return imageWithCanvas(size, [&](ZRGraphicsContext& context) {
        context.setImageInterpolation(interpolation);
        drawInRect(context, QRectF(QPointF(0, 0), size), {}, ZRCompositingOperation::Copy, 1.0);
    });
}

ZRImage ZRImage::resampledImageOfSize(const QSizeF& size) const {
    // Whole pixels: the size's values truncated.
    QImage bitmap = transparentBitmap(std::floor(size.width()), std::floor(size.height()));
    if (bitmap.isNull())
        return ZRImage(size, QImage());
    {
        QPainter painter(&bitmap);
        ZRGraphicsContext context(painter, bitmap.height());
        context.setAntialiasing(true);
        context.setImageInterpolation(ZRImageInterpolation::High);
        drawInRect(context, QRectF(0, 0, bitmap.width(), bitmap.height()));
    }
    ZRImage image(size, bitmap);
    image.m_name = m_name;
    return image;
}

ZRImage ZRImage::reducedImageOfSize(const QSizeF& maximumSize) const {
    if (m_size.width() <= maximumSize.width() && m_size.height() <= maximumSize.height())
        return *this;
    const float factor = static_cast<float>(
        std::min(maximumSize.width() / m_size.width(), maximumSize.height() / m_size.height()));
    ZRImage reduced = *this;
    reduced.m_size = QSizeF(m_size.width() * factor, m_size.height() * factor);
    return reduced;
}

ZRImage ZRImage::reducedAndResampledImageOfMaximumSize(const QSizeF& maximumSize) const {
    ZRImage copy = *this;
    copy.m_size = QSizeF(largestBitmapImageRepSize());
    const ZRImage reduced = copy.reducedImageOfSize(maximumSize);
    return reduced.resampledImageOfSize(reduced.size());
}

ZRImage ZRImage::thumbnailOfSize(const QSizeF& size) const {
    warnIfTooSmall(size, "-[NSImage (ZRExtensions_Private) thumbnailOfSize:]warning: image size too small: ");
    return imageWithCanvas(
        size, [&](ZRGraphicsContext& context) { drawCenteredInRect(context, QRectF(QPointF(0, 0), size)); });
}

ZRImage ZRImage::imageWithCanvasSizeBackgroundColor(const QSizeF& size, const QColor& backgroundColor) const {
    warnIfTooSmall(size,
                   "-[NSImage (ZRExtensions_Private) imageWithCanvasSize:backgroundColor:] warning -- image "
                   "size too small: ");
    return imageWithCanvas(size, [&](ZRGraphicsContext& context) {
        context.setImageInterpolation(ZRImageInterpolation::High);
        context.setAntialiasing(true);
        context.fillRect(QRectF(QPointF(0, 0), size), backgroundColor);
        drawCenteredInRect(context, QRectF(QPointF(0, 0), size));
    });
}

void ZRImage::drawCenteredInRect(ZRGraphicsContext& context, const QRectF& rect) const {
    drawCenteredInRectOperationFraction(context, rect, ZRCompositingOperation::SourceOver, 1.0f);
}

void ZRImage::drawCenteredInRectOperationFraction(ZRGraphicsContext& context, const QRectF& rect,
                                                  ZRCompositingOperation operation, float fraction) const {
    drawCenteredInRectOperationFractionFrameColor(context, rect, operation, fraction, QColor());
}

std::optional<QRectF> ZRImage::centeredDrawingRectInRect(const QRectF& rect) const {
    if (!(m_size.width() > 0 && m_size.height() > 0))
        return std::nullopt;
    const float scale =
        static_cast<float>(std::min(rect.width() / m_size.width(), rect.height() / m_size.height()));
    const qreal width = std::floor(m_size.width() * scale);
    const qreal height = std::floor(m_size.height() * scale);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // The half point puts a one-point frame on whole pixels.
    return QRectF(std::floor(rect.x() + (rect.width() - width) / 2) + 0.5,
                  std::floor(rect.y() + (rect.height() - height) / 2) + 0.5, width, height);
}

void ZRImage::drawCenteredInRectOperationFractionFrameColor(ZRGraphicsContext& context, const QRectF& rect,
                                                            ZRCompositingOperation operation, float fraction,
                                                            const QColor& frameColor) const {
    const std::optional<QRectF> target = centeredDrawingRectInRect(rect);
    if (!target)
        return;
    drawInRect(context, *target, {}, operation, fraction);
    if (frameColor.isValid())
        context.strokeRect(*target, frameColor);
}

ZRImage ZRImage::imageByCroppingToRect(const QRectF& rect) const {
    if (rect.size().isEmpty())
        return {};
    return imageWithCanvas(rect.size(), [&](ZRGraphicsContext& context) {
        drawInRect(context, QRectF(QPointF(-rect.x(), -rect.y()), m_size));
    });
}

QList<ZRImage> ZRImage::imagesBySlicingWithEdgeInsets(qreal top, qreal left, qreal bottom,
                                                      qreal right) const {
    const qreal w = m_size.width();
    const qreal h = m_size.height();
    const qreal rows[3][2] = {{h - top, top}, {bottom, h - top - bottom}, {0, bottom}};
    const qreal columns[3][2] = {{0, left}, {left, w - left - right}, {w - right, right}};
    QList<ZRImage> slices;
    for (const auto& row : rows)
        for (const auto& column : columns)
            slices.append(imageByCroppingToRect(QRectF(column[0], row[0], column[1], row[1])));
    return slices;
}

ZRImage ZRImage::overlayImageOffset(const ZRImage& overlay, const QPointF& offset) const {
    Platform::parameterAssert(!overlay.isNull(), "overlay");
    const QSizeF canvas = overlay.size();
    return imageWithCanvas(canvas, [&](ZRGraphicsContext& context) {
        const QPointF origin((canvas.width() - m_size.width()) / 2 + offset.x(),
                             (canvas.height() - m_size.height()) / 2 + offset.y());
        drawInRect(context, QRectF(origin, m_size));
        overlay.drawInRect(context, QRectF(QPointF(0, 0), canvas));
    });
}

ZRImage ZRImage::rotateByAngle(float degrees) const {
    if (degrees == 0)
        return *this;
    const QSizeF size = (degrees == 90 || degrees == -90) ? m_size.transposed() : m_size;
    warnIfTooSmall(size,
                   "-[NSImage (ZRExtensions_Private) rotateByAngle:] warning -- image size too small: ");
    return imageWithCanvas(size, [&](ZRGraphicsContext& context) {
        QPainter& painter = context.painter();
        // In the painter's y-down space a counter-clockwise turn is a negative angle.
        painter.translate(size.width() / 2, size.height() / 2);
        painter.rotate(-degrees);
        painter.translate(-m_size.width() / 2, -m_size.height() / 2);
        ZRGraphicsContext rotated(painter, m_size.height());
        drawInRect(rotated, QRectF(QPointF(0, 0), m_size), {}, ZRCompositingOperation::Copy, 1.0);
    });
}

ZRImage ZRImage::imageFlippedVertical() const {
    if (m_size.width() == 0 || m_size.height() == 0)
        return *this;
    return imageWithCanvas(m_size, [&](ZRGraphicsContext& context) {
        QPainter& painter = context.painter();
        painter.translate(0, m_size.height());
        painter.scale(1, -1);
        ZRGraphicsContext flipped(painter, m_size.height());
        drawInRect(flipped, QRectF(QPointF(0, 0), m_size));
    });
}

const ZRImageRep* ZRImage::largestBitmapImageRep() const {
    const ZRImageRep* largest = nullptr;
    for (const ZRImageRep& rep : m_representations) {
        if (!largest || rep.size.width() * rep.size.height() > largest->size.width() * largest->size.height())
            largest = &rep;
    }
    return largest;
}

QSize ZRImage::largestBitmapImageRepSize() const {
    const ZRImageRep* rep = largestBitmapImageRep();
    return rep ? rep->bitmap.size() : QSize(0, 0);
}
