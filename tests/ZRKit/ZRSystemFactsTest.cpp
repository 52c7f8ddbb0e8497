#include "ZRKit/ZRLog.h"
#include "ZRKit/ZRMacAddress.h"
#include "ZRKit/ZRMacOSXVersion.h"
#include "ZRKit/ZRProcessInfo.h"

#include "Platform/UserDefaults.h"

#include "TestUtils.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ShouldLogTest : public ::testing::Test {
protected:
    void SetUp() override { ZRResetLogLevelForTesting(); }
    void TearDown() override {
        Platform::UserDefaults::standard().removeObject("logLevel");
        ZRResetLogLevelForTesting();
    }
    void setLevel(int level) {
        Platform::UserDefaults::standard().setValue("logLevel", level);
        ZRResetLogLevelForTesting();
    }
};

} // namespace

TEST_F(ShouldLogTest, AnUnsetLevelTurnsEverythingOff) {
    EXPECT_FALSE(ShouldLog(7));
    EXPECT_FALSE(ShouldLog(0));
    EXPECT_FALSE(ShouldLog(-3));
}

TEST_F(ShouldLogTest, LevelSevenAllowsUpToSeven) {
    setLevel(7);
    EXPECT_TRUE(ShouldLog(7));
    EXPECT_TRUE(ShouldLog(1));
    EXPECT_FALSE(ShouldLog(9));
}

TEST_F(ShouldLogTest, ANegativeLevelAllowsOnlyLevelsAtOrBelowIt) {
    setLevel(-3);
    EXPECT_TRUE(ShouldLog(-3));
    EXPECT_TRUE(ShouldLog(-4));
    EXPECT_FALSE(ShouldLog(-2));
    EXPECT_FALSE(ShouldLog(1));
}

TEST_F(ShouldLogTest, TheLevelIsReadOnceExceptForTheNotReadMarker) {
    setLevel(9);
    EXPECT_TRUE(ShouldLog(9));
    Platform::UserDefaults::standard().setValue("logLevel", 0);
    EXPECT_TRUE(ShouldLog(9)) << "a changed default waits for the next launch";

    setLevel(-1);
    EXPECT_TRUE(ShouldLog(-1));
    Platform::UserDefaults::standard().setValue("logLevel", 5);
    EXPECT_TRUE(ShouldLog(5)) << "-1 is read again at every call";
}

TEST(ZRMacOSXVersionTest, VersionStringsSplitIntoThreeNumbers) {
    const auto check = [](const char* text, long long major, long long minor, long long patch) {
        EXPECT_EQ(systemVersionFromString(text), (ZROperatingSystemVersion{major, minor, patch})) << text;
        EXPECT_EQ(ZRMacOSXVersion::systemVersionFromString(text),
                  (ZROperatingSystemVersion{major, minor, patch}));
    };
    check("12", 12, 0, 0);
    check("10.15.7.1", 10, 15, 7);
    check("", 0, 0, 0);
    check("12.3", 12, 3, 0);
    check("12.x.4", 12, 0, 4);
    check("13beta.2rc", 13, 2, 0);
    check(" 11.-1.+2", 11, -1, 2);
    // Too many digits must not overflow into a negative or random number.
    EXPECT_GT(systemVersionFromString("99999999999999999999999.1").majorVersion, 0);
}

TEST(ZRMacOSXVersionTest, ComparisonIsLexicographicOverMajorMinorPatch) {
    const auto atLeast = ZRMacOSXVersion::systemVersionIsHigherOrEqualToSystemVsion;
    EXPECT_FALSE(atLeast({10, 15, 7}, {11, 0, 0}));
    EXPECT_TRUE(atLeast({12, 3, 0}, {10, 15, 0}));
    EXPECT_FALSE(atLeast({12, 3, 0}, {12, 3, 1}));
    EXPECT_TRUE(atLeast({12, 3, 1}, {12, 3, 1}));
    EXPECT_TRUE(atLeast({12, 4, 0}, {12, 3, 9}));
    EXPECT_FALSE(atLeast({11, 9, 9}, {12, 0, 0}));
}

TEST(ZRMacOSXVersionTest, TheVersionFamilyFollowsTheRunningSystemIncludingCompatibilityNumbers) {
    ZRMacOSXVersion::setSystemVersionForTesting(ZROperatingSystemVersion{10, 16, 0});
    EXPECT_TRUE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_11_0());
    EXPECT_FALSE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_12_0());
    EXPECT_TRUE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_15());

    ZRMacOSXVersion::setSystemVersionForTesting(ZROperatingSystemVersion{10, 17, 0});
    EXPECT_TRUE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_12_0());

    ZRMacOSXVersion::setSystemVersionForTesting(ZROperatingSystemVersion{10, 5, 6});
    EXPECT_TRUE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5());
    EXPECT_FALSE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5_7());
    EXPECT_FALSE(ZRMacOSXVersion::OSVersionIsHigherOrEqual_11_0());

    ZRMacOSXVersion::setSystemVersionForTesting(ZROperatingSystemVersion{12, 3, 0});
    for (bool answer :
         {ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_3(), ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_4(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5_7(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_6(), ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_7(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_8(), ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_9(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_10(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_10_3(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_11(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_12(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_13(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_14(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_15(), ZRMacOSXVersion::OSVersionIsHigherOrEqual_11_0(),
          ZRMacOSXVersion::OSVersionIsHigherOrEqual_12_0()})
        EXPECT_TRUE(answer);
    ZRMacOSXVersion::setSystemVersionForTesting(std::nullopt);
}

TEST(ZRMacOSXVersionTest, TheRunningSystemComesFromOsRelease) {
    QTemporaryDir dir;
    ASSERT_TRUE(TestUtils::writeFile(
        dir.filePath("quoted"), "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nPRETTY_NAME=\"Debian 12\"\n"));
    ASSERT_TRUE(TestUtils::writeFile(dir.filePath("plain"), "# comment\nVERSION_ID=22.04.3\n"));
    ASSERT_TRUE(TestUtils::writeFile(dir.filePath("rolling"), "NAME=Arch\nBUILD_ID=rolling\n"));
    EXPECT_EQ(ZRMacOSXVersion::systemVersionFromOsRelease(dir.filePath("quoted")),
              (ZROperatingSystemVersion{12, 0, 0}));
    EXPECT_EQ(ZRMacOSXVersion::systemVersionFromOsRelease(dir.filePath("plain")),
              (ZROperatingSystemVersion{22, 4, 3}));
    EXPECT_EQ(ZRMacOSXVersion::systemVersionFromOsRelease(dir.filePath("rolling")),
              ZROperatingSystemVersion{});
    EXPECT_EQ(ZRMacOSXVersion::systemVersionFromOsRelease(dir.filePath("missing")),
              ZROperatingSystemVersion{});

    EXPECT_EQ(ZRMacOSXVersion::currentSystemVersion(),
              systemVersionFromString(ZRMacOSXVersion::productVersion()));
    EXPECT_FALSE(ZRMacOSXVersion::systemVersion().isEmpty());
    EXPECT_EQ(ZRMacOSXVersion::architecture(), QSysInfo::currentCpuArchitecture());
    EXPECT_NE(ZRMacOSXVersion::architecture(), QStringLiteral("Apple Silicon"));
}

TEST(ZRProcessInfoTest, OptionsTakeTheFollowingValueUnlessItIsAnOption) {
    const auto parsed = ZRProcessInfo::parsedArguments({"/usr/bin/app", "-a", "1", "-b", "-c", "2", "3"});
    ASSERT_EQ(parsed.size(), 3);
    EXPECT_EQ(parsed.value("-a"), QStringLiteral("1"));
    ASSERT_TRUE(parsed.contains("-b"));
    EXPECT_FALSE(parsed.value("-b").has_value());
    EXPECT_EQ(parsed.value("-c"), QStringLiteral("2"));

    const auto repeated = ZRProcessInfo::parsedArguments({"app", "-x", "1", "-x", "--long", "-x", "3", "-y"});
    EXPECT_EQ(repeated.value("-x"), QStringLiteral("3"));
    EXPECT_FALSE(repeated.value("--long").has_value());
    EXPECT_TRUE(repeated.contains("-y"));
    EXPECT_TRUE(ZRProcessInfo::parsedArguments({}).isEmpty());
    EXPECT_TRUE(ZRProcessInfo::parsedArguments({"-"}).contains("-"));
}

namespace {

void addInterface(const QString& root, const QString& name, int type, int index, const QByteArray& address,
                  bool physical) {
    ASSERT_TRUE(TestUtils::writeFile(root + "/" + name + "/type", QByteArray::number(type) + "\n"));
    ASSERT_TRUE(TestUtils::writeFile(root + "/" + name + "/ifindex", QByteArray::number(index) + "\n"));
    if (!address.isNull()) {
        ASSERT_TRUE(TestUtils::writeFile(root + "/" + name + "/address", address + "\n"));
    }
    if (physical)
        QDir().mkpath(root + "/" + name + "/device");
}

} // namespace

TEST(ZRMacAddressTest, ThePrimaryPhysicalEthernetInterfaceGivesTheAddress) {
    QTemporaryDir dir;
    const QString root = dir.filePath("net");
    addInterface(root, "lo", 772, 1, "00:00:00:00:00:00", false);
    addInterface(root, "docker0", 1, 2, "02:42:ac:11:00:01", false);
    addInterface(root, "wlp2s0", 1, 4, "a4:5e:60:01:02:03", true);
    addInterface(root, "enp1s0", 1, 3, "3c:7c:3f:aa:bb:cc", true);
    EXPECT_EQ(ZRCopyMacAddress(root), QByteArray::fromHex("3c7c3faabbcc"));
}

TEST(ZRMacAddressTest, NoEthernetGivesSixZeroBytesAndUnreadableFactsGiveNothing) {
    QTemporaryDir dir;
    const QString root = dir.filePath("net");
    addInterface(root, "lo", 772, 1, "00:00:00:00:00:00", false);
    addInterface(root, "tun0", 65534, 2, "", true);
    addInterface(root, "br0", 1, 3, "02:00:00:00:00:01", false);
    EXPECT_EQ(ZRCopyMacAddress(root), QByteArray(6, '\0'));
    EXPECT_FALSE(ZRCopyMacAddress(dir.filePath("no-such-folder")).has_value());

    addInterface(root, "eth0", 1, 4, QByteArray(), true);
    EXPECT_FALSE(ZRCopyMacAddress(root).has_value()) << "address unreadable";
    ASSERT_TRUE(TestUtils::writeFile(root + "/eth0/address", "zz:00:00:00:00:00\n"));
    EXPECT_FALSE(ZRCopyMacAddress(root).has_value()) << "address malformed";

    EXPECT_EQ(ZRCopyMacAddress().value_or(QByteArray(6, '\0')).size(), 6) << "the real machine";
}
