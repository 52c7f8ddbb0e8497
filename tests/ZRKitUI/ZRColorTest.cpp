#include "ZRKit/UI/ZRColor.h"
#include "ZRKit/UI/ZRBezierPath.h"
#include "ZRKit/UI/ZRGraphicsContext.h"
#include "ZRKit/UI/ZRImage.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage paint(const QSize& size, const std::function<void(ZRGraphicsContext&)>& draw) {
    return ZRImage::imageWithCanvas(QSizeF(size), draw).representations().first().bitmap;
}

void expectColorNear(const QColor& actual, const QColor& expected, int tolerance = 6) {
    EXPECT_NEAR(actual.red(), expected.red(), tolerance);
    EXPECT_NEAR(actual.green(), expected.green(), tolerance);
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance);
}

} // namespace

TEST(ZRColorTest, HexadecimalTextInAndOut) {
    const QColor orange = ZRColor::colorWithHexString(QStringLiteral("FF8000"));
    EXPECT_EQ(orange, ZRColor::colorWithHexString(QStringLiteral("#FF8000")));
    EXPECT_EQ(orange.rgba(), qRgba(255, 128, 0, 255));
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("ff8000")).rgb(), orange.rgb());
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("0x336699")).rgb(), qRgb(0x33, 0x66, 0x99));
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("#1a2b3cxyz")).rgb(), qRgb(0x1a, 0x2b, 0x3c));
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("abc")).rgb(), qRgb(0, 0x0a, 0xbc));
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("no digits")).rgba(), qRgba(0, 0, 0, 255));
    EXPECT_EQ(ZRColor::colorWithHexString(QString()).rgba(), qRgba(0, 0, 0, 255));
    EXPECT_EQ(ZRColor::colorWithHexString(QStringLiteral("FFFFFFFFFFFF")).rgb(), qRgb(255, 255, 255));

    EXPECT_EQ(ZRColor::hexadecimalStringValue(Qt::white), QStringLiteral("#ffffff"));
    EXPECT_EQ(ZRColor::hexadecimalStringValue(Qt::black), QStringLiteral("#000000"));
    EXPECT_EQ(ZRColor::hexadecimalStringValue(orange), QStringLiteral("#ff8000"));
    EXPECT_EQ(ZRColor::hexadecimalStringValue(QColor::fromHsv(200, 100, 50)),
              ZRColor::hexadecimalStringValue(QColor::fromHsv(200, 100, 50).toRgb()));
    EXPECT_TRUE(ZRColor::hexadecimalStringValue(QColor()).isNull());
    for (const char* text : {"#0a0b0c", "#7f7f80", "#fedcba"})
        EXPECT_EQ(ZRColor::hexadecimalStringValue(ZRColor::colorWithHexString(QLatin1String(text))),
                  QLatin1String(text));
}

TEST(ZRColorTest, IntegerAndQuickDrawColoursAreOpaque) {
    EXPECT_EQ(ZRColor::colorWithRedIntGreenIntBlueInt(255, 0, 51).rgba(), qRgba(255, 0, 51, 255));
    EXPECT_EQ(ZRColor::colorWithRedIntGreenIntBlueIntAlphaInt(10, 20, 30, 0).alpha(), 255);
    EXPECT_EQ(ZRColor::colorWithWhiteIntAlphaInt(128, 40).rgba(), qRgba(128, 128, 128, 255));

    const QVariantMap dictionary{{QStringLiteral("tint.red"), 65535},
                                 {QStringLiteral("tint.green"), 32896},
                                 {QStringLiteral("tint.blue"), 0}};
    EXPECT_EQ(ZRColor::colorWithQuickDrawColorInDictionaryKey(dictionary, QStringLiteral("tint")).rgb(),
              qRgb(255, 128, 0));
    EXPECT_EQ(ZRColor::colorWithQuickDrawRedGreenBlue(0, 0, 65535).rgb(), qRgb(0, 0, 255));

    for (int i = 0; i < 50; ++i) {
        const QColor random = ZRColor::randomColor();
        EXPECT_GE(random.hsvSaturationF(), 0.49f);
        EXPECT_GE(random.valueF(), 0.49f);
        EXPECT_EQ(random.alpha(), 255);
    }
}

TEST(ZRColorTest, MissingQuickDrawComponentIsAProgrammingError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QVariantMap dictionary{{QStringLiteral("c.red"), 1}, {QStringLiteral("c.blue"), 1}};
    EXPECT_DEATH(ZRColor::colorWithQuickDrawColorInDictionaryKey(dictionary, QStringLiteral("c")),
                 "Invalid parameter not satisfying: No green value in color dictionary");
}

TEST(ZRColorTest, SystemColoursAndEffects) {
    EXPECT_TRUE(ZRColor::zr_controlAccentColor().isValid());
    EXPECT_TRUE(ZRColor::zr_linkColor().isValid());
    EXPECT_EQ(ZRColor::zr_colorNamed(QStringLiteral("orange")).rgb(), qRgb(255, 165, 0));
    EXPECT_FALSE(ZRColor::zr_colorNamed(QStringLiteral("no-such-colour")).isValid());

    const QColor base(40, 80, 160);
    EXPECT_EQ(ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::None), base);
    EXPECT_GT(ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::Rollover).lightness(),
              base.lightness());
    EXPECT_LT(ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::Pressed).lightness(),
              base.lightness());
    EXPECT_LT(ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::DeepPressed).lightness(),
              ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::Pressed).lightness());
    EXPECT_LT(ZRColor::zr_colorWithSystemEffect(base, ZRColorSystemEffect::Disabled).alpha(), 255);
}

TEST(ZRBezierPathTest, PlatesAreCapsules) {
    QPainterPath empty;
    ZRBezierPath::appendBezierPathWithPlateInRect(empty, QRectF(0, 0, 40, 0));
    EXPECT_TRUE(empty.isEmpty());

    const QPainterPath plate = ZRBezierPath::bezierPathWithPlateInRect(QRectF(0, 0, 40, 10));
    const QRectF bounds = plate.boundingRect();
    EXPECT_NEAR(bounds.left(), 0, 1e-3);
    EXPECT_NEAR(bounds.right(), 40, 1e-3);
    EXPECT_NEAR(bounds.top(), 0, 1e-3);
    EXPECT_NEAR(bounds.bottom(), 10, 1e-3);
    EXPECT_TRUE(plate.contains(QPointF(20, 5)));
    EXPECT_TRUE(plate.contains(QPointF(0.5, 5)));    // the middle of the left half circle
    EXPECT_TRUE(plate.contains(QPointF(39.5, 5)));   // and of the right one
    EXPECT_FALSE(plate.contains(QPointF(0.5, 0.5))); // the corners are cut away
    EXPECT_FALSE(plate.contains(QPointF(39.5, 9.5)));
}

TEST(ZRBezierPathTest, RoundedShapesAndTriangles) {
    const QPainterPath topRounded =
        ZRBezierPath::bezierPathForRectWithRoundedTopCornersCornerRadius(QRectF(0, 0, 20, 20), 5);
    EXPECT_TRUE(topRounded.contains(QPointF(0.5, 0.5)));   // square bottom-left
    EXPECT_TRUE(topRounded.contains(QPointF(19.5, 0.5)));  // square bottom-right
    EXPECT_FALSE(topRounded.contains(QPointF(0.5, 19.5))); // rounded top-left
    EXPECT_FALSE(topRounded.contains(QPointF(19.5, 19.5)));
    EXPECT_TRUE(topRounded.contains(QPointF(10, 19.5)));

    const QPainterPath round = ZRBezierPath::bezierPathWithRoundRectInRectRadius(QRectF(10, 10, 30, 20), 4);
    EXPECT_NEAR(round.boundingRect().left(), 10, 1e-3);
    EXPECT_NEAR(round.boundingRect().right(), 40, 1e-3);
    EXPECT_NEAR(round.boundingRect().bottom(), 30, 1e-3);
    for (const QPointF corner :
         {QPointF(10.5, 10.5), QPointF(39.5, 10.5), QPointF(39.5, 29.5), QPointF(10.5, 29.5)})
        EXPECT_FALSE(round.contains(corner));
    EXPECT_TRUE(round.contains(QPointF(25, 20)));
    EXPECT_TRUE(round.contains(QPointF(10.5, 20)));

    const QPainterPath roundedRect =
        ZRBezierPath::bezierPathWithRoundedRectCornerRadius(QRectF(0, 0, 20, 20), 5);
    EXPECT_FALSE(roundedRect.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(roundedRect.contains(QPointF(10, 10)));

    const QRectF box(0, 0, 10, 10);
    const QPainterPath up = ZRBezierPath::bezierPathWithTriangleInRectOrientation(box, 0);
    EXPECT_TRUE(up.contains(QPointF(5, 9)));
    EXPECT_FALSE(up.contains(QPointF(1, 9)));
    const QPainterPath down = ZRBezierPath::bezierPathWithTriangleInRectOrientation(box, 1);
    EXPECT_TRUE(down.contains(QPointF(5, 1)));
    EXPECT_FALSE(down.contains(QPointF(1, 1)));
    const QPainterPath left = ZRBezierPath::bezierPathWithTriangleInRectOrientation(box, 2);
    EXPECT_TRUE(left.contains(QPointF(1, 5)));
    EXPECT_FALSE(left.contains(QPointF(1, 1)));
    const QPainterPath right = ZRBezierPath::bezierPathWithTriangleInRectOrientation(box, 7);
    EXPECT_TRUE(right.contains(QPointF(9, 5)));
    EXPECT_FALSE(right.contains(QPointF(9, 1)));
    EXPECT_EQ(right.boundingRect(),
              ZRBezierPath::bezierPathWithTriangleInRectOrientation(box, 3).boundingRect());
}

TEST(ZRBezierPathTest, LinearFillRunsFromBottomToTop) {
    const QImage canvas = paint(QSize(10, 101), [](ZRGraphicsContext& context) {
        QPainterPath rect;
        rect.addRect(0, 0, 10, 101);
        ZRBezierPath::linearGradientFillWithStartColorEndColor(rect, context, Qt::red, Qt::blue);
    });
    expectColorNear(canvas.pixelColor(5, 100), Qt::red);
    expectColorNear(canvas.pixelColor(5, 0), Qt::blue);
    expectColorNear(canvas.pixelColor(5, 50), QColor(128, 0, 127));
}

TEST(ZRBezierPathTest, BilinearFillHasTheInnerColourAtTheEdgesAndTheOuterInTheMiddle) {
    QPainterPath band;
    band.addRect(0, 20, 10, 101); // within a taller canvas: the gradient follows the path's own bounds
    const QImage canvas = paint(QSize(10, 141), [&](ZRGraphicsContext& context) {
        ZRBezierPath::bilinearGradientFillWithOuterColorInnerColor(band, context, Qt::red, Qt::blue);
    });
    // Rows 20 to 120 from the top are the band; outer red, inner blue.
    expectColorNear(canvas.pixelColor(5, 120), Qt::blue);
    expectColorNear(canvas.pixelColor(5, 20), Qt::blue);
    expectColorNear(canvas.pixelColor(5, 70), Qt::red);
    expectColorNear(canvas.pixelColor(5, 45), QColor(128, 0, 127));
    EXPECT_EQ(canvas.pixelColor(5, 10).alpha(), 0); // nothing outside the path
    EXPECT_EQ(canvas.pixelColor(5, 130).alpha(), 0);

    ZRShadingRecord record;
    record.first[0] = 1;
    record.difference[0] = -1;
    float out[4];
    ZRBezierPath::bilinearShadedColor(record, 0.25f, out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    ZRBezierPath::bilinearShadedColor(record, 0.75f, out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    ZRBezierPath::linearShadedColor(record, 0.75f, out);
    EXPECT_FLOAT_EQ(out[0], 0.25f);
}
