#include "ZRKit/ZRBundle.h"

#include "Platform/SystemLog.h"
#include "TestBundle.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray stringsPlist(const char* body) {
    return QByteArray("<plist version=\"1.0\"><dict>") + body + "</dict></plist>";
}

class ZRBundleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString bundleWith(const QVariantMap& info) {
        return TestBundle::create(m_dir.filePath("App.app"), info);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ZRBundleTest, LocalizedValuesWinExceptForTheBundleVersion) {
    const QString path = bundleWith({{"CFBundleName", "Plain"},
                                     {"CFBundleDisplayName", "Plain Display"},
                                     {"CFBundleShortVersionString", "2.1"},
                                     {"CFBundleVersion", "345"},
                                     {"NSHumanReadableCopyright", "© plain"}});
    TestBundle::addResource(path, "en.lproj/InfoPlist.strings",
                            stringsPlist("<key>CFBundleName</key><string>Localized</string>"
                                         "<key>CFBundleVersion</key><string>999</string>"
                                         "<key>NSHumanReadableCopyright</key><string>© localized</string>"));
    const Platform::Bundle bundle(path, {"en"});
    EXPECT_EQ(ZRBundle::bundleName(bundle), QStringLiteral("Localized"));
    EXPECT_EQ(ZRBundle::bundleVersion(bundle), QStringLiteral("345"));
    EXPECT_EQ(ZRBundle::versionString(bundle), QStringLiteral("2.1"));
    EXPECT_EQ(ZRBundle::versionInfo(bundle), QStringLiteral("2.1 (345)"));
    EXPECT_EQ(ZRBundle::humanReadableCopyright(bundle), QStringLiteral("© localized"));
    // The plain display name is never consulted: without a localized one the (localized) name answers.
    EXPECT_EQ(ZRBundle::bundleDisplayName(bundle), QStringLiteral("Localized"));
    EXPECT_EQ(
        ZRBundle::localizedOrNonLocalizedInfoDictionaryValueForKey(bundle, "CFBundleDisplayName").toString(),
        QStringLiteral("Plain Display"));
}

TEST_F(ZRBundleTest, MissingValuesAreNullAndShowAsNullInTheVersionInfo) {
    const Platform::Bundle bundle(bundleWith({{"CFBundleShortVersionString", "2.1"}}), {"en"});
    EXPECT_TRUE(ZRBundle::bundleVersion(bundle).isNull());
    EXPECT_EQ(ZRBundle::versionInfo(bundle), QStringLiteral("2.1 ((null))"));
    EXPECT_TRUE(ZRBundle::bundleName(bundle).isNull());
    EXPECT_TRUE(ZRBundle::humanReadableCopyright(bundle).isNull());
}

TEST_F(ZRBundleTest, FoldersLiveUnderTheXdgFoldersNamedAfterTheBundle) {
    const Platform::Bundle bundle(
        bundleWith({{"CFBundleName", "Corvantide"}, {"CFBundleIdentifier", "com.x.y"}}));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_EQ(qEnvironmentVariable("XDG_DATA_HOME"), data);
    EXPECT_EQ(ZRBundle::applicationSupportFolder(bundle), data + "/Corvantide");
    EXPECT_EQ(ZRBundle::applicationCachesDirectory(bundle), cache + "/Corvantide");
    EXPECT_EQ(ZRBundle::usersLibraryDirectory(), config);
    EXPECT_EQ(ZRBundle::preferencesFilePath(bundle), config + "/Preferences/com.x.y.plist");
    EXPECT_EQ(ZRBundle::applicationSupportFolderPathInContainer(bundle),
              config + "/Containers/com.x.y/Data/Library/Application Support/Corvantide");
    EXPECT_EQ(ZRBundle::applicationCachesFolderPathInContainer(bundle),
              config + "/Containers/com.x.y/Data/Library/Caches/Corvantide");
    EXPECT_EQ(ZRBundle::preferencesFilePathInContainer(bundle),
              config + "/Containers/com.x.y/Data/Library/Preferences/com.x.y.plist");

    // A bundle without a name still gets a folder of its own rather than the shared data folder.
    const Platform::Bundle nameless(TestBundle::create(m_dir.filePath("Nameless.app"), {}));
    EXPECT_EQ(ZRBundle::applicationSupportFolder(nameless), data + "/Nameless");
}

TEST_F(ZRBundleTest, FoldersKeepThePlainNameWhateverTheLanguage) {
    const QString path = bundleWith({{"CFBundleName", "Corvantide"}, {"CFBundleIdentifier", "com.x.y"}});
    TestBundle::addResource(path, "de.lproj/InfoPlist.strings",
                            stringsPlist("<key>CFBundleName</key><string>Korvantide</string>"));
    const Platform::Bundle english(path, {"en"});
    const Platform::Bundle german(path, {"de"});
    ASSERT_EQ(ZRBundle::bundleName(german), QStringLiteral("Korvantide"));
    EXPECT_EQ(ZRBundle::applicationSupportFolder(german), ZRBundle::applicationSupportFolder(english));
    EXPECT_TRUE(ZRBundle::applicationSupportFolder(german).endsWith(QStringLiteral("/Corvantide")));
    EXPECT_EQ(ZRBundle::applicationCachesDirectory(german), ZRBundle::applicationCachesDirectory(english));
    EXPECT_TRUE(ZRBundle::applicationCachesDirectory(german).endsWith(QStringLiteral("/Corvantide")));
    EXPECT_EQ(ZRBundle::applicationSupportFolderPathInContainer(german),
              ZRBundle::applicationSupportFolderPathInContainer(english));
}

TEST_F(ZRBundleTest, TheExistingApplicationSupportFolderIsCreatedButNeverReplacesAFile) {
    const Platform::Bundle bundle(bundleWith({{"CFBundleName", "Corvantide"}}));
    const QString path = ZRBundle::applicationSupportFolder(bundle);
    ASSERT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(ZRBundle::existingApplicationSupportFolder(bundle), path);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(ZRBundle::existingApplicationSupportFolder(bundle), path);

    const Platform::Bundle blocked(
        TestBundle::create(m_dir.filePath("B.app"), {{"CFBundleName", "Blocked"}}));
    const QString file = ZRBundle::applicationSupportFolder(blocked);
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("keep me");
    plain.close();
    Platform::SystemLog::Capture log;
    EXPECT_EQ(ZRBundle::existingApplicationSupportFolder(blocked), file);
    EXPECT_TRUE(log.contains("Cannot create data directory because plain file exists at path " + file));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(plain.readAll(), QByteArray("keep me"));
}
