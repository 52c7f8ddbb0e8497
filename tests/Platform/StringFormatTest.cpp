#include "Platform/StringFormat.h"

#include <gtest/gtest.h>

using Platform::stringWithFormat;

TEST(StringFormatTest, FillsObjectNumberAndPositionalConversions) {
    EXPECT_EQ(stringWithFormat(QStringLiteral("Would you like %@ to check?"), QStringLiteral("Corvantide")),
              QStringLiteral("Would you like Corvantide to check?"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("Every %d minutes"), 15), QStringLiteral("Every 15 minutes"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("%ld|%lu|%5.2f|%-4d|%03d|%x"), -3, 7u, 3.14159, 9, 7, 255),
              QStringLiteral("-3|7| 3.14|9   |007|ff"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("%2$@ then %1$@"), QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("b then a"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("%@ (%@)"), QStringLiteral("2.1"), QVariant()),
              QStringLiteral("2.1 ((null))"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("100%%")), QStringLiteral("100%"));
}

TEST(StringFormatTest, ArgumentsAreNeverReadAsFormatsAndOddFormatsSurvive) {
    EXPECT_EQ(stringWithFormat(QStringLiteral("%@"), QStringLiteral("50% off %d %@ %n")),
              QStringLiteral("50% off %d %@ %n"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("missing %@ and %d")), QStringLiteral("missing (null) and 0"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("trailing %")), QStringLiteral("trailing %"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("%k %@"), QStringLiteral("x")), QStringLiteral("%k x"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("%99999999999d|"), 1).size(), 10001);
}

TEST(StringFormatTest, ANullStringIsNilAndAnEmptyOneIsNothing) {
    EXPECT_EQ(stringWithFormat(QStringLiteral("[%@]"), QString()), QStringLiteral("[(null)]"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("[%@]"), QStringLiteral("")), QStringLiteral("[]"));
    EXPECT_EQ(stringWithFormat(QStringLiteral("[%s|%5@]"), QString(), QString()),
              QStringLiteral("[(null)|(null)]"));
}

TEST(StringFormatTest, CharacterConversionsStayWithinUnicode) {
    EXPECT_EQ(stringWithFormat(QStringLiteral("%c%c"), 72, 0xE9), QStringLiteral("Hé"));
    // Beyond 16 bits: the surrogate pair of the character.
    EXPECT_EQ(stringWithFormat(QStringLiteral("%c"), 0x1F600), QString::fromUtf8("\xF0\x9F\x98\x80"));
    const QString replacement(QChar(QChar::ReplacementCharacter));
    for (const qlonglong bad : {-1LL, 0xD800LL, 0xDFFFLL, 0x110000LL, 0x7FFFFFFFLL, 0x100000000LL})
        EXPECT_EQ(stringWithFormat(QStringLiteral("%c"), bad), replacement) << bad;
    EXPECT_EQ(stringWithFormat(QStringLiteral("%3c|"), 0x1F600),
              QStringLiteral(" ") + QString::fromUtf8("\xF0\x9F\x98\x80|"));
}
