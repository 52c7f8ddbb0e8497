#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;

/*! How a drawn image combines with what is below it. */
enum class ZRCompositingOperation { Copy = 1, SourceOver = 2 };

/*! Image interpolation quality while scaling. */
enum class ZRImageInterpolation { Default = 0, None = 1, Low = 2, High = 3, Medium = 4 };

/*! The drawing surface of the kit's image and path code. Callers give rectangles, points and paths with
    the origin at the bottom left and y upwards; this is the one place where they become the painter's
    top-left coordinates. */
class ZRGraphicsContext {
public:
    /*! Draws with the painter on a surface `height` points high. */
    ZRGraphicsContext(QPainter& painter, qreal height);

    QPainter& painter() const { return m_painter; }
    qreal height() const { return m_height; }

    QRectF toDevice(const QRectF& rect) const;
    QPointF toDevice(const QPointF& point) const;
    QPainterPath toDevice(const QPainterPath& path) const;

    void setImageInterpolation(ZRImageInterpolation interpolation);
    void setAntialiasing(bool on);

    /*! Draws `source` (pixels of the bitmap, top-left origin) into `destination`. */
    void drawBitmap(const QImage& bitmap, const QRectF& destination, const QRectF& source,
                    ZRCompositingOperation operation, qreal fraction);
    void fillRect(const QRectF& rect, const QColor& color);
    /*! A one-point line along the rectangle. */
    void strokeRect(const QRectF& rect, const QColor& color);
    void fillPath(const QPainterPath& path, const QColor& color);

private:
    QPainter& m_painter;
    qreal m_height;
};
