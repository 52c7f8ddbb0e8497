#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class ZRGraphicsContext;

/*! The colours of a vertical two-colour gradient: both colours' red, green, blue and alpha, then the
    differences second minus first. */
struct ZRShadingRecord {
    float first[4] = {};
    float second[4] = {};
    float difference[4] = {};
};

/*! Evaluates the gradient at t in [0, 1] (0 at the bottom of the path, 1 at its top). */
using ZRShadingCallback = void (*)(const ZRShadingRecord& record, float t, float out[4]);

/*! Capsule, rounded, round-topped and triangular paths and vertical gradient fills. Rectangles and paths
    have their origin at the bottom left, y upwards. */
namespace ZRBezierPath {

enum TriangleOrientation { TriangleUp = 0, TriangleDown = 1, TriangleLeft = 2, TriangleRight = 3 };

/*! A capsule whose ends are half circles of radius height / 2; nothing for a height of 0 or less. */
void appendBezierPathWithPlateInRect(QPainterPath& path, const QRectF& rect);
QPainterPath bezierPathWithPlateInRect(const QRectF& rect);

QPainterPath bezierPathWithRoundedRectCornerRadius(const QRectF& rect, float radius);
void appendBezierPathWithRoundedRectCornerRadius(QPainterPath& path, const QRectF& rect, float radius);
/*! Square bottom corners, rounded top corners. */
QPainterPath bezierPathForRectWithRoundedTopCornersCornerRadius(const QRectF& rect, qreal radius);
/*! Four corners rounded with arcs tangent to the edges. */
QPainterPath bezierPathWithRoundRectInRectRadius(const QRectF& rect, qreal radius);

/*! Orientation 0 points up, 1 down, 2 left, anything else right. */
void appendBezierPathWithTriangleInRectOrientation(QPainterPath& path, const QRectF& rect, int orientation);
QPainterPath bezierPathWithTriangleInRectOrientation(const QRectF& rect, int orientation);

/*! The start colour at the bottom of the path, the end colour at its top. */
void linearGradientFillWithStartColorEndColor(const QPainterPath& path, ZRGraphicsContext& context,
                                              const QColor& startColor, const QColor& endColor);
/*! The colour given as inner at the bottom and top edges, the one given as outer in the vertical middle
    (the kit has always drawn it this way round, whatever the names suggest). */
void bilinearGradientFillWithOuterColorInnerColor(const QPainterPath& path, ZRGraphicsContext& context,
                                                  const QColor& outerColor, const QColor& innerColor);
void customVerticalFillWithCallbacks(const QPainterPath& path, ZRGraphicsContext& context,
                                     ZRShadingCallback callback, const QColor& firstColor,
                                     const QColor& secondColor);

void linearShadedColor(const ZRShadingRecord& record, float t, float out[4]);
void bilinearShadedColor(const ZRShadingRecord& record, float t, float out[4]);

} // namespace ZRBezierPath
