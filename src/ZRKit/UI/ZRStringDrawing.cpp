#include "ZRKit/UI/ZRStringDrawing.h"

#include "ZRKit/UI/ZRGraphicsContext.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ZRStringDrawing {

namespace {

QSizeF textSize(const QString& text, const QFont& font) {
    return QFontMetricsF(font).size(Qt::TextSingleLine, text);
}

void drawAt(const QString& text, ZRGraphicsContext& context, const QPointF& origin, const QFont& font,
            const QColor& color) {
    const QSizeF size = textSize(text, font);
    QPainter& painter = context.painter();
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(context.toDevice(QRectF(origin, size)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

QPointF centredOrigin(const QRectF& rect, const QSizeF& size) {
    return {rect.x() + (rect.width() - size.width()) / 2, rect.y() + (rect.height() - size.height()) / 2};
}

QString shortened(const QString& text, qreal width, const QFont& font, bool ellipsis) {
    QString candidate = text;
    while (!candidate.isEmpty()) {
        const QString drawn = ellipsis && candidate != text ? candidate + QChar(0x2026) : candidate;
        if (textSize(drawn, font).width() <= width)
            return drawn;
        candidate.chop(1);
    }
    return QString();
}

QFont fontNamed(const QString& name, qreal pointSize) {
    QFont font(name);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace

void drawCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                        const QFont& font, const QColor& color) {
    drawAt(text, context, centredOrigin(rect, textSize(text, font)), font, color);
}

void drawVerticalCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                                const QFont& font, const QColor& color) {
    const QSizeF size = textSize(text, font);
    drawAt(text, context, {rect.x(), rect.y() + (rect.height() - size.height()) / 2}, font, color);
}

void drawShortCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                             const QFont& font, const QColor& color) {
    const QString fitting = shortened(text, rect.width(), font, false);
    if (!fitting.isEmpty())
        drawCenteredInRect(fitting, context, rect, font, color);
}

void drawShortWithEllipsisCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                                         const QFont& font, const QColor& color) {
    const QString fitting = shortened(text, rect.width(), font, true);
    if (!fitting.isEmpty())
        drawCenteredInRect(fitting, context, rect, font, color);
}

QString shortenedStringWithEllipsisForDrawingInRect(const QString& text, const QRectF& rect,
                                                    const QFont& font) {
    return shortened(text, rect.width(), font, true);
}

float fontSizeForDrawinginRect(const QString& text, const QRectF& rect, const QString& fontName,
                               float maxSize) {
    // Sizes above the largest drawn one are not tried: they cannot be set, and a step of 0.5 no longer
    // changes a float that large, so the search would never end.
    float size = std::isnan(maxSize) ? 0.0f : std::min(maxSize, LargestFontSize);
    while (size > 0.0001f) {
        const QSizeF textExtent = textSize(text, fontNamed(fontName, size));
        if (textExtent.width() <= rect.width() && textExtent.height() <= rect.height())
            return size;
        size -= 0.5f;
    }
    return size;
}

float drawCenteredInRectWithFontNameMaxSize(const QString& text, ZRGraphicsContext& context,
                                            const QRectF& rect, const QString& fontName, float maxSize,
                                            const QColor& color) {
    const float size = fontSizeForDrawinginRect(text, rect, fontName, maxSize);
    if (size > 0.0001f)
        drawCenteredInRect(text, context, rect, fontNamed(fontName, size), color);
    return size;
}

} // namespace ZRStringDrawing
