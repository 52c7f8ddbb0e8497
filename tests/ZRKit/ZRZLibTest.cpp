#include "ZRKit/ZRZLib.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray gzipped(const QByteArray& data) {
    auto packed = ZRZLib::gzip(data);
    EXPECT_TRUE(packed.has_value());
    return packed.value_or(QByteArray());
}

QByteArray feed() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\"?><Releases><Release><Version>1.0</Version></Release></Releases>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ZRZLibTest, DataThatIsNotGzipComesBackAsTheSameBuffer) {
    const QByteArray plain = feed();
    const auto result = ZRZLib::inflateGzipWhilePossible(plain);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->isSharedWith(plain));
    // Three bytes of magic alone are too short to be decoded.
    const QByteArray magic = QByteArrayLiteral("\x1f\x8b\x08");
    const auto shortResult = ZRZLib::inflateGzipWhilePossible(magic);
    ASSERT_TRUE(shortResult.has_value());
    EXPECT_EQ(*shortResult, magic);
    EXPECT_EQ(ZRZLib::inflateGzip(QByteArray()), QByteArray());
}

TEST(ZRZLibTest, LayersAreDecodedUntilPlainDataRemains) {
    EXPECT_EQ(ZRZLib::inflateGzipWhilePossible(gzipped(feed())), feed());
    EXPECT_EQ(ZRZLib::inflateGzipWhilePossible(gzipped(gzipped(feed()))), feed());
    // One layer only with inflateGzip.
    EXPECT_EQ(ZRZLib::inflateGzip(gzipped(gzipped(feed()))), gzipped(feed()));
    // A zlib-format round trip.
    const QByteArray big(100000, 'q');
    const auto packed = ZRZLib::deflate(big);
    ASSERT_TRUE(packed.has_value());
    EXPECT_LT(packed->size(), 1000);
    EXPECT_EQ(ZRZLib::inflate(*packed), big);
}

TEST(ZRZLibTest, TruncatedCorruptAndConcatenatedStreams) {
    const QByteArray packed = gzipped(QByteArray(5000, 'a') + feed());
    EXPECT_FALSE(ZRZLib::inflateGzipWhilePossible(packed.left(packed.size() / 2)).has_value());
    EXPECT_FALSE(ZRZLib::inflateGzipWhilePossible(packed.left(packed.size() - 4)).has_value());
    QByteArray corrupt = packed;
    for (qsizetype i = 10; i < corrupt.size() - 8; ++i)
        corrupt[i] = char(0xff);
    EXPECT_FALSE(ZRZLib::inflateGzipWhilePossible(corrupt).has_value());
    // Only the first member counts.
    EXPECT_EQ(ZRZLib::inflateGzip(gzipped("first") + gzipped("second")), QByteArray("first"));
}

TEST(ZRZLibTest, ABombOrEndlessLayersEndAsFailure) {
    // 200 MiB of zeros packs into about 200 KiB and decodes beyond the cap.
    QByteArray zeros(8 * 1024 * 1024, '\0');
    QByteArray bomb;
    {
        // Several members' worth of zeros in one stream, built without holding 200 MiB.
        auto once = ZRZLib::gzip(zeros);
        ASSERT_TRUE(once.has_value());
        EXPECT_EQ(ZRZLib::inflateGzip(*once, zeros.size() - 1), std::nullopt);
        EXPECT_EQ(ZRZLib::inflateGzip(*once, zeros.size())->size(), zeros.size());
    }
    zeros.resize(ZRZLib::MaximumInflatedSize + 1, '\0');
    bomb = gzipped(zeros);
    zeros.clear();
    EXPECT_LT(bomb.size(), 200 * 1024);
    EXPECT_FALSE(ZRZLib::inflateGzipWhilePossible(bomb).has_value());

    // More layers than the pass limit: refused even though each layer is small.
    QByteArray layered = feed();
    for (int i = 0; i < ZRZLib::MaximumInflatePasses; ++i)
        layered = gzipped(layered);
    EXPECT_EQ(ZRZLib::inflateGzipWhilePossible(layered), feed());
    EXPECT_FALSE(ZRZLib::inflateGzipWhilePossible(gzipped(layered)).has_value());
}

TEST(ZRZLibTest, FilesAreDecodedLayerByLayerAndFailuresLeaveNoDestination) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray content = QByteArray(100000, 'z') + feed();
    const QString twice = dir.filePath(QStringLiteral("twice.gz"));
    ASSERT_TRUE(writeFile(twice, gzipped(gzipped(content))));
    const QString out = dir.filePath(QStringLiteral("out-%1.xml").arg(QCoreApplication::applicationPid()));
    EXPECT_TRUE(ZRZLib::inflateGzipWhilePossibleAtPath(twice, out));
    EXPECT_EQ(readFile(out), content);
    QFile::remove(QDir::temp().filePath(QStringLiteral("0_") + QFileInfo(out).fileName()));

    const QString plain = dir.filePath(QStringLiteral("plain.xml"));
    ASSERT_TRUE(writeFile(plain, feed()));
    const QString none = dir.filePath(QStringLiteral("none.xml"));
    EXPECT_TRUE(ZRZLib::inflateGzipWhilePossibleAtPath(plain, none));
    EXPECT_FALSE(QFile::exists(none));

    const QString truncated = dir.filePath(QStringLiteral("truncated.gz"));
    const QByteArray packed = gzipped(content);
    ASSERT_TRUE(writeFile(truncated, packed.left(packed.size() - 10)));
    const QString failed = dir.filePath(QStringLiteral("failed.xml"));
    EXPECT_FALSE(ZRZLib::inflateGzipAtPath(truncated, failed));
    EXPECT_FALSE(QFile::exists(failed));
}
