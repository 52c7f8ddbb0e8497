#include "ZRKit/ZRCSVParser.h"

#include <gtest/gtest.h>

namespace {

QList<QVariantMap> rows(const QString& text, const QString& separator = QStringLiteral(","),
                        bool header = false) {
    ZRCSVParser parser(text, separator, header);
    const auto parsed = parser.arrayOfParsedRows();
    EXPECT_TRUE(parsed.has_value()) << qPrintable(parser.errorMessage());
    return parsed.value_or(QList<QVariantMap>());
}

QVariantMap row(std::initializer_list<std::pair<QString, QString>> fields) {
    QVariantMap map;
    for (const auto& [name, value] : fields)
        map.insert(name, value);
    return map;
}

} // namespace

TEST(ZRCSVParserTest, HeaderNamesAndGeneratedNames) {
    EXPECT_EQ(rows(QStringLiteral("a,b\n1,2"), QStringLiteral(","), true),
              QList<QVariantMap>{row(
                  {{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("b"), QStringLiteral("2")}})});

    ZRCSVParser parser(QStringLiteral("a,b\n1,2"), QStringLiteral(","), false);
    const auto parsed = parser.arrayOfParsedRows();
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->size(), 2);
    EXPECT_EQ(parsed->at(0).value(QStringLiteral("FIELD_1")), QStringLiteral("a"));
    EXPECT_EQ(parsed->at(1).value(QStringLiteral("FIELD_2")), QStringLiteral("2"));
    EXPECT_EQ(parser.fieldNames(), (QStringList{QStringLiteral("FIELD_1"), QStringLiteral("FIELD_2")}));

    ZRCSVParser named(QStringLiteral("1,2,3"), QStringLiteral(","), false, {QStringLiteral("x")});
    const auto namedRows = named.arrayOfParsedRows();
    ASSERT_TRUE(namedRows.has_value());
    EXPECT_EQ(namedRows->first().keys(),
              (QStringList{QStringLiteral("FIELD_2"), QStringLiteral("FIELD_3"), QStringLiteral("x")}));
}

TEST(ZRCSVParserTest, QuotedFieldsBlankLinesAndTrailingSeparators) {
    const auto quoted = rows(QStringLiteral("\"a,b\nc\"\"d\",e"));
    ASSERT_EQ(quoted.size(), 1);
    EXPECT_EQ(quoted.first().value(QStringLiteral("FIELD_1")), QStringLiteral("a,b\nc\"d"));
    EXPECT_EQ(quoted.first().value(QStringLiteral("FIELD_2")), QStringLiteral("e"));

    EXPECT_EQ(rows(QStringLiteral("1\n\n\n2\r\n3\n")).size(), 3);
    const auto trailing = rows(QStringLiteral("1,"));
    ASSERT_EQ(trailing.size(), 1);
    EXPECT_EQ(trailing.first().value(QStringLiteral("FIELD_2")), QString());
    EXPECT_TRUE(trailing.first().contains(QStringLiteral("FIELD_2")));
    const auto spaced = rows(QStringLiteral(" a ,\tb"));
    EXPECT_EQ(spaced.first().value(QStringLiteral("FIELD_1")), QStringLiteral(" a "));

    const auto colons = rows(QStringLiteral("a:b::c"), QStringLiteral("::"));
    ASSERT_EQ(colons.size(), 1);
    EXPECT_EQ(colons.first().value(QStringLiteral("FIELD_1")), QStringLiteral("a:b"));
    EXPECT_EQ(colons.first().value(QStringLiteral("FIELD_2")), QStringLiteral("c"));
}

TEST(ZRCSVParserTest, MalformedTextIsRefusedInsteadOfCutShort) {
    for (const QString& text : {QStringLiteral("a,b\n1,2\"x\n3,4"), QStringLiteral("a,\"b\"c\n1,2"),
                                QStringLiteral("a,b\n\"never closed,2\n3,4"), QString(),
                                QStringLiteral("\n1,2"), QStringLiteral("header-only")}) {
        ZRCSVParser parser(text, QStringLiteral(","), text == QLatin1String("header-only"));
        EXPECT_FALSE(parser.arrayOfParsedRows().has_value()) << qPrintable(text);
        EXPECT_FALSE(parser.errorMessage().isEmpty());
    }
    ZRCSVParser parser(QStringLiteral("a\nb\"c"), QStringLiteral(","), false);
    EXPECT_FALSE(parser.arrayOfParsedRows().has_value());
    EXPECT_TRUE(parser.errorMessage().contains(QStringLiteral("line 2")))
        << qPrintable(parser.errorMessage());
}

TEST(ZRCSVParserTest, ReceiverGetsRowsInOrder) {
    ZRCSVParser parser(QStringLiteral("n\none\ntwo\nthree"), QStringLiteral(","), true);
    QStringList seen;
    EXPECT_TRUE(parser.parseRowsForReceiver(
        [&seen](const QVariantMap& row) { seen.append(row.value(QStringLiteral("n")).toString()); }));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
}

TEST(ZRCSVParserDeathTest, SeparatorsThatCannotWorkAreRefused) {
    EXPECT_DEATH(ZRCSVParser(QStringLiteral("x"), QStringLiteral("\""), false),
                 "must not contain the double quote");
    EXPECT_DEATH(ZRCSVParser(QStringLiteral("x"), QString(), false), "must not be empty");
}

TEST(ZRCSVParserTest, SaveTransformerMakesOneSafeField) {
    ZRCSVSaveValueTransformer transformer;
    EXPECT_EQ(transformer.transformedValue(QStringLiteral("a,b\"c\nd")).toString(),
              QStringLiteral("a_b''cd"));
    EXPECT_FALSE(transformer.transformedValue(42).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariant()).isValid());
    EXPECT_FALSE(ZRCSVSaveValueTransformer::allowsReverseTransformation());
}
