// The start-from-disk-image check in this process: the disk image through the mount table seam, the copy
// into a throw-away home, the restart script told not to wait.
#include "ZRUpdater/ZRDiskImageStartupCheck.h"
#include "AlertResponder.h"
#include "Platform/Bundle.h"
#include "Platform/MountTable.h"
#include "Platform/SystemLog.h"
#include "TestUtils.h"
#include "ZRUpdater/ServiceTestSupport.h"
#include "ZRUpdater/ZRPrivilegedRunner.h"
#include "ZRUpdater/ZRSecurityExtensions.h"
#include "ZRUpdater/ZRUpdater.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ServiceTestSupport;

namespace {

class ZRDiskImageStartupCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_home = m_root.filePath(QStringLiteral("home"));
        QDir().mkpath(m_home);
        m_previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_home));
        m_volume = QFileInfo(m_root.path()).canonicalFilePath() + QStringLiteral("/volume");
        m_bundle = m_volume + QStringLiteral("/Corvantide.app");
        makeApplication(m_bundle, QStringLiteral("from the image"));
        Platform::Bundle::setMainBundlePathForTesting(m_bundle);
        ZRUpdater::setTerminateHandlerForTesting([this] { ++m_terminations; });
        // The restart script gives up at once: this process does not end during the test.
        ZRSecurityExtensions::setRelaunchPollLimitForTesting(1);
    }
    void TearDown() override {
        Platform::MountTable::setSourcesForTesting({}, {});
        Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
        ZRUpdater::setTerminateHandlerForTesting({});
        ZRSecurityExtensions::setRelaunchPollLimitForTesting(0);
        ZRSecurityExtensions::setWritableCheckForTesting({});
        ZRPrivilegedRunner::setRunnerForTesting({});
        qputenv("HOME", m_previousHome);
    }

    void runFromDiskImage() {
        TestUtils::writeFile(m_root.filePath(QStringLiteral("sys/block/loop5/loop/backing_file")),
                             "/x.iso\n");
        Platform::MountTable::setSourcesForTesting(
            QStringLiteral(
                "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n46 1 7:5 / %1 ro,nosuid - iso9660 /dev/loop5 ro\n")
                .arg(m_volume)
                .toUtf8(),
            m_root.filePath(QStringLiteral("sys")));
    }

    QString installed() const { return m_home + QStringLiteral("/.local/lib/Corvantide.app"); }

    QTemporaryDir m_root;
    QString m_home;
    QByteArray m_previousHome;
    QString m_volume;
    QString m_bundle;
    int m_terminations = 0;
};

TEST_F(ZRDiskImageStartupCheckTest, FromADiskImageTheUserMayCopyTheApplicationToTheInstallationFolder) {
    {
        // Not on a disk image: nothing is asked.
        TestUtils::AlertResponder responder;
        ZRDiskImageStartupCheck::handleStartFromDiskImageIsSandboxed(false);
        EXPECT_TRUE(responder.shown().empty());
    }
    runFromDiskImage();
    {
        TestUtils::AlertResponder responder({Platform::Alert::Answer{1001, false}});
        ZRDiskImageStartupCheck::handleStartFromDiskImageIsSandboxed(false);
        ASSERT_EQ(responder.shown().size(), 1u);
        EXPECT_EQ(responder.shown()[0].messageText, QStringLiteral("Running from Disk Image"));
        EXPECT_EQ(responder.shown()[0].buttonTitles,
                  (QStringList{QStringLiteral("Copy and Restart"), QStringLiteral("Continue")}));
        EXPECT_FALSE(QFileInfo::exists(installed())) << "Continue copies nothing";
    }
    Platform::SystemLog::Capture log;
    TestUtils::AlertResponder responder;
    ZRDiskImageStartupCheck::handleStartFromDiskImageIsSandboxed(false);
    EXPECT_EQ(readText(installed() + QStringLiteral("/marker.txt")), QStringLiteral("from the image"));
    EXPECT_EQ(m_terminations, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("is running from disk image")));
    EXPECT_TRUE(log.contains(QStringLiteral("will copy myself to ") + installed()));
    EXPECT_TRUE(log.contains(QStringLiteral("will restart at ") + installed()));
}

TEST_F(ZRDiskImageStartupCheckTest, AFailedCopySaysSoAndTheApplicationGoesOn) {
    runFromDiskImage();
    ZRSecurityExtensions::setWritableCheckForTesting([](const QString&) { return false; });
    ZRPrivilegedRunner::setRunnerForTesting([](const QString&, const QStringList&) {
        ZRPrivilegedRunner::Result result;
        result.started = true;
        result.exitStatus = 126; // the prompt was dismissed
        return result;
    });
    Platform::SystemLog::Capture log;
    TestUtils::AlertResponder responder;
    ZRDiskImageStartupCheck::handleStartFromDiskImageIsSandboxed(false);
    ASSERT_EQ(responder.shown().size(), 2u);
    EXPECT_EQ(responder.shown()[1].messageText, QStringLiteral("Update Error"));
    EXPECT_EQ(responder.shown()[1].informativeText,
              QStringLiteral("You do not have permission to write to the /Applications directory."));
    EXPECT_EQ(m_terminations, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("could not copy myself to ") + installed()));
}

} // namespace
