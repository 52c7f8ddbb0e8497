#include "ZRKit/ZRError.h"

#include <gtest/gtest.h>

TEST(ZRErrorTest, KitErrorsShareDomainAndCodeAndCarryTheirTexts) {
    const Platform::Error plain =
        ZRError::zr_errorWithLocalizedDescription(QStringLiteral("Could not load."));
    const Platform::Error suggested =
        ZRError::zr_errorWithLocalizedDescription(QStringLiteral("Other text"), QStringLiteral("Try again."));
    EXPECT_EQ(plain.domain(), QStringLiteral("com.dunwarbeck.error.zrkit"));
    EXPECT_EQ(plain.code(), 0);
    EXPECT_EQ(plain.localizedDescription(), QStringLiteral("Could not load."));
    EXPECT_TRUE(plain.localizedRecoverySuggestion().isEmpty());
    EXPECT_TRUE(plain.userInfo().isEmpty());
    EXPECT_TRUE(plain.isSameKind(suggested));
    EXPECT_EQ(suggested.localizedRecoverySuggestion(), QStringLiteral("Try again."));
    EXPECT_FALSE(plain == suggested);
}

TEST(ZRErrorDeathTest, ANullDescriptionOrSuggestionIsRefused) {
    EXPECT_DEATH(ZRError::zr_errorWithLocalizedDescription(QString()),
                 "Invalid parameter not satisfying: inLocalizedDescription");
    EXPECT_DEATH(ZRError::zr_errorWithLocalizedDescription(QStringLiteral("text"), QString()),
                 "Invalid parameter not satisfying: inRecoverySuggestion");
    EXPECT_EQ(ZRError::zr_errorWithLocalizedDescription(QStringLiteral("")).localizedDescription(),
              QString());
}
