#include "Platform/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

using Platform::PropertyList;

namespace {

QByteArray plist(const char* body) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") + body +
           "</plist>";
}

QVariant readOrFail(const QByteArray& document) {
    QString error;
    QVariant value = PropertyList::read(document, &error);
    EXPECT_TRUE(value.isValid()) << error.toStdString();
    return value;
}

} // namespace

TEST(PropertyListTest, EveryValueTypeSurvivesARoundTrip) {
    const QDateTime date(QDate(2026, 3, 14), QTime(15, 9, 26), Qt::UTC);
    QVariantMap nested{{QStringLiteral("inner"), QVariantList{1, QStringLiteral("two"), 3.5}}};
    const QVariantMap original{
        {QStringLiteral("string"), QStringLiteral("Grüße & <tags> \"quoted\"")},
        {QStringLiteral("empty string"), QString()},
        {QStringLiteral("integer"), qint64(-42)},
        {QStringLiteral("big"), qint64(9007199254740993LL)},
        {QStringLiteral("real"), 0.1},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("date"), date},
        {QStringLiteral("data"), QByteArray("\x00\x01\xfe\xff binary", 11)},
        {QStringLiteral("empty data"), QByteArray()},
        {QStringLiteral("array"), QVariantList{QStringLiteral("a"), QVariantList{}, QVariantMap{}}},
        {QStringLiteral("dict"), nested},
    };
    QString error;
    const QByteArray document = PropertyList::write(original, &error);
    ASSERT_FALSE(document.isEmpty()) << error.toStdString();
    EXPECT_TRUE(document.contains("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""));

    const QVariantMap back = readOrFail(document).toMap();
    ASSERT_EQ(back.keys(), original.keys());
    EXPECT_EQ(back.value("string").toString(), original.value("string").toString());
    EXPECT_EQ(back.value("empty string").typeId(), QMetaType::QString);
    EXPECT_TRUE(back.value("empty string").toString().isEmpty());
    EXPECT_EQ(back.value("integer").typeId(), QMetaType::LongLong);
    EXPECT_EQ(back.value("integer").toLongLong(), -42);
    EXPECT_EQ(back.value("big").toLongLong(), 9007199254740993LL);
    EXPECT_EQ(back.value("real").typeId(), QMetaType::Double);
    EXPECT_EQ(back.value("real").toDouble(), 0.1);
    EXPECT_EQ(back.value("yes").typeId(), QMetaType::Bool);
    EXPECT_TRUE(back.value("yes").toBool());
    EXPECT_FALSE(back.value("no").toBool());
    EXPECT_EQ(back.value("date").toDateTime(), date);
    EXPECT_EQ(back.value("data").toByteArray(), original.value("data").toByteArray());
    EXPECT_EQ(back.value("empty data").typeId(), QMetaType::QByteArray);
    const QVariantList array = back.value("array").toList();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array.at(1).typeId(), QMetaType::QVariantList);
    EXPECT_EQ(array.at(2).typeId(), QMetaType::QVariantMap);
    const QVariantList inner = back.value("dict").toMap().value("inner").toList();
    ASSERT_EQ(inner.size(), 3);
    EXPECT_EQ(inner.at(0).toLongLong(), 1);
    EXPECT_EQ(inner.at(1).toString(), QStringLiteral("two"));
    EXPECT_EQ(inner.at(2).toDouble(), 3.5);
}

TEST(PropertyListTest, DatesKeepTheirMillisecondsAndWholeSecondsStayWhole) {
    const QDateTime fractional(QDate(2026, 3, 14), QTime(15, 9, 26, 500), Qt::UTC);
    const QByteArray document = PropertyList::write(QVariantList{fractional});
    EXPECT_TRUE(document.contains("<date>2026-03-14T15:09:26.500Z</date>")) << document.constData();
    EXPECT_EQ(readOrFail(document).toList().value(0).toDateTime(), fractional);

    const QDateTime whole(QDate(2026, 3, 14), QTime(15, 9, 26), Qt::UTC);
    EXPECT_TRUE(PropertyList::write(QVariantList{whole}).contains("<date>2026-03-14T15:09:26Z</date>"));
    // A date in another zone is written as the same instant in UTC.
    const QDateTime zoned(QDate(2026, 3, 14), QTime(16, 9, 26, 7), QTimeZone(3600));
    EXPECT_EQ(readOrFail(PropertyList::write(QVariantList{zoned})).toList().value(0).toDateTime(), zoned);
}

TEST(PropertyListTest, DictionaryFilesGiveTheirKeysInFileOrder) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ordered.plist"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<plist><dict><key>b</key><dict><key>z</key><true/></dict><key>a</key><string/>"
               "<key>c</key><integer>1</integer><key>a</key><string>again</string></dict></plist>");
    file.close();
    QStringList keys;
    const std::optional<QVariantMap> dictionary = PropertyList::readDictionaryFile(path, nullptr, &keys);
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_EQ(keys, (QStringList{"b", "a", "c"}));
    EXPECT_EQ(dictionary->value("a").toString(), QStringLiteral("again"));
}

TEST(PropertyListTest, ReadsWhatOtherWritersProduce) {
    const QVariantMap map = readOrFail(plist(R"(
        <!-- a comment -->
        <dict>
          <key>hex</key><integer> 0x1F </integer>
          <key>negative</key><integer>-7</integer>
          <key>huge</key><integer>18446744073709551615</integer>
          <key>real</key><real>1e3</real>
          <key>when</key><date>2001-01-01T00:00:00Z</date>
          <key>wrapped</key><data>
             AAEC
             AwQ=
          </data>
          <key>twice</key><string>first</string>
          <key>twice</key><string>second</string>
        </dict>)"))
                                .toMap();
    EXPECT_EQ(map.value("hex").toLongLong(), 31);
    EXPECT_EQ(map.value("negative").toLongLong(), -7);
    EXPECT_EQ(map.value("huge").toULongLong(), 18446744073709551615ULL);
    EXPECT_EQ(map.value("real").toDouble(), 1000.0);
    EXPECT_EQ(map.value("when").toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(map.value("wrapped").toByteArray(), QByteArray("\x00\x01\x02\x03\x04", 5));
    EXPECT_EQ(map.value("twice").toString(), QStringLiteral("second"));

    // A bare top-level value without the plist element is accepted too.
    EXPECT_EQ(readOrFail("<array><true/><false/></array>").toList(), (QVariantList{true, false}));
}

TEST(PropertyListTest, MalformedDocumentsGiveAClearErrorAndNoValue) {
    const std::vector<std::pair<QByteArray, QString>> cases{
        {QByteArray(), QStringLiteral("")},
        {"not xml at all", QStringLiteral("")},
        {plist("<dict><key>a</key></dict>"), QStringLiteral("has no value")},
        {plist("<dict><string>x</string></dict>"), QStringLiteral("expected <key>")},
        {plist("<integer>12abc</integer>"), QStringLiteral("not an integer")},
        {plist("<real>fast</real>"), QStringLiteral("not a real")},
        {plist("<date>yesterday</date>"), QStringLiteral("not a date")},
        {plist("<data>!!!</data>"), QStringLiteral("base64")},
        {plist("<widget/>"), QStringLiteral("unknown element")},
        {plist("<true>yes</true>"), QStringLiteral("must be empty")},
        {plist("<string>a</string><string>b</string>"), QStringLiteral("more than one value")},
        {plist("<array><string>unclosed</array>"), QStringLiteral("")},
        {plist("<string>a<string>b</string></string>"), QStringLiteral("")},
        {"<plist><dict><key>a</key><string>b</string>", QStringLiteral("")},
    };
    for (const auto& [document, expected] : cases) {
        QString error;
        const QVariant value = PropertyList::read(document, &error);
        EXPECT_FALSE(value.isValid()) << document.toStdString();
        EXPECT_FALSE(error.isEmpty()) << document.toStdString();
        EXPECT_TRUE(error.contains(expected)) << error.toStdString();
    }
}

TEST(PropertyListTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    QByteArray deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<array>";
    QString error;
    EXPECT_FALSE(PropertyList::read(plist(deep.constData()), &error).isValid());
    EXPECT_FALSE(error.isEmpty());
}

TEST(PropertyListTest, ValuesWithoutAPropertyListFormAreRefused) {
    QString error;
    EXPECT_TRUE(PropertyList::write(QVariant(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(
        PropertyList::write(QVariantMap{{"a", QVariantList{1, QVariant::fromValue(QSize(1, 2))}}}, &error)
            .isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("QSize")));
    error.clear();
    EXPECT_TRUE(PropertyList::write(QStringLiteral("bell \a"), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(PropertyListTest, FilesAreReplacedWholeAndDictionariesChecked) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.plist");
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{"a", 1}}));

    QString error;
    EXPECT_FALSE(PropertyList::writeFile(path, QVariant(), &error));
    auto map = PropertyList::readDictionaryFile(path, &error);
    ASSERT_TRUE(map.has_value()) << "a failed write must leave the old file";
    EXPECT_EQ(map->value("a").toLongLong(), 1);

    ASSERT_TRUE(PropertyList::writeFile(path, QVariantList{1}));
    EXPECT_FALSE(PropertyList::readDictionaryFile(path, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("not a dictionary")));

    EXPECT_FALSE(PropertyList::readDictionaryFile(dir.filePath("missing.plist"), &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("missing.plist")));
    EXPECT_FALSE(PropertyList::writeFile(dir.filePath("no/such/folder/x.plist"), QVariantMap{}, &error));

    // A named pipe in place of the file (a bundle's Info.plist, say) is refused, not waited on.
    const QString pipe = dir.filePath("Info.plist");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(PropertyList::readDictionaryFile(pipe, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
}
