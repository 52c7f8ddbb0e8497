// Is the application running from a read-only disk image: through the mount table seam, and with a real
// loop mount where the machine allows one.
#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "Platform/MountTable.h"
#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Platform::MountTable::setSourcesForTesting;
using ZRUpdaterFileManager::isReadOnlyDiskImageAtPath;

class ZRUpdaterFileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_volume = QFileInfo(m_root.path()).canonicalFilePath() + QStringLiteral("/my volume");
        ASSERT_TRUE(QDir().mkpath(m_volume + QStringLiteral("/Corvantide.app")));
        TestUtils::writeFile(m_root.filePath(QStringLiteral("sys/block/loop3/loop/backing_file")),
                             "/home/me/Corvantide.img\n");
        QDir().mkpath(m_root.filePath(QStringLiteral("sys/block/loop4/loop")));
    }
    void TearDown() override { setSourcesForTesting({}, {}); }

    // A table where the volume is mounted with the given options from the given source.
    void mountAs(const QString& options, const QString& source) {
        const QString point = QString(m_volume).replace(QLatin1Char(' '), QStringLiteral("\\040"));
        setSourcesForTesting(QStringLiteral("1 0 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                            "2 1 0:5 / /proc rw - proc proc rw\n"
                                            "46 1 7:3 / %1 %2 - squashfs %3 ro\n")
                                 .arg(point, options, source)
                                 .toUtf8(),
                             m_root.filePath(QStringLiteral("sys")));
    }

    QTemporaryDir m_root;
    QString m_volume;
};

TEST_F(ZRUpdaterFileManagerTest, OnlyAReadOnlyLoopMountWithAnImageIsADiskImage) {
    const QString app = m_volume + QStringLiteral("/Corvantide.app");
    mountAs(QStringLiteral("ro,nosuid,nodev"), QStringLiteral("/dev/loop3"));
    EXPECT_TRUE(isReadOnlyDiskImageAtPath(app));
    EXPECT_TRUE(isReadOnlyDiskImageAtPath(m_volume));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(m_root.path())) << "the folder around it is the root file system";

    mountAs(QStringLiteral("rw,nosuid"), QStringLiteral("/dev/loop3"));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(app)) << "read-write";
    mountAs(QStringLiteral("ro"), QStringLiteral("/dev/sdb1"));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(app)) << "a disk, not a loop device";
    mountAs(QStringLiteral("ro"), QStringLiteral("squashfuse"));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(app)) << "not mounted from a device";

    Platform::SystemLog::Capture log;
    mountAs(QStringLiteral("ro"), QStringLiteral("/dev/loop4"));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(app)) << "a loop device without an image";
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR - could not get IOService -- for volume: loop4")));
    const QString missing = m_root.filePath(QStringLiteral("missing"));
    EXPECT_FALSE(isReadOnlyDiskImageAtPath(missing));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR - statfs returned error: 2 -- for path: ") + missing));
}

TEST_F(ZRUpdaterFileManagerTest, AnImageMountedThroughALoopDeviceIsFoundInTheRealMountTable) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a loop mount needs root";
    if (QStandardPaths::findExecutable(QStringLiteral("mksquashfs")).isEmpty())
        GTEST_SKIP() << "mksquashfs (squashfs-tools) is not installed";
    const QString content = m_root.filePath(QStringLiteral("content"));
    TestUtils::writeFile(content + QStringLiteral("/Corvantide.app/marker.txt"), "x");
    const QString image = m_root.filePath(QStringLiteral("image.sqsh"));
    const QString mountPoint = m_root.filePath(QStringLiteral("mounted"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    ASSERT_EQ(QProcess::execute(QStringLiteral("mksquashfs"),
                                {content, image, QStringLiteral("-quiet"), QStringLiteral("-noappend")}),
              0);
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("loop,ro"), image, mountPoint}) != 0)
        GTEST_SKIP() << "this machine allows no loop mount";
    const bool onImage = isReadOnlyDiskImageAtPath(mountPoint + QStringLiteral("/Corvantide.app"));
    const bool around = isReadOnlyDiskImageAtPath(content);
    QProcess::execute(QStringLiteral("umount"), {mountPoint});
    EXPECT_TRUE(onImage);
    EXPECT_FALSE(around);
}

} // namespace
