#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class ZRGraphicsContext;

/*! Drawing text into rectangles of the kit's bottom-left coordinates. The text's size is its one-line
    size in the font (QFontMetricsF); "fits" compares that size with the rectangle. */
namespace ZRStringDrawing {

/*! At (x + (w - textW) / 2, y + (h - textH) / 2). */
void drawCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                        const QFont& font, const QColor& color);
/*! At (x, y + (h - textH) / 2). */
void drawVerticalCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                                const QFont& font, const QColor& color);
/*! Drops characters from the end until the text fits the width, then draws it centred; nothing when
    nothing is left. */
void drawShortCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                             const QFont& font, const QColor& color);
/*! As drawShortCenteredInRect, each shortened candidate followed by an ellipsis. */
void drawShortWithEllipsisCenteredInRect(const QString& text, ZRGraphicsContext& context, const QRectF& rect,
                                         const QFont& font, const QColor& color);
/*! The text when it fits the width; else the first shortened text with an ellipsis that fits; else "". */
QString shortenedStringWithEllipsisForDrawingInRect(const QString& text, const QRectF& rect,
                                                    const QFont& font);

/*! The largest font size the kit sets text in, in points. */
inline constexpr float LargestFontSize = 4096.0f;

/*! From maxSize (at most LargestFontSize) down in steps of 0.5: the first size at which the text in the
    named font fits the rectangle; the search ends at the first size that is not above 0.0001. */
float fontSizeForDrawinginRect(const QString& text, const QRectF& rect, const QString& fontName,
                               float maxSize);
/*! Draws the text centred at the size found above and answers the size. */
float drawCenteredInRectWithFontNameMaxSize(const QString& text, ZRGraphicsContext& context,
                                            const QRectF& rect, const QString& fontName, float maxSize,
                                            const QColor& color);

} // namespace ZRStringDrawing
