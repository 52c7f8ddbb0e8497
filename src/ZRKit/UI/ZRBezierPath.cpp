#include "ZRKit/UI/ZRBezierPath.h"

#include "ZRKit/UI/ZRGraphicsContext.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

#include <cmath>

namespace ZRBezierPath {

namespace {

/*! Appends an arc drawn counter-clockwise (y upwards) from one angle to the other, in degrees, joined
    to the current point by a line. */
void appendArc(QPainterPath& path, const QPointF& center, qreal radius, qreal startDegrees,
               qreal endDegrees) {
    qreal sweep = std::fmod(endDegrees - startDegrees, 360.0);
    if (sweep < 0)
        sweep += 360.0;
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    // QPainterPath measures angles with y downwards; negating them gives the y-upwards arc.
    path.arcTo(box, -startDegrees, -sweep);
}

/*! An arc of the radius tangent to the line from the current point to `corner` and to the line from
    `corner` to `next`, joined to the current point by a line. */
void appendArcFromPointToPoint(QPainterPath& path, const QPointF& corner, const QPointF& next, qreal radius) {
    const QPointF current = path.currentPosition();
    QPointF u1 = current - corner;
    QPointF u2 = next - corner;
    const qreal l1 = std::hypot(u1.x(), u1.y());
    const qreal l2 = std::hypot(u2.x(), u2.y());
    const qreal cross = u1.x() * u2.y() - u1.y() * u2.x();
    if (l1 == 0 || l2 == 0 || radius <= 0 || qFuzzyIsNull(cross)) {
        path.lineTo(corner);
        return;
    }
    u1 /= l1;
    u2 /= l2;
    const qreal half = std::acos(std::clamp(QPointF::dotProduct(u1, u2), -1.0, 1.0)) / 2;
    const qreal distance = radius / std::tan(half);
    const QPointF t1 = corner + u1 * distance;
    const QPointF t2 = corner + u2 * distance;
    QPointF bisector = u1 + u2;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF center = corner + bisector * (radius / std::sin(half));
    path.lineTo(t1);
    const qreal a1 = qRadiansToDegrees(std::atan2(t1.y() - center.y(), t1.x() - center.x()));
    const qreal a2 = qRadiansToDegrees(std::atan2(t2.y() - center.y(), t2.x() - center.x()));
    qreal sweep = std::fmod(a2 - a1, 360.0);
    if (sweep > 180)
        sweep -= 360;
    else if (sweep < -180)
        sweep += 360;
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(box, -a1, -sweep);
}

void fillRecord(ZRShadingRecord& record, const QColor& first, const QColor& second) {
    const QColor a = first.toRgb();
    const QColor b = second.toRgb();
    const float firstValues[4] = {a.redF(), a.greenF(), a.blueF(), a.alphaF()};
    const float secondValues[4] = {b.redF(), b.greenF(), b.blueF(), b.alphaF()};
    for (int i = 0; i < 4; ++i) {
        record.first[i] = firstValues[i];
        record.second[i] = secondValues[i];
        record.difference[i] = secondValues[i] - firstValues[i];
    }
}

} // namespace

void appendBezierPathWithPlateInRect(QPainterPath& path, const QRectF& rect) {
    if (rect.height() <= 0)
        return;
    const float x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const float r = h / 2.0f;
    path.moveTo(x + r, y + h);
    appendArc(path, QPointF(x + r, y + r), r, 90, 270);
    appendArc(path, QPointF(x + w - r, y + r), r, 270, 90);
    path.closeSubpath();
}

QPainterPath bezierPathWithPlateInRect(const QRectF& rect) {
    QPainterPath path;
    appendBezierPathWithPlateInRect(path, rect);
    return path;
}

QPainterPath bezierPathWithRoundedRectCornerRadius(const QRectF& rect, float radius) {
    QPainterPath path;
    appendBezierPathWithRoundedRectCornerRadius(path, rect, radius);
    return path;
}

void appendBezierPathWithRoundedRectCornerRadius(QPainterPath& path, const QRectF& rect, float radius) {
    path.addRoundedRect(rect, radius, radius);
}

QPainterPath bezierPathForRectWithRoundedTopCornersCornerRadius(const QRectF& rect, qreal radius) {
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y);
    appendArc(path, QPointF(x + w - radius, y + h - radius), radius, 360, 90);
    appendArc(path, QPointF(x + radius, y + h - radius), radius, 90, 180);
    path.lineTo(x, y);
    path.closeSubpath();
    return path;
}

QPainterPath bezierPathWithRoundRectInRectRadius(const QRectF& rect, qreal radius) {
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPainterPath path;
    path.moveTo(x, y + radius);
    appendArcFromPointToPoint(path, QPointF(x, y), QPointF(x + w, y), radius);
    appendArcFromPointToPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radius);
    appendArcFromPointToPoint(path, QPointF(x + w, y + h), QPointF(x, y + h), radius);
    appendArcFromPointToPoint(path, QPointF(x, y + h), QPointF(x, y), radius);
    path.closeSubpath();
    return path;
}

void appendBezierPathWithTriangleInRectOrientation(QPainterPath& path, const QRectF& rect, int orientation) {
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPointF points[3];
    switch (orientation) {
    case TriangleUp:
        points[0] = {x, y}, points[1] = {x + w / 2, y + h}, points[2] = {x + w, y};
        break;
    case TriangleDown:
        points[0] = {x, y + h}, points[1] = {x + w / 2, y}, points[2] = {x + w, y + h};
        break;
    case TriangleLeft:
        points[0] = {x + w, y + h}, points[1] = {x + w, y}, points[2] = {x, y + h / 2};
        break;
    default:
        points[0] = {x, y}, points[1] = {x, y + h}, points[2] = {x + w, y + h / 2};
        break;
    }
    path.moveTo(points[0]);
    path.lineTo(points[1]);
    path.lineTo(points[2]);
    path.closeSubpath();
}

QPainterPath bezierPathWithTriangleInRectOrientation(const QRectF& rect, int orientation) {
    QPainterPath path;
    appendBezierPathWithTriangleInRectOrientation(path, rect, orientation);
    return path;
}

void linearShadedColor(const ZRShadingRecord& record, float t, float out[4]) {
    for (int i = 0; i < 4; ++i)
        out[i] = record.first[i] + t * record.difference[i];
}

void bilinearShadedColor(const ZRShadingRecord& record, float t, float out[4]) {
    const float folded = t <= 0.5f ? 2.0f * t : 2.0f - 2.0f * t;
    for (int i = 0; i < 4; ++i)
        out[i] = record.first[i] + folded * record.difference[i];
}

void linearGradientFillWithStartColorEndColor(const QPainterPath& path, ZRGraphicsContext& context,
                                              const QColor& startColor, const QColor& endColor) {
    customVerticalFillWithCallbacks(path, context, linearShadedColor, startColor, endColor);
}

void bilinearGradientFillWithOuterColorInnerColor(const QPainterPath& path, ZRGraphicsContext& context,
                                                  const QColor& outerColor, const QColor& innerColor) {
    // The first colour is the one at the ends of the shading (the edges), the second the one in the middle:
    // the inner colour goes first.
    customVerticalFillWithCallbacks(path, context, bilinearShadedColor, innerColor, outerColor);
}

void customVerticalFillWithCallbacks(const QPainterPath& path, ZRGraphicsContext& context,
                                     ZRShadingCallback callback, const QColor& firstColor,
                                     const QColor& secondColor) {
    ZRShadingRecord record;
    fillRecord(record, firstColor, secondColor);
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return;

    // The shading function is sampled finely enough that piecewise-linear callbacks come out exact.
    constexpr int Samples = 64;
    QLinearGradient gradient(context.toDevice(QPointF(0, bounds.top())),
                             context.toDevice(QPointF(0, bounds.bottom())));
    for (int i = 0; i <= Samples; ++i) {
        const float t = static_cast<float>(i) / Samples;
        float out[4];
        callback(record, t, out);
        for (float& component : out)
            component = std::clamp(component, 0.0f, 1.0f);
        gradient.setColorAt(t, QColor::fromRgbF(out[0], out[1], out[2], out[3]));
    }

    QPainter& painter = context.painter();
    painter.save();
    painter.setClipPath(context.toDevice(path), Qt::IntersectClip);
    painter.fillRect(context.toDevice(bounds), gradient);
    painter.restore();
}

} // namespace ZRBezierPath
