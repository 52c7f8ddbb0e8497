#include "ZRKit/UI/ZRWorkspaceIcon.h"

#include <gtest/gtest.h>

TEST(ZRWorkspaceIconTest, EveryIdentifierGetsSomeIconEvenWithoutATheme) {
    EXPECT_FALSE(
        ZRWorkspace::iconForAppWithBundleIdentifier(QStringLiteral("org.example.NoSuchApp")).isNull());
    EXPECT_FALSE(ZRWorkspace::iconForAppWithBundleIdentifier(QString()).isNull());
}
