#include "ZRKit/ZRImageSizeSnooper.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

QImage filledImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

/*! Runs the snooper on exactly `count` bytes in a buffer of their own, so that a read past the end is a
    heap overflow the sanitizer sees (a QByteArray keeps a terminating zero behind its data). */
QSizeF snoopExactly(const QByteArray& data, qsizetype count) {
    std::unique_ptr<char[]> bytes(new char[std::max<qsizetype>(count, 1)]);
    std::copy(data.constData(), data.constData() + count, bytes.get());
    return ZRImageSizeSnooper::cgSizeOfImageData(QByteArray::fromRawData(bytes.get(), count));
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray data;
    for (int value : values)
        data.append(static_cast<char>(value));
    return data;
}

} // namespace

TEST(ZRImageSizeSnooperTest, ReadsGifHeadersOfBothVersions) {
    QByteArray gif = QByteArray("GIF89a") + bytes({0x10, 0x00, 0x20, 0x00});
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(gif), QSizeF(16, 32));
    gif.replace(0, 6, "GIF87a");
    EXPECT_EQ(ZRImageSizeSnooper::sizeOfImageData(gif), QSizeF(16, 32));

    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(gif.left(9)), QSizeF(0, 0));
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(QByteArray("GIF89")), QSizeF(0, 0));
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(QByteArray("GIF90a") + bytes({1, 0, 1, 0})),
              QSizeF(0, 0));
}

TEST(ZRImageSizeSnooperTest, ReadsPngHeaders) {
    const QByteArray png = encoded(filledImage(37, 21), "png");
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(png), QSizeF(37, 21));

    // Fewer than 33 bytes, a damaged signature or another first chunk: not a PNG.
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(png.left(32)), QSizeF(0, 0));
    QByteArray damaged = png;
    damaged[1] = 'Q';
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(damaged), QSizeF(0, 0));
    QByteArray otherChunk = png;
    otherChunk.replace(12, 4, "IDAT");
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(otherChunk), QSizeF(0, 0));

    // Widths beyond the range of a signed 32-bit integer stay exact.
    QByteArray huge = png;
    huge.replace(16, 4, bytes({0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(huge).width(), 4294967294.0);
}

TEST(ZRImageSizeSnooperTest, ScansJpegSegmentsToTheFrameHeader) {
    const QByteArray jpeg = encoded(filledImage(40, 30), "jpeg");
    ASSERT_TRUE(jpeg.startsWith(bytes({0xFF, 0xD8})));
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(jpeg), QSizeF(40, 30));
    EXPECT_EQ(ZRImageSizeSnooper::sizeOfJPEGData(jpeg), QSizeF(40, 30));

    // A Huffman table segment (C4) is skipped; fill bytes before a marker are skipped as well.
    const QByteArray handMade = bytes({0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x04, 0xC0, 0xC1, 0xFF, 0xFF, 0xFF, 0xC0,
                                       0x00, 0x11, 0x08, 0x01, 0x2C, 0x00, 0xC8});
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfJPEGData(handMade), QSizeF(200, 300));
    QByteArray progressive = handMade;
    progressive[11] = static_cast<char>(0xC2);
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfJPEGData(progressive), QSizeF(200, 300));
}

TEST(ZRImageSizeSnooperTest, TruncatedAndBrokenJpegsGiveZeroWithoutReadingPastTheEnd) {
    const QByteArray jpeg = encoded(filledImage(64, 48), "jpeg");
    const qsizetype frame = jpeg.indexOf(bytes({0xFF, 0xC0}));
    ASSERT_GT(frame, 0);
    for (qsizetype count = 0; count <= jpeg.size(); ++count) {
        const QSizeF size = snoopExactly(jpeg, count);
        if (count >= frame + 9)
            EXPECT_EQ(size, QSizeF(64, 48)) << count;
        else
            EXPECT_EQ(size, QSizeF(0, 0)) << count;
    }

    // A segment length that points far beyond the data, a length cut in half, nothing but fill bytes.
    EXPECT_EQ(snoopExactly(bytes({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF}), 6), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00}), 5), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(bytes({0xFF, 0xD8, 0xFF, 0xFF, 0xFF}), 5), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(bytes({0xFF, 0xD8, 0x12, 0x34}), 4), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(bytes({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01}), 8), QSizeF(0, 0));
}

TEST(ZRImageSizeSnooperTest, UnknownOrEmptyDataGivesZero) {
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(QByteArray()), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(QByteArray("abcde"), 5), QSizeF(0, 0));
    EXPECT_EQ(snoopExactly(bytes({0xFF}), 1), QSizeF(0, 0));
    EXPECT_EQ(ZRImageSizeSnooper::cgSizeOfImageData(encoded(filledImage(5, 5), "bmp")), QSizeF(0, 0));
}
