#include "ZRKit/UI/ZRImage.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "TestBundle.h"
#include "ZRKit/UI/ZRColor.h"
#include "ZRKit/UI/ZRLayer.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

ZRImage solidImage(qreal width, qreal height, const QColor& color) {
    QImage bitmap(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(color);
    return ZRImage::fromBitmap(bitmap);
}

/*! 40 x 40, quadrants as the eye sees them: red top-left, green top-right, blue bottom-left, yellow
    bottom-right. */
ZRImage quadrantImage() {
    QImage bitmap(40, 40, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&bitmap);
    painter.fillRect(0, 0, 20, 20, Qt::red);
    painter.fillRect(20, 0, 20, 20, Qt::green);
    painter.fillRect(0, 20, 20, 20, Qt::blue);
    painter.fillRect(20, 20, 20, 20, Qt::yellow);
    painter.end();
    return ZRImage::fromBitmap(bitmap);
}

/*! Reduction factors are single precision, so sizes are compared to a millionth of a point. */
void expectSizeNear(const QSizeF& actual, const QSizeF& expected) {
    EXPECT_NEAR(actual.width(), expected.width(), 1e-4);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-4);
}

QColor pixel(const ZRImage& image, int x, int y) {
    return image.representations().first().bitmap.pixelColor(x, y);
}

/*! Paints on a transparent canvas of the size through a bottom-left context. */
QImage paint(const QSize& size, const std::function<void(ZRGraphicsContext&)>& draw) {
    return ZRImage::imageWithCanvas(QSizeF(size), draw).representations().first().bitmap;
}

} // namespace

TEST(ZRImageTest, ScalingGivesExactlyTheAskedSize) {
    const ZRImage wide = solidImage(64, 32, Qt::red);
    const ZRImage icon = wide.scaledImageWithSize(QSizeF(16, 16));
    EXPECT_EQ(icon.size(), QSizeF(16, 16));
    ASSERT_EQ(icon.representations().size(), 1);
    EXPECT_EQ(icon.representations().first().bitmap.size(), QSize(16, 16));
    EXPECT_EQ(pixel(icon, 0, 0), QColor(Qt::red));
    EXPECT_EQ(pixel(icon, 15, 15), QColor(Qt::red));

    // Sizes no bitmap can have give an image of that size without a bitmap, never a crash.
    for (const QSizeF& impossible : {QSizeF(1e9, 16), QSizeF(16, std::nan("")), QSizeF(-4, 4)}) {
        const ZRImage none = wide.scaledImageWithSize(impossible);
        EXPECT_TRUE(none.isNull());
        EXPECT_TRUE(wide.resampledImageOfSize(impossible).isNull());
    }
    EXPECT_TRUE(ZRImage(QSizeF(1e12, 1), QImage(1, 1, QImage::Format_ARGB32)).toBitmap().isNull());

    Platform::SystemLog::Capture log;
    const ZRImage thin = wide.scaledImageWithSize(QSizeF(0.5, 16));
    EXPECT_FALSE(thin.isNull());
    EXPECT_EQ(thin.size(), QSizeF(0.5, 16));
    EXPECT_TRUE(
        log.contains(QStringLiteral("-[NSImage (ZRExtensions_Private) scaledImageWithSize:useInterpolation:] "
                                    "warning -- image size too small: {0.5, 16}")));
}

TEST(ZRImageTest, ReducingKeepsTheAspectAndLeavesFittingImagesAlone) {
    const ZRImage image = solidImage(100, 50, Qt::blue);
    expectSizeNear(image.reducedImageOfSize(QSizeF(40, 40)).size(), QSizeF(40, 20));
    const ZRImage same = image.reducedImageOfSize(QSizeF(200, 200));
    EXPECT_EQ(same.size(), image.size());
    EXPECT_EQ(same.representations().first().bitmap.cacheKey(),
              image.representations().first().bitmap.cacheKey());

    const ZRImage resampled = image.resampledImageOfSize(QSizeF(10.9, 5.2));
    EXPECT_EQ(resampled.size(), QSizeF(10.9, 5.2));
    EXPECT_EQ(resampled.representations().first().bitmap.size(), QSize(10, 5));

    const ZRImage both = image.reducedAndResampledImageOfMaximumSize(QSizeF(20, 20));
    expectSizeNear(both.size(), QSizeF(20, 10));
    EXPECT_EQ(both.largestBitmapImageRepSize(), QSize(20, 10));
}

TEST(ZRImageTest, CentredDrawingFitsScalesAndSitsOnHalfPoints) {
    const ZRImage image = solidImage(10, 10, Qt::green);
    EXPECT_EQ(image.centeredDrawingRectInRect(QRectF(0, 0, 100, 50)), QRectF(25.5, 0.5, 50, 50));
    EXPECT_EQ(image.centeredDrawingRectInRect(QRectF(0, 0, 100, 0)), std::nullopt);
    EXPECT_EQ(ZRImage().centeredDrawingRectInRect(QRectF(0, 0, 100, 50)), std::nullopt);

    // Bottom-left coordinates: a 20-point rectangle at the bottom of a 100-point-high canvas.
    const QImage canvas = paint(QSize(20, 100), [&](ZRGraphicsContext& context) {
        image.drawCenteredInRectOperationFractionFrameColor(
            context, QRectF(0, 0, 20, 20), ZRCompositingOperation::SourceOver, 1.0f, Qt::black);
    });
    EXPECT_EQ(canvas.pixelColor(10, 90), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(10, 10).alpha(), 0);
    EXPECT_EQ(canvas.pixelColor(0, 90), QColor(Qt::black)); // the frame, on whole pixels

    const ZRImage thumbnail = image.thumbnailOfSize(QSizeF(30, 10));
    EXPECT_EQ(thumbnail.size(), QSizeF(30, 10));
    EXPECT_EQ(pixel(thumbnail, 15, 5), QColor(Qt::green));
    EXPECT_EQ(pixel(thumbnail, 3, 5).alpha(), 0);

    const ZRImage canvasImage = image.imageWithCanvasSizeBackgroundColor(QSizeF(30, 10), Qt::white);
    EXPECT_EQ(pixel(canvasImage, 3, 5), QColor(Qt::white));
    EXPECT_EQ(pixel(canvasImage, 15, 5), QColor(Qt::green));
}

TEST(ZRImageTest, RotationSwapsTheSidesOnlyForQuarterTurns) {
    QImage bitmap(30, 10, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::blue);
    QPainter(&bitmap).fillRect(0, 0, 15, 10, Qt::red); // left half red
    const ZRImage image = ZRImage::fromBitmap(bitmap);

    const ZRImage left = image.rotateByAngle(90);
    EXPECT_EQ(left.size(), QSizeF(10, 30));
    // A counter-clockwise quarter turn brings the left half to the bottom.
    EXPECT_EQ(pixel(left, 5, 25), QColor(Qt::red));
    EXPECT_EQ(pixel(left, 5, 5), QColor(Qt::blue));

    const ZRImage right = image.rotateByAngle(-90);
    EXPECT_EQ(right.size(), QSizeF(10, 30));
    EXPECT_EQ(pixel(right, 5, 5), QColor(Qt::red));

    EXPECT_EQ(image.rotateByAngle(45).size(), QSizeF(30, 10));
    EXPECT_EQ(image.rotateByAngle(180).size(), QSizeF(30, 10));
    EXPECT_EQ(image.rotateByAngle(0).representations().first().bitmap.cacheKey(), bitmap.cacheKey());
}

TEST(ZRImageTest, SlicingAndCroppingFollowTheBottomLeftOrigin) {
    const ZRImage image = quadrantImage();
    const QList<ZRImage> slices = image.imagesBySlicingWithEdgeInsets(10, 10, 10, 10);
    ASSERT_EQ(slices.size(), 9);
    const QSizeF sizes[9] = {{10, 10}, {20, 10}, {10, 10}, {10, 20}, {20, 20},
                             {10, 20}, {10, 10}, {20, 10}, {10, 10}};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(slices[i].size(), sizes[i]) << i;
    EXPECT_EQ(pixel(slices[0], 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixel(slices[2], 5, 5), QColor(Qt::green));
    EXPECT_EQ(pixel(slices[6], 5, 5), QColor(Qt::blue));
    EXPECT_EQ(pixel(slices[8], 5, 5), QColor(Qt::yellow));
    EXPECT_EQ(pixel(slices[1], 5, 5), QColor(Qt::red));
    EXPECT_EQ(pixel(slices[1], 15, 5), QColor(Qt::green));
    EXPECT_EQ(pixel(slices[4], 5, 15), QColor(Qt::blue));
    EXPECT_EQ(pixel(slices[4], 15, 5), QColor(Qt::green));

    // The rectangle (0, 0) is the bottom-left corner.
    EXPECT_EQ(pixel(image.imageByCroppingToRect(QRectF(0, 0, 5, 5)), 2, 2), QColor(Qt::blue));
    EXPECT_TRUE(image.imageByCroppingToRect(QRectF(3, 3, 0, 5)).isNull());
}

TEST(ZRImageTest, OverlayFlipAndRepresentations) {
    const ZRImage dot = solidImage(4, 4, Qt::red);
    QImage clear(20, 20, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    const ZRImage overlaid = dot.overlayImageOffset(ZRImage::fromBitmap(clear), QPointF(2, 3));
    EXPECT_EQ(overlaid.size(), QSizeF(20, 20));
    // Centred at (8, 8), moved right 2 and up 3: x 10-14, y 11-15 from the bottom, rows 5-9 from the top.
    EXPECT_EQ(pixel(overlaid, 12, 7), QColor(Qt::red));
    EXPECT_EQ(pixel(overlaid, 9, 7).alpha(), 0);
    EXPECT_EQ(pixel(overlaid, 12, 10).alpha(), 0);

    const ZRImage flipped = quadrantImage().imageFlippedVertical();
    EXPECT_EQ(pixel(flipped, 5, 5), QColor(Qt::blue));
    EXPECT_EQ(pixel(flipped, 35, 35), QColor(Qt::green));
    EXPECT_EQ(ZRImage(QSizeF(0, 4), QImage()).imageFlippedVertical().size(), QSizeF(0, 4));

    ZRImage multi;
    EXPECT_EQ(multi.largestBitmapImageRep(), nullptr);
    EXPECT_EQ(multi.largestBitmapImageRepSize(), QSize(0, 0));
    QImage small(16, 16, QImage::Format_ARGB32), big(64, 64, QImage::Format_ARGB32),
        tie(32, 32, QImage::Format_ARGB32);
    multi.addRepresentation({small, QSizeF(16, 16)});
    multi.addRepresentation({big, QSizeF(32, 32)});
    multi.addRepresentation({tie, QSizeF(32, 32)});
    EXPECT_EQ(multi.size(), QSizeF(16, 16));
    EXPECT_EQ(multi.largestBitmapImageRepSize(), QSize(64, 64)); // the first of equal point sizes
}

TEST(ZRImageTest, OverlayIsRequired) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(solidImage(4, 4, Qt::red).overlayImageOffset(ZRImage(), QPointF()),
                 "Invalid parameter not satisfying: overlay");
}

TEST(ZRImageTest, WritingReplacesTheFileWholeOrNotAtAll) {
    QTemporaryDir dir;
    const ZRImage image = quadrantImage();
    const QString png = dir.filePath(QStringLiteral("q.png"));
    const QString jpeg = dir.filePath(QStringLiteral("q.jpg"));
    ASSERT_TRUE(image.writeAsPNGToPath(png));
    ASSERT_TRUE(image.writeAsJPEGToPath(jpeg));
    EXPECT_EQ(QImage(png).pixelColor(5, 5), QColor(Qt::red));
    QImageReader reader(jpeg);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(40, 40));

    EXPECT_FALSE(image.writeAsPNGToPath(dir.filePath(QStringLiteral("missing/q.png"))));
    EXPECT_FALSE(ZRImage().writeAsJPEGToPath(dir.filePath(QStringLiteral("empty.jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("empty.jpg"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    EXPECT_EQ(ZRImage::imageWithData(QByteArray("not an image")).isNull(), true);
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(ZRImage::imageWithData(file.readAll()).size(), QSizeF(40, 40));
}

TEST(ZRImageTest, AccentTintingPaintsTheShapeAndIsCached) {
    QImage mask(8, 8, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter(&mask).fillRect(0, 0, 4, 8, Qt::black);
    ZRImage image = ZRImage::fromBitmap(mask);
    image.setName(QStringLiteral("halfMask"));

    const ZRImage tinted = ZRImage::zr_accentColorTintedImageNamed(QStringLiteral("halfMask"));
    const QColor accent = ZRColor::zr_controlAccentColor();
    EXPECT_EQ(pixel(tinted, 1, 1).rgb(), accent.rgb());
    EXPECT_EQ(pixel(tinted, 6, 1).alpha(), 0);
    EXPECT_EQ(ZRImage::zr_imageCache().size(), 1);
    EXPECT_EQ(image.zr_imageTintedWithAccentColorAddSystemEffect(ZRColorSystemEffect::None)
                  .representations()
                  .first()
                  .bitmap.cacheKey(),
              tinted.representations().first().bitmap.cacheKey());

    const ZRImage rollover =
        image.zr_imageTintedWithAccentColorAddSystemEffect(ZRColorSystemEffect::Rollover);
    EXPECT_EQ(pixel(rollover, 1, 1).rgb(),
              ZRColor::zr_colorWithSystemEffect(accent, ZRColorSystemEffect::Rollover).rgb());
    EXPECT_EQ(ZRImage::zr_imageCache().size(), 2);
    EXPECT_TRUE(ZRImage::zr_accentColorTintedImageNamed(QStringLiteral("no such image anywhere")).isNull());
}

TEST(ZRImageTest, TintingNeedsAName) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        solidImage(4, 4, Qt::red).zr_imageTintedWithAccentColorAddSystemEffect(ZRColorSystemEffect::None),
        "Invalid parameter not satisfying: Need image name");
}

TEST(ZRImageTest, ApplicationIconsComeFromDesktopFiles) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(data + QStringLiteral("/applications"));
    const QString iconPath = data + QStringLiteral("/tool.png");
    ASSERT_TRUE(solidImage(48, 48, Qt::cyan).writeAsPNGToPath(iconPath));
    QFile desktop(data + QStringLiteral("/applications/org.example.Tool.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Example Tool\nIcon=" + iconPath.toUtf8() +
                  "\n\n[Desktop Action other]\nName=Other\nIcon=/nowhere.png\n");
    desktop.close();

    EXPECT_EQ(ZRImage::imageForApplicationBundleID(QStringLiteral("org.example.Tool")).size(),
              QSizeF(48, 48));
    EXPECT_EQ(ZRImage::imageForApplicationName(QStringLiteral("Example Tool")).size(), QSizeF(48, 48));
    EXPECT_TRUE(ZRImage::imageForApplicationBundleID(QStringLiteral("org.example.Missing")).isNull());
    EXPECT_TRUE(ZRImage::imageForApplicationName(QStringLiteral("Other")).isNull());
}

TEST(ZRImageTest, NamedImagesComeFromTheRegistryThenTheBundle) {
    QTemporaryDir dir;
    const QString bundle = TestBundle::create(dir.filePath(QStringLiteral("Named.app")), {});
    QImage dot(6, 3, QImage::Format_ARGB32);
    dot.fill(Qt::magenta);
    QDir().mkpath(bundle + QStringLiteral("/Resources/images"));
    ASSERT_TRUE(dot.save(bundle + QStringLiteral("/Resources/images/dot.png")));
    Platform::Bundle::setMainBundlePathForTesting(bundle);

    const ZRImage fromBundle = ZRImage::imageNamed(QStringLiteral("dot"));
    EXPECT_EQ(fromBundle.size(), QSizeF(6, 3));
    EXPECT_EQ(fromBundle.name(), QStringLiteral("dot"));
    EXPECT_TRUE(ZRImage::imageNamed(QStringLiteral("no-such-image-here")).isNull());

    ZRImage registered = solidImage(2, 2, Qt::red);
    registered.setName(QStringLiteral("dot"));
    EXPECT_EQ(ZRImage::imageNamed(QStringLiteral("dot")).size(), QSizeF(2, 2));
    registered.setName(QString());
    EXPECT_EQ(ZRImage::imageNamed(QStringLiteral("dot")).size(), QSizeF(6, 3));
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
}

TEST(ZRLayerTest, ImageReferencesComeFromBundleResourcesAtTheScale) {
    QTemporaryDir dir;
    const QString bundlePath = TestBundle::create(dir.filePath(QStringLiteral("Layers.app")), {});
    QDir().mkpath(bundlePath + QStringLiteral("/Resources/images"));
    QImage badge(40, 20, QImage::Format_ARGB32);
    badge.fill(Qt::yellow);
    ASSERT_TRUE(badge.save(bundlePath + QStringLiteral("/Resources/images/badge.png")));
    const Platform::Bundle bundle(bundlePath);

    const QImage retina = ZRLayer::newImageRefNamedFromBundleUseRetina(QStringLiteral("badge"), bundle, true);
    EXPECT_EQ(retina.size(), QSize(40, 20));
    EXPECT_EQ(retina.deviceIndependentSize(), QSizeF(20, 10));
    const ZRLayerContents layer =
        ZRLayer::layerWithImageNamedFromBundleUseRetina(QStringLiteral("badge"), bundle, false);
    EXPECT_EQ(layer.contentsScale, 1.0);
    EXPECT_EQ(layer.contents.deviceIndependentSize(), QSizeF(40, 20));
    EXPECT_TRUE(
        ZRLayer::newImageRefNamedFromBundleContentsScale(QStringLiteral("none"), bundle, 1.0).isNull());
    EXPECT_TRUE(ZRLayer::newImageRefNamedUseRetina(QStringLiteral("badge"), false)
                    .isNull()); // not in the main bundle
}
