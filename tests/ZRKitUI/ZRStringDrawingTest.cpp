#include "ZRKit/UI/ZRStringDrawing.h"
#include "ZRKit/UI/ZRGraphicsContext.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(ZRStringDrawingTest, FontSizeSearchAndShortening) {
    const QString text = QStringLiteral("Corvantide");
    EXPECT_FLOAT_EQ(
        ZRStringDrawing::fontSizeForDrawinginRect(text, QRectF(0, 0, 2000, 2000), QFont().family(), 24),
        24.0f);
    const float fitted =
        ZRStringDrawing::fontSizeForDrawinginRect(text, QRectF(0, 0, 60, 40), QFont().family(), 48);
    EXPECT_LT(fitted, 48.0f);
    QFont font;
    font.setPointSizeF(fitted);
    EXPECT_LE(QFontMetricsF(font).size(Qt::TextSingleLine, text).width(), 60);
    // A very large maximum is searched from the largest size drawn, 4096 points, and ends.
    EXPECT_FLOAT_EQ(
        ZRStringDrawing::fontSizeForDrawinginRect(text, QRectF(0, 0, 1e9, 1e9), QFont().family(), 1e9f),
        4096.0f);
    const float large =
        ZRStringDrawing::fontSizeForDrawinginRect(text, QRectF(0, 0, 20000, 20000), QFont().family(), 1e9f);
    EXPECT_GT(large, 100.0f);
    EXPECT_LT(large, 4096.0f);

    QFont small;
    small.setPointSize(12);
    const qreal fullWidth = QFontMetricsF(small).size(Qt::TextSingleLine, text).width();
    EXPECT_EQ(ZRStringDrawing::shortenedStringWithEllipsisForDrawingInRect(
                  text, QRectF(0, 0, fullWidth + 1, 20), small),
              text);
    const QString shortened = ZRStringDrawing::shortenedStringWithEllipsisForDrawingInRect(
        text, QRectF(0, 0, fullWidth / 2, 20), small);
    EXPECT_TRUE(shortened.endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(small).size(Qt::TextSingleLine, shortened).width(), fullWidth / 2);
    EXPECT_EQ(ZRStringDrawing::shortenedStringWithEllipsisForDrawingInRect(text, QRectF(0, 0, 1, 20), small),
              QString());
}

TEST(ZRStringDrawingTest, CentredTextLandsInTheMiddleOfABottomLeftRectangle) {
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ZRGraphicsContext context(painter, 100);
        QFont font;
        font.setPixelSize(20);
        // The lower half of the image in bottom-left coordinates.
        ZRStringDrawing::drawCenteredInRect(QStringLiteral("MMMM"), context, QRectF(0, 0, 200, 50), font,
                                            Qt::black);
    }
    int top = 100, bottom = -1, left = 200, right = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0) << "nothing was drawn";
    EXPECT_GE(top, 50); // in the lower half
    EXPECT_NEAR((left + right) / 2.0, 100, 6);
}
