#include "Platform/Bundle.h"

#include "TestBundle.h"
#include "TestUtils.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using Platform::Bundle;

namespace {

QByteArray stringsPlist(const char* body) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>") + body +
           "</dict></plist>";
}

class BundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path =
            TestBundle::create(m_dir.filePath("Sample.app"), {{"CFBundleName", "Sample"},
                                                              {"CFBundleIdentifier", "com.example.sample"},
                                                              {"CFBundleExecutable", "Sample"},
                                                              {"CFBundleVersion", "345"}});
    }
    void TearDown() override { Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR)); }

    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace

TEST_F(BundleTest, LocalizedInfoValuesOverrideThePlainOnesForThePreferredLanguage) {
    TestBundle::addResource(m_path, "de.lproj/InfoPlist.strings",
                            stringsPlist("<key>CFBundleName</key><string>Beispiel</string>"));
    TestBundle::addResource(m_path, "en.lproj/InfoPlist.strings",
                            stringsPlist("<key>CFBundleName</key><string>Sample (English)</string>"));

    const Bundle german(m_path, {"de-AT"});
    EXPECT_EQ(german.localizations(), (QStringList{"de", "en"}));
    EXPECT_EQ(german.objectForInfoDictionaryKey("CFBundleName").toString(), QStringLiteral("Beispiel"));
    EXPECT_EQ(german.infoDictionary().value("CFBundleName").toString(), QStringLiteral("Sample"));
    EXPECT_EQ(german.objectForInfoDictionaryKey("CFBundleVersion").toString(), QStringLiteral("345"));
    EXPECT_FALSE(german.objectForInfoDictionaryKey("NoSuchKey").isValid());

    // A language without its own folder falls back to the development region.
    const Bundle french(m_path, {"fr-FR"});
    EXPECT_EQ(french.objectForInfoDictionaryKey("CFBundleName").toString(),
              QStringLiteral("Sample (English)"));
}

TEST_F(BundleTest, ResourcesAreFoundLocalizedFirstAndNeverOutsideTheBundle) {
    const QString plain = TestBundle::addResource(m_path, "StateMapping.plist", "plain");
    const QString german = TestBundle::addResource(m_path, "de.lproj/StateMapping.plist", "german");
    const QString image = TestBundle::addResource(m_path, "images/menuIcon.png", "png");
    TestBundle::addResource(m_path, "readme", "no extension");
    QFile outside(m_dir.filePath("secret.txt"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));

    EXPECT_EQ(Bundle(m_path, {"de"}).pathForResource("StateMapping", "plist"), german);
    EXPECT_EQ(Bundle(m_path, {"fr"}).pathForResource("StateMapping", "plist"), plain);
    EXPECT_EQ(Bundle(m_path, {"fr"}).pathForResource("images/menuIcon", "png"), image);
    EXPECT_TRUE(Bundle(m_path).pathForResource("readme", "").endsWith("/Resources/readme"));
    EXPECT_TRUE(Bundle(m_path).pathForResource("missing", "plist").isNull());
    EXPECT_TRUE(Bundle(m_path).pathForResource("images", "").isNull()) << "folders are not resources";
    EXPECT_TRUE(Bundle(m_path).pathForResource("../../secret", "txt").isNull());
    EXPECT_TRUE(Bundle(m_path).pathForResource("", "plist").isNull());
}

TEST_F(BundleTest, PathsAndIdentityComeFromTheFolderAndInfoPlist) {
    const Bundle bundle(m_path + "/./");
    EXPECT_EQ(bundle.bundlePath(), m_path);
    EXPECT_EQ(bundle.resourcePath(), m_path + "/Resources");
    EXPECT_EQ(bundle.executablePath(), m_path + "/bin/Sample");
    EXPECT_EQ(bundle.bundleIdentifier(), QStringLiteral("com.example.sample"));

    const Bundle empty(m_dir.filePath("nothing-here"));
    EXPECT_TRUE(empty.infoDictionary().isEmpty());
    EXPECT_TRUE(empty.executablePath().isNull());

    // The executable is one name inside the bundle, never a path or a link out of it.
    for (const QString& name : {QStringLiteral("../../../evil.sh"), QStringLiteral("sub/tool"),
                                QStringLiteral(".."), QStringLiteral("outside")}) {
        const QString other = TestBundle::create(m_dir.filePath("Other.app"), {{"CFBundleExecutable", name}});
        QDir().mkpath(other + "/bin");
        QFile::link(m_dir.filePath("evil.sh"), other + "/bin/outside");
        TestUtils::writeFile(m_dir.filePath("evil.sh"), "#!/bin/sh\n");
        EXPECT_TRUE(Bundle(other).executablePath().isNull()) << name.toStdString();
    }
}

TEST_F(BundleTest, ADamagedInfoPlistLeavesABundleWithoutFacts) {
    QFile info(m_path + "/Info.plist");
    ASSERT_TRUE(info.open(QIODevice::WriteOnly | QIODevice::Truncate));
    info.write("<plist><dict><key>CFBundleName</key>");
    info.close();
    const Bundle bundle(m_path);
    EXPECT_TRUE(bundle.infoDictionary().isEmpty());
    EXPECT_FALSE(bundle.objectForInfoDictionaryKey("CFBundleName").isValid());
}

TEST_F(BundleTest, TheMainBundleCanBeMovedForTestsAndDefaultsToTheBuiltApplication) {
    EXPECT_EQ(Bundle::mainBundle().bundlePath(), QDir::cleanPath(CORVANTIDE_BUNDLE_DIR));
    EXPECT_FALSE(Bundle::mainBundle().pathForResource("defaults", "plist").isEmpty());
    EXPECT_EQ(Bundle::mainBundle().infoDictionary().value("CFBundleName").toString(),
              QStringLiteral("Corvantide"));

    Bundle::setMainBundlePathForTesting(m_path);
    EXPECT_EQ(Bundle::mainBundle().bundlePath(), m_path);
    EXPECT_EQ(Bundle::mainBundle().bundleIdentifier(), QStringLiteral("com.example.sample"));
}

TEST_F(BundleTest, UntranslatedStringsFallBackToTheValueOrTheKey) {
    const Bundle bundle(m_path);
    EXPECT_EQ(bundle.localizedString("Some text", "Shown text", "ZRUpdater"), QStringLiteral("Shown text"));
    EXPECT_EQ(bundle.localizedString("Some text"), QStringLiteral("Some text"));
}
