#include "ZRKit/UI/ZRGraphicsContext.h"

#include <QPainter>
#include <QTransform>

ZRGraphicsContext::ZRGraphicsContext(QPainter& painter, qreal height)
    : m_painter(painter)
    , m_height(height) {}

QRectF ZRGraphicsContext::toDevice(const QRectF& rect) const {
    return QRectF(rect.x(), m_height - rect.y() - rect.height(), rect.width(), rect.height());
}

QPointF ZRGraphicsContext::toDevice(const QPointF& point) const {
    return QPointF(point.x(), m_height - point.y());
}

QPainterPath ZRGraphicsContext::toDevice(const QPainterPath& path) const {
    return QTransform(1, 0, 0, -1, 0, m_height).map(path);
}

void ZRGraphicsContext::setImageInterpolation(ZRImageInterpolation interpolation) {
    const bool smooth =
        interpolation != ZRImageInterpolation::None && interpolation != ZRImageInterpolation::Low;
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void ZRGraphicsContext::setAntialiasing(bool on) {
    m_painter.setRenderHint(QPainter::Antialiasing, on);
}

void ZRGraphicsContext::drawBitmap(const QImage& bitmap, const QRectF& destination, const QRectF& source,
                                   ZRCompositingOperation operation, qreal fraction) {
    m_painter.save();
    m_painter.setCompositionMode(operation == ZRCompositingOperation::Copy
                                     ? QPainter::CompositionMode_Source
                                     : QPainter::CompositionMode_SourceOver);
    m_painter.setOpacity(fraction);
    m_painter.drawImage(toDevice(destination), bitmap, source);
    m_painter.restore();
}

void ZRGraphicsContext::fillRect(const QRectF& rect, const QColor& color) {
    m_painter.fillRect(toDevice(rect), color);
}

void ZRGraphicsContext::strokeRect(const QRectF& rect, const QColor& color) {
    m_painter.save();
    m_painter.setPen(QPen(color, 1.0));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(toDevice(rect));
    m_painter.restore();
}

void ZRGraphicsContext::fillPath(const QPainterPath& path, const QColor& color) {
    m_painter.fillPath(toDevice(path), color);
}
