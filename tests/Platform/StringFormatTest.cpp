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
