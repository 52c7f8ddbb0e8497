#include "ZRKit/ZRJSONArchiver.h"

#include "Platform/SystemLog.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class Person : public ZRJSONCoding {
public:
    QString name;
    int count = 0;
    QVariantList tags;
    QString className() const override { return QStringLiteral("Person"); }
    void encodeWithCoder(ZRJSONArchiver& coder) const override {
        coder.encodeObjectForKey(name, QStringLiteral("name"));
        coder.encodeIntForKey(count, QStringLiteral("count"));
        coder.encodeObjectForKey(tags, QStringLiteral("tags"));
    }
    void initWithCoder(ZRJSONUnarchiver& coder) override {
        name = coder.decodeObjectForKey(QStringLiteral("name")).toString();
        count = coder.decodeIntForKey(QStringLiteral("count"));
        tags = coder.decodeObjectForKey(QStringLiteral("tags")).toList();
    }
};

QJsonObject archiveOf(const QVariant& object) {
    const auto data = ZRJSONArchiver::archivedDataWithRootObject(object);
    EXPECT_TRUE(data.has_value());
    return QJsonDocument::fromJson(data.value_or(QByteArray())).object();
}

} // namespace

TEST(ZRJSONArchiverTest, TheDocumentedLayout) {
    EXPECT_EQ(archiveOf(QStringLiteral("hi")),
              (QJsonObject{{QStringLiteral("_str_root"), QStringLiteral("hi")}}));
    EXPECT_EQ(archiveOf(QVariantList{QStringLiteral("a"), 1}),
              (QJsonObject{{QStringLiteral("_arr_root"),
                            QJsonObject{{QStringLiteral("_str_000000"), QStringLiteral("a")},
                                        {QStringLiteral("_num_000001"), 1}}}}));
    auto person = std::make_shared<Person>();
    person->name = QStringLiteral("x");
    person->count = 3;
    const QJsonObject level = archiveOf(QVariant::fromValue<ZRJSONCodingPtr>(person))
                                  .value(QStringLiteral("_Person_root"))
                                  .toObject();
    EXPECT_EQ(level.value(QStringLiteral("_str_name")).toString(), QStringLiteral("x"));
    EXPECT_EQ(level.value(QStringLiteral("count")).toInt(), 3); // scalars under the plain key
    EXPECT_EQ(ZRJSONArchiver::archivedDataWithRootObject(QVariant()), QByteArray("{}"));
    EXPECT_FALSE(ZRJSONUnarchiver::unarchiveObjectWithData("{}").isValid());
}

TEST(ZRJSONArchiverTest, GraphsRoundTripIncludingKeysWithUnderscores) {
    ASSERT_TRUE(
        ZRJSONUnarchiver::registerClass(QStringLiteral("Person"), [] { return std::make_shared<Person>(); }));
    auto person = std::make_shared<Person>();
    person->name = QStringLiteral("Ada");
    person->count = 7;
    person->tags = {QStringLiteral("one"), 2.5};
    QVariantList eleven;
    for (int i = 0; i < 11; ++i)
        eleven.append(QString::number(i));
    const QVariantMap graph{{QStringLiteral("first_name"), QStringLiteral("Grace")},
                            {QStringLiteral("list"), eleven},
                            {QStringLiteral("set"), QVariant::fromValue(ZRJSONSet{{1, 2, 3}})},
                            {QStringLiteral("person"), QVariant::fromValue<ZRJSONCodingPtr>(person)},
                            {QStringLiteral("yes"), true}};
    const QVariant back =
        ZRJSONUnarchiver::unarchiveObjectWithData(*ZRJSONArchiver::archivedDataWithRootObject(graph));
    const QVariantMap map = back.toMap();
    EXPECT_EQ(map.value(QStringLiteral("first_name")).toString(), QStringLiteral("Grace"));
    EXPECT_EQ(map.value(QStringLiteral("list")).toList(), eleven);
    EXPECT_EQ(map.value(QStringLiteral("set")).value<ZRJSONSet>(), (ZRJSONSet{{3, 1, 2}}));
    EXPECT_TRUE(map.value(QStringLiteral("yes")).toBool());
    const auto decoded =
        std::dynamic_pointer_cast<Person>(map.value(QStringLiteral("person")).value<ZRJSONCodingPtr>());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->name, QStringLiteral("Ada"));
    EXPECT_EQ(decoded->count, 7);
    EXPECT_EQ(decoded->tags, person->tags);
}

TEST(ZRJSONArchiverTest, ArraysKeepTheirOrderPastAMillionElements) {
    // Position keys grow to seven digits after 999,999; they are read back as numbers, not as text.
    QJsonObject level;
    level.insert(QStringLiteral("_str_999999"), QStringLiteral("before"));
    level.insert(QStringLiteral("_str_1000000"), QStringLiteral("after"));
    level.insert(QStringLiteral("_str_000002"), QStringLiteral("first"));
    const QVariant back =
        ZRJSONUnarchiver::unarchiveObjectWithDictionary(QJsonObject{{QStringLiteral("_arr_root"), level}});
    EXPECT_EQ(back.toList(),
              (QVariantList{QStringLiteral("first"), QStringLiteral("before"), QStringLiteral("after")}));
}

TEST(ZRJSONArchiverTest, WhatCannotBeArchivedOrCreatedIsRefused) {
    QString error;
    EXPECT_FALSE(ZRJSONArchiver::archivedDataWithRootObject(std::nan(""), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        ZRJSONArchiver::archivedDataWithRootObject(QVariantList{std::numeric_limits<double>::infinity()})
            .has_value());
    ZRJSONArchiver archiver;
    archiver.encodeDoubleForKey(std::numeric_limits<double>::quiet_NaN(), QStringLiteral("x"));
    EXPECT_TRUE(archiver.failed());

    Platform::SystemLog::Capture log;
    // A class that nobody registered is never created.
    const QVariant unknown =
        ZRJSONUnarchiver::unarchiveObjectWithData(R"({"_Launcher_root":{"_str_path":"/bin/sh"}})");
    EXPECT_FALSE(unknown.isValid());
    EXPECT_TRUE(log.contains(QStringLiteral("Launcher")));
    // Inside a container such an entry is left out rather than kept as an empty value.
    EXPECT_EQ(
        ZRJSONUnarchiver::unarchiveObjectWithData(
            R"({"_arr_root":{"_str_000000":"a","_Launcher_000001":{},"_str_000002":null,"_str_000003":"b"}})")
            .toList(),
        (QVariantList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_FALSE(ZRJSONUnarchiver::registerClass(QStringLiteral("Bad_Name"),
                                                 [] { return std::make_shared<Person>(); }));
    EXPECT_FALSE(
        ZRJSONUnarchiver::registerClass(QStringLiteral("str"), [] { return std::make_shared<Person>(); }));

    EXPECT_FALSE(ZRJSONUnarchiver::unarchiveObjectWithData("not json").isValid());
    EXPECT_TRUE(log.contains(QStringLiteral("ZRJSONUnarchiver: error deserializing JSON: ")));
    EXPECT_FALSE(ZRJSONUnarchiver::unarchiveObjectWithData("[1,2]").isValid());
}

TEST(ZRJSONArchiverTest, ScalarsReadAsZeroWhenAbsent) {
    ZRJSONUnarchiver unarchiver;
    EXPECT_EQ(unarchiver.decodeIntForKey(QStringLiteral("count")), 0);
    EXPECT_FALSE(unarchiver.decodeBoolForKey(QStringLiteral("flag")));
    EXPECT_EQ(unarchiver.decodeDoubleForKey(QStringLiteral("d")), 0.0);
}

TEST(ZRJSONArchiverTest, SixtyFourBitIntegersComeBackExactlyAndAnEmptyUnarchiverDecodesNothing) {
    class Wide : public ZRJSONCoding {
    public:
        QString className() const override { return QStringLiteral("Wide"); }
        void encodeWithCoder(ZRJSONArchiver& coder) const override {
            coder.encodeInt64ForKey(std::numeric_limits<qint64>::min(), QStringLiteral("min"));
            coder.encodeInt64ForKey(std::numeric_limits<qint64>::max(), QStringLiteral("max"));
            coder.encodeInt64ForKey((qint64(1) << 53) + 1, QStringLiteral("odd"));
            coder.encodeObjectForKey(QVariant::fromValue(-(qint64(1) << 60) - 3), QStringLiteral("boxed"));
            coder.encodeObjectForKey(QVariant::fromValue((quint64(1) << 62) + 1), QStringLiteral("unsigned"));
        }
        void initWithCoder(ZRJSONUnarchiver& coder) override {
            min = coder.decodeInt64ForKey(QStringLiteral("min"));
            max = coder.decodeInt64ForKey(QStringLiteral("max"));
            odd = coder.decodeInt64ForKey(QStringLiteral("odd"));
            boxed = coder.decodeObjectForKey(QStringLiteral("boxed"));
            unsignedValue = coder.decodeObjectForKey(QStringLiteral("unsigned"));
        }
        qint64 min = 0, max = 0, odd = 0;
        QVariant boxed, unsignedValue;
    };
    ZRJSONUnarchiver::registerClass(QStringLiteral("Wide"), [] { return std::make_shared<Wide>(); });
    const auto data = ZRJSONArchiver::archivedDataWithRootObject(
        QVariant::fromValue(ZRJSONCodingPtr(std::make_shared<Wide>())));
    ASSERT_TRUE(data.has_value());
    const auto back = std::dynamic_pointer_cast<Wide>(
        ZRJSONUnarchiver::unarchiveObjectWithData(*data).value<ZRJSONCodingPtr>());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->min, std::numeric_limits<qint64>::min());
    EXPECT_EQ(back->max, std::numeric_limits<qint64>::max());
    EXPECT_EQ(back->odd, (qint64(1) << 53) + 1);
    EXPECT_EQ(back->boxed.toLongLong(), -(qint64(1) << 60) - 3);
    EXPECT_EQ(back->unsignedValue.toULongLong(), (quint64(1) << 62) + 1);

    // Archives written before keep loading: a number written with a fraction reads as its whole part.
    const QVariant old =
        ZRJSONUnarchiver::unarchiveObjectWithData(R"({"_Wide_root":{"min":-2.5e3,"odd":12}})");
    EXPECT_EQ(std::dynamic_pointer_cast<Wide>(old.value<ZRJSONCodingPtr>())->min, -2500);

    ZRJSONUnarchiver empty;
    EXPECT_FALSE(empty.decodeObjectForKey(QStringLiteral("root")).isValid());
}
