#include "Platform/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <limits>

#include <gtest/gtest.h>

using Platform::UserDefaults;

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("defaults.conf")); }
};

TEST_F(UserDefaultsTest, UserValueHidesRegisteredOneAndRemovalRevealsItAgain) {
    UserDefaults defaults(path());
    defaults.registerDefaults({{QStringLiteral("interval"), 15}});
    EXPECT_EQ(defaults.integer(QStringLiteral("interval")), 15);
    defaults.setValue(QStringLiteral("interval"), 60);
    EXPECT_EQ(defaults.integer(QStringLiteral("interval")), 60);
    defaults.setValue(QStringLiteral("interval"), QVariant());
    EXPECT_EQ(defaults.integer(QStringLiteral("interval")), 15);
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("interval")));
    EXPECT_FALSE(defaults.persistentDomain().contains(QStringLiteral("interval")));
}

TEST_F(UserDefaultsTest, ValuesSurviveANewProcessAndReadWithTheirTypes) {
    {
        UserDefaults defaults(path());
        defaults.setValue(QStringLiteral("level"), 7);
        defaults.setValue(QStringLiteral("hide"), true);
        defaults.setValue(QStringLiteral("ratio"), 2.5);
        defaults.setValue(QStringLiteral("name"), QStringLiteral("ABC"));
        defaults.setValue(QStringLiteral("blob"), QByteArray("\x00\x01{}", 4));
    }
    UserDefaults reread(path());
    EXPECT_EQ(reread.integer(QStringLiteral("level")), 7);
    EXPECT_TRUE(reread.boolean(QStringLiteral("hide")));
    EXPECT_DOUBLE_EQ(reread.doubleValue(QStringLiteral("ratio")), 2.5);
    EXPECT_EQ(reread.string(QStringLiteral("name")), QStringLiteral("ABC"));
    EXPECT_EQ(reread.data(QStringLiteral("blob")), QByteArray("\x00\x01{}", 4));
}

TEST_F(UserDefaultsTest, MissingAndMistypedValuesFallBackWithoutError) {
    UserDefaults defaults(path());
    EXPECT_EQ(defaults.integer(QStringLiteral("absent")), 0);
    EXPECT_FALSE(defaults.boolean(QStringLiteral("absent")));
    EXPECT_FALSE(defaults.string(QStringLiteral("absent")).has_value());
    EXPECT_FALSE(defaults.date(QStringLiteral("absent")).has_value());
    defaults.setValue(QStringLiteral("text"), QStringLiteral("not a number"));
    EXPECT_EQ(defaults.integer(QStringLiteral("text")), 0);
    EXPECT_FALSE(defaults.boolean(QStringLiteral("text")));
    defaults.setValue(QStringLiteral("list"), QVariantList{1, 2});
    EXPECT_EQ(defaults.integer(QStringLiteral("list")), 0);
    EXPECT_FALSE(defaults.string(QStringLiteral("list")).has_value());

    // Numbers beyond the integer range saturate rather than wrap; not-a-number reads as 0.
    defaults.setValue(QStringLiteral("huge"), 1e300);
    EXPECT_EQ(defaults.integer(QStringLiteral("huge")), std::numeric_limits<qint64>::max());
    defaults.setValue(QStringLiteral("hugeText"), QStringLiteral("1e300"));
    EXPECT_EQ(defaults.integer(QStringLiteral("hugeText")), std::numeric_limits<qint64>::max());
    defaults.setValue(QStringLiteral("tinyText"), QStringLiteral("-1e300"));
    EXPECT_EQ(defaults.integer(QStringLiteral("tinyText")), std::numeric_limits<qint64>::min());
    defaults.registerDefaults({{QStringLiteral("nan"), qQNaN()}});
    EXPECT_EQ(defaults.integer(QStringLiteral("nan")), 0);
}

TEST_F(UserDefaultsTest, EveryChangeIsSignalledWithItsKey) {
    UserDefaults defaults(path());
    QSignalSpy spy(&defaults, &UserDefaults::valueChanged);
    defaults.setValue(QStringLiteral("a"), 1);
    defaults.removeObject(QStringLiteral("a"));
    defaults.removeObject(QStringLiteral("a")); // nothing to remove: no signal
    defaults.registerDefaults({{QStringLiteral("b"), 2}});
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("a"));
    EXPECT_EQ(spy.at(1).at(0).toString(), QStringLiteral("a"));
    EXPECT_EQ(spy.at(2).at(0).toString(), QStringLiteral("b"));
}

TEST_F(UserDefaultsTest, StandardStoreLivesUnderTheConfigFolder) {
    const QString file = UserDefaults::standard().filePath();
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME"))) << file.toStdString();
    EXPECT_TRUE(file.endsWith(QStringLiteral("/Corvantide/Corvantide.conf"))) << file.toStdString();
}
