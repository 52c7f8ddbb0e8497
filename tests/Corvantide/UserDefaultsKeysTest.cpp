#include "UserDefaultsKeys.h"

#include "Platform/Bundle.h"
#include "TestBundle.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using UserDefaultsKeys::Key;

namespace {

class UserDefaultsKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_defaults = std::make_unique<Platform::UserDefaults>(m_dir.filePath("test.conf"));
    }
    void TearDown() override {
        Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Platform::UserDefaults> m_defaults;
};

// Runs the real executable from a copy of the built bundle whose defaults.plist is replaced (or removed
// when contents is null) and reports how it ended; a process still running after three seconds is killed.
struct ProcessRun {
    bool finished = false;
    bool crashed = false;
    QString output;
};

ProcessRun runCopiedBundle(const QString& root, const QByteArray& defaults) {
    const QString bundle = root + "/Corvantide.app";
    EXPECT_TRUE(TestBundle::copyBuiltBundle(bundle));
    QFile::remove(bundle + "/Resources/defaults.plist");
    if (!defaults.isNull())
        TestBundle::addResource(bundle, "defaults.plist", defaults);
    QFile::setPermissions(bundle + "/bin/Corvantide", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(bundle + "/bin/Corvantide", {"-platform", "offscreen"});
    EXPECT_TRUE(process.waitForStarted());
    ProcessRun run;
    run.finished = process.waitForFinished(3000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0;
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

} // namespace

TEST_F(UserDefaultsKeysTest, KeysAreStoredUnderTheirOwnNames) {
    const QStringList names{"selectedProjectID",         "selectedIssueFilter",
                            "jiraClientSecret",          "jiraClientID",
                            "jiraCallbackURL",           "selectedPreferencesTab",
                            "useMenuItemImagesFromJira", "updateIssuesIntervalMinutes",
                            "orderIssuesType",           "hideDockIcon"};
    QStringList raw;
    for (Key key : UserDefaultsKeys::allKeys())
        raw << UserDefaultsKeys::rawValue(key);
    EXPECT_EQ(raw, names);

    UserDefaultsKeys::set(QStringLiteral("JRA"), Key::selectedProjectID, *m_defaults);
    EXPECT_EQ(m_defaults->string("selectedProjectID"), QStringLiteral("JRA"));
    UserDefaultsKeys::set(QVariant(), Key::selectedProjectID, *m_defaults);
    EXPECT_FALSE(UserDefaultsKeys::string(Key::selectedProjectID, *m_defaults).has_value());

    UserDefaultsKeys::set(qint64(2), Key::selectedPreferencesTab, *m_defaults);
    EXPECT_EQ(UserDefaultsKeys::integer(Key::selectedPreferencesTab, *m_defaults), 2);
    EXPECT_EQ(UserDefaultsKeys::integer(Key::orderIssuesType, *m_defaults), 0);
    EXPECT_FALSE(UserDefaultsKeys::boolean(Key::hideDockIcon, *m_defaults));
    UserDefaultsKeys::set(QStringLiteral("not a date"), Key::jiraCallbackURL, *m_defaults);
    EXPECT_FALSE(UserDefaultsKeys::date(Key::jiraCallbackURL, *m_defaults).has_value());
}

TEST_F(UserDefaultsKeysTest, TheUpdateIntervalFallsBackTo900Seconds) {
    EXPECT_EQ(issuesUpdateTimeInterval(*m_defaults), 900.0) << "nothing stored";
    for (const auto& [minutes, seconds] : std::vector<std::pair<qint64, double>>{{5, 300},
                                                                                 {15, 900},
                                                                                 {30, 1800},
                                                                                 {60, 3600},
                                                                                 {120, 7200},
                                                                                 {360, 21600},
                                                                                 {720, 43200},
                                                                                 {45, 900},
                                                                                 {0, 900},
                                                                                 {-5, 900},
                                                                                 {721, 900}}) {
        UserDefaultsKeys::set(minutes, Key::updateIssuesIntervalMinutes, *m_defaults);
        EXPECT_EQ(issuesUpdateTimeInterval(*m_defaults), seconds) << minutes;
    }
    UserDefaultsKeys::set(QStringLiteral("sixty"), Key::updateIssuesIntervalMinutes, *m_defaults);
    EXPECT_EQ(issuesUpdateTimeInterval(*m_defaults), 900.0);
    EXPECT_FALSE(IssuesUpdateInterval::fromRawValue(45).has_value());
}

TEST_F(UserDefaultsKeysTest, PopupTitlesCountMinutesUpToAnHourThenHours) {
    QStringList titles;
    QList<int> tags;
    for (IssuesUpdateIntervalMinutes interval : IssuesUpdateInterval::allCases()) {
        titles << IssuesUpdateInterval::localizedPopupString(interval);
        tags << static_cast<int>(interval);
    }
    EXPECT_EQ(tags, (QList<int>{5, 15, 30, 60, 120, 360, 720}));
    EXPECT_EQ(titles, (QStringList{"Every 5 minutes", "Every 15 minutes", "Every 30 minutes",
                                   "Every 60 minutes", "Every 2 hours", "Every 6 hours", "Every 12 hours"}));
    EXPECT_EQ(IssuesOrder::localizedPopupString(IssuesOrderType::byKey), QStringLiteral("By Key"));
    EXPECT_EQ(IssuesOrder::localizedPopupString(IssuesOrderType::byStatus), QStringLiteral("By Status"));
    EXPECT_EQ(IssuesOrder::fromRawValue(1), IssuesOrderType::byStatus);
    EXPECT_FALSE(IssuesOrder::fromRawValue(2).has_value());
}

TEST_F(UserDefaultsKeysTest, TheBundledDefaultsBecomeTheRegistrationDomain) {
    UserDefaultsKeys::registerStandardDefaults(*m_defaults);
    EXPECT_EQ(issuesUpdateTimeInterval(*m_defaults), 900.0);
    EXPECT_TRUE(m_defaults->registeredDefaults().contains("hideDockIcon"));
    EXPECT_TRUE(m_defaults->persistentDomain().isEmpty()) << "registered values are never written";
}

TEST_F(UserDefaultsKeysTest, MissingOrNonDictionaryDefaultsStopTheProcess) {
    const QString bundle = TestBundle::create(m_dir.filePath("Broken.app"), {{"CFBundleName", "Broken"}});
    Platform::Bundle::setMainBundlePathForTesting(bundle);
    EXPECT_DEATH(UserDefaultsKeys::registerStandardDefaults(*m_defaults), "couldn't find defaults.plist");

    TestBundle::addResource(bundle, "defaults.plist",
                            "<plist version=\"1.0\"><array><string>a</string></array></plist>");
    Platform::Bundle::setMainBundlePathForTesting(bundle);
    EXPECT_DEATH(UserDefaultsKeys::registerStandardDefaults(*m_defaults), "couldn't find defaults.plist");

    TestBundle::addResource(bundle, "defaults.plist",
                            "<plist version=\"1.0\"><dict><key>a</key></dict></plist>");
    Platform::Bundle::setMainBundlePathForTesting(bundle);
    EXPECT_DEATH(UserDefaultsKeys::registerStandardDefaults(*m_defaults), "couldn't find defaults.plist");
}

TEST_F(UserDefaultsKeysTest, TheApplicationEndsAtStartUpWithoutUsableDefaults) {
    const ProcessRun missing = runCopiedBundle(m_dir.filePath("missing"), QByteArray());
    EXPECT_TRUE(missing.finished);
    EXPECT_TRUE(missing.crashed);
    EXPECT_TRUE(missing.output.contains("couldn't find defaults.plist")) << missing.output.toStdString();

    const ProcessRun array =
        runCopiedBundle(m_dir.filePath("array"), "<plist version=\"1.0\"><array/></plist>");
    EXPECT_TRUE(array.finished);
    EXPECT_TRUE(array.output.contains("couldn't find defaults.plist")) << array.output.toStdString();

    const ProcessRun fine = runCopiedBundle(
        m_dir.filePath("fine"), "<plist version=\"1.0\"><dict><key>hideDockIcon</key><true/></dict></plist>");
    EXPECT_FALSE(fine.finished) << "a good bundle keeps running: " << fine.output.toStdString();
}
