#include "Preferences/BoxedView.h"

#include "Platform/MainThread.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

BoxedView::BoxedView(QWidget* parent)
    : QWidget(parent) {}

void BoxedView::changed() {
    Platform::assertMainThread();
    update();
    Q_EMIT appearanceChanged();
}

void BoxedView::setBackgroundColor(const QColor& color) {
    m_backgroundColor = color;
    changed();
}
void BoxedView::setTopLineColor(const QColor& color) {
    m_topLineColor = color;
    changed();
}
void BoxedView::setRightLineColor(const QColor& color) {
    m_rightLineColor = color;
    changed();
}
void BoxedView::setBottomLineColor(const QColor& color) {
    m_bottomLineColor = color;
    changed();
}
void BoxedView::setLeftLineColor(const QColor& color) {
    m_leftLineColor = color;
    changed();
}
void BoxedView::setTopLineWidth(double width) {
    m_topLineWidth = width;
    changed();
}
void BoxedView::setRightLineWidth(double width) {
    m_rightLineWidth = width;
    changed();
}
void BoxedView::setBottomLineWidth(double width) {
    m_bottomLineWidth = width;
    changed();
}
void BoxedView::setLeftLineWidth(double width) {
    m_leftLineWidth = width;
    changed();
}

void BoxedView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    const QRectF bounds = rect();
    if (m_backgroundColor.isValid()) {
        // Source-over either way: a translucent colour blends over what lies below.
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(bounds, m_backgroundColor);
    }

    // One-point lines fall on pixel centres.
    QRectF lines = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    lines = QRectF(std::floor(lines.x()) + 0.5, std::floor(lines.y()) + 0.5, std::floor(lines.width()),
                   std::floor(lines.height()));
    const double minX = lines.left();
    const double maxX = lines.left() + lines.width();
    // Top-down coordinates: the top line is at the smallest y.
    const double topY = lines.top();
    const double bottomY = lines.top() + lines.height();

    const auto stroke = [&painter](const QColor& color, double width, QPointF from, QPointF to) {
        if (!color.isValid() || width <= 0)
            return;
        QPen pen(color);
        pen.setWidthF(width);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        QPainterPath path(from);
        path.lineTo(to);
        painter.drawPath(path);
    };
    stroke(m_topLineColor, m_topLineWidth, {minX - 1, topY}, {maxX + 1, topY});
    stroke(m_rightLineColor, m_rightLineWidth, {maxX, topY - 1}, {maxX, bottomY + 1});
    stroke(m_bottomLineColor, m_bottomLineWidth, {minX - 1, bottomY}, {maxX + 1, bottomY});
    stroke(m_leftLineColor, m_leftLineWidth, {minX, topY - 1}, {minX, bottomY + 1});
}
