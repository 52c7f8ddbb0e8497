// The file operations in this process: the plain branch on the real file system and Trash, the
// administrator branch through the runner seam, which runs the scripts with /bin/sh as this user.
#include "ZRUpdater/ZRSecurityExtensions.h"
#include "Platform/SystemLog.h"
#include "TestUtils.h"
#include "ZRUpdater/ServiceTestSupport.h"
#include "ZRUpdater/ZRPrivilegedRunner.h"
#include "ZRUpdater/ZRTask.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace ServiceTestSupport;
namespace Sec = ZRSecurityExtensions;

namespace {

struct RunnerCall {
    QString program;
    QStringList arguments;
};

class ZRSecurityExtensionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        // What an earlier test of this process put in the Trash is not this one's.
        QDir(homeTrash()).removeRecursively();
        m_folder = m_root.filePath(hostileName());
        QDir().mkpath(m_folder);
        m_destination = m_folder + QStringLiteral("/Corvantide.app");
        m_source = m_folder + QStringLiteral("/update/Corvantide.app");
        makeApplication(m_destination, QStringLiteral("old"));
        makeApplication(m_source, QStringLiteral("new"));
        ASSERT_TRUE(QFile::link(QStringLiteral("marker.txt"), m_source + QStringLiteral("/link.txt")));
    }

    static QString homeTrash() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/Trash");
    }

    void TearDown() override {
        ZRPrivilegedRunner::setRunnerForTesting({});
        Sec::setWritableCheckForTesting({});
        Sec::setRelaunchPollLimitForTesting(0);
    }

    // Nothing is writable, so the administrator branch runs; the runner runs the command as this user,
    // with extraPath first in PATH when given (to stand in for a failing tool).
    void useAdministratorBranch(const QString& extraPath = {}) {
        Sec::setWritableCheckForTesting([](const QString&) { return false; });
        ZRPrivilegedRunner::setRunnerForTesting(
            [this, extraPath](const QString& program, const QStringList& arguments) {
                m_calls.append({program, arguments});
                QStringList command{program};
                if (!extraPath.isEmpty())
                    command = QStringList{QStringLiteral("PATH=") + extraPath + QLatin1Char(':') +
                                              qEnvironmentVariable("PATH"),
                                          program};
                ZRPrivilegedRunner::Result result;
                result.started = true;
                result.exitStatus =
                    ZRTask::terminationStatus(QStringLiteral("/usr/bin/env"), command + arguments);
                return result;
            });
    }

    QString fakeTool(const QString& name, const QByteArray& script) {
        const QString bin = m_root.filePath(QStringLiteral("fakebin"));
        TestUtils::writeFile(bin + QLatin1Char('/') + name, "#!/bin/sh\n" + script);
        QFile::setPermissions(bin + QLatin1Char('/') + name, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return bin;
    }

    QString marker(const QString& bundle) const { return readText(bundle + QStringLiteral("/marker.txt")); }

    bool nothingInterpreted() const {
        QDirIterator items(m_root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
        while (items.hasNext())
            if (QFileInfo(items.next()).fileName() == QLatin1String("pwned"))
                return false;
        return !QFileInfo::exists(QStringLiteral("pwned"));
    }

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/corvantide-secext-XXXXXX")};
    QString m_folder;
    QString m_destination;
    QString m_source;
    QList<RunnerCall> m_calls;
};

TEST_F(ZRSecurityExtensionsTest, TheOldItemWaitsBesideTheDestinationUnderAnOldName) {
    EXPECT_EQ(Sec::temporaryReplacementPath(QStringLiteral("/opt/Corvantide.app")),
              QStringLiteral("/opt/Corvantide.old.app"));
    EXPECT_EQ(Sec::temporaryReplacementPath(QStringLiteral("/opt/Corvantide.app/")),
              QStringLiteral("/opt/Corvantide.old.app"));
    EXPECT_EQ(Sec::temporaryReplacementPath(QStringLiteral("/opt/tool")), QStringLiteral("/opt/tool.old"));
    EXPECT_EQ(Sec::temporaryReplacementPath(QStringLiteral("/opt/.hidden")),
              QStringLiteral("/opt/.hidden.old"));
}

TEST_F(ZRSecurityExtensionsTest, AWritableDestinationGoesToTheTrashAndTheCopyKeepsLinksAndModes) {
    Platform::OptionalError error;
    ASSERT_TRUE(Sec::copyPathWithAuthentication(m_source, m_destination, &error))
        << error->localizedDescription().toStdString();
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));
    EXPECT_EQ(marker(m_source), QStringLiteral("new"));
    EXPECT_EQ(QFile::symLinkTarget(m_destination + QStringLiteral("/link.txt")),
              m_destination + QStringLiteral("/marker.txt"));
    EXPECT_TRUE(QFileInfo(m_destination + QStringLiteral("/bin/relaunched")).isExecutable());
    EXPECT_EQ(marker(homeTrash() + QStringLiteral("/files/Corvantide.app")), QStringLiteral("old"));
}

TEST_F(ZRSecurityExtensionsTest, AFailedPlainCopyLeavesNoPartialCopyAndBringsTheOldItemBack) {
    // A named pipe is none of what a bundle holds, so the copy stops at it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_source + QStringLiteral("/zz-pipe")).constData(), 0600), 0);
    Platform::OptionalError error;
    EXPECT_FALSE(Sec::copyPathWithAuthentication(m_source, m_destination, &error));
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->localizedDescription().contains(QStringLiteral("zz-pipe")));
    EXPECT_EQ(marker(m_destination), QStringLiteral("old"));
    EXPECT_FALSE(QFileInfo::exists(m_destination + QStringLiteral("/link.txt")));
    EXPECT_FALSE(QFileInfo::exists(homeTrash() + QStringLiteral("/files/Corvantide.app")));
    EXPECT_FALSE(QFileInfo::exists(homeTrash() + QStringLiteral("/info/Corvantide.app.trashinfo")));
    // The failed copy was staged beside the destination, and nothing of it is left there.
    EXPECT_EQ(QDir(QFileInfo(m_destination).path())
                  .entryList({QStringLiteral(".Corvantide.app.new-*")}, QDir::AllEntries | QDir::Hidden),
              QStringList());
}

TEST_F(ZRSecurityExtensionsTest, TheAdministratorCopyGetsEveryPathAsAParameterAndRemovesTheOldItem) {
    useAdministratorBranch();
    EXPECT_TRUE(Sec::copyPathWithAuthentication(m_source, m_destination));
    ASSERT_EQ(m_calls.size(), 1);
    EXPECT_EQ(m_calls[0].program, QStringLiteral("/bin/sh"));
    EXPECT_EQ(m_calls[0].arguments.mid(3, 3),
              (QStringList{m_source, m_destination, Sec::temporaryReplacementPath(m_destination)}));
    EXPECT_FALSE(m_calls[0].arguments.at(1).contains(m_folder)) << "no path in the script text";
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));
    EXPECT_EQ(marker(m_source), QStringLiteral("new"));
    EXPECT_FALSE(QFileInfo::exists(Sec::temporaryReplacementPath(m_destination)));
    EXPECT_TRUE(nothingInterpreted());
}

TEST_F(ZRSecurityExtensionsTest, TheAdministratorCopyTakesTheOwnerAndModesOfWhatItReplaces) {
    const auto probe = probeUser();
    if (!probe)
        GTEST_SKIP() << "a second user can be made and given files only as root";
    auto everything = [](const QString& folder) {
        QStringList items{folder};
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            items.append(it.next());
        return items;
    };
    // The download belongs to the user who fetched it, with a file anybody may write.
    for (const QString& item : everything(m_source))
        ASSERT_TRUE(giveTo(item, *probe)) << item.toStdString();
    ASSERT_EQ(::chmod(QFile::encodeName(m_source + QStringLiteral("/marker.txt")).constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_destination).constData(), 0755), 0);
    useAdministratorBranch();
    ASSERT_TRUE(Sec::copyPathWithAuthentication(m_source, m_destination));
    for (const QString& item : everything(m_destination)) {
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(item).constData(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u) << item.toStdString();
        EXPECT_EQ(info.st_gid, 0u) << item.toStdString();
        if (!S_ISLNK(info.st_mode)) {
            EXPECT_EQ(info.st_mode & 022, 0u) << item.toStdString();
        }
    }
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));

    // A bundle the second user owns stays theirs.
    ASSERT_TRUE(giveTo(m_destination, *probe));
    ASSERT_TRUE(Sec::copyPathWithAuthentication(m_source, m_destination));
    for (const QString& item : everything(m_destination)) {
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(item).constData(), &info), 0);
        EXPECT_EQ(info.st_uid, probe->first) << item.toStdString();
    }
}

TEST_F(ZRSecurityExtensionsTest, AFailedAdministratorCopyPutsTheOldItemBack) {
    // A cp that leaves half a copy behind and fails.
    useAdministratorBranch(
        fakeTool(QStringLiteral("cp"), "mkdir -p \"$4\" && echo half > \"$4/marker.txt\"\nexit 1\n"));
    EXPECT_FALSE(Sec::copyPathWithAuthentication(m_source, m_destination));
    EXPECT_EQ(m_calls.size(), 1);
    EXPECT_EQ(marker(m_destination), QStringLiteral("old"));
    EXPECT_TRUE(QFileInfo::exists(m_destination + QStringLiteral("/bin/relaunched")));
    EXPECT_FALSE(QFileInfo::exists(Sec::temporaryReplacementPath(m_destination)));
    // So the next attempt is not blocked by a leftover.
    useAdministratorBranch();
    EXPECT_TRUE(Sec::copyPathWithAuthentication(m_source, m_destination));
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));
}

TEST_F(ZRSecurityExtensionsTest, TheAdministratorCopyNeedsItsSourceAndAFreeTemporaryPath) {
    useAdministratorBranch();
    QDir().mkpath(Sec::temporaryReplacementPath(m_destination));
    Platform::SystemLog::Capture log;
    EXPECT_FALSE(Sec::copyPathWithAuthentication(m_source, m_destination));
    EXPECT_FALSE(Sec::copyPathWithAuthentication(m_folder + QStringLiteral("/missing"),
                                                 m_destination + QStringLiteral("x")));
    EXPECT_TRUE(m_calls.isEmpty());
    EXPECT_EQ(log.lines().count(QStringLiteral("_copyPathWithForcedAuthentication: stat failed")), 2);
    EXPECT_EQ(marker(m_destination), QStringLiteral("old"));
}

TEST_F(ZRSecurityExtensionsTest, ADismissedPromptIsAFailureThatChangesNothing) {
    Sec::setWritableCheckForTesting([](const QString&) { return false; });
    ZRPrivilegedRunner::setRunnerForTesting([](const QString&, const QStringList&) {
        ZRPrivilegedRunner::Result result;
        result.started = true;
        result.exitStatus = 126;
        return result;
    });
    EXPECT_FALSE(Sec::copyPathWithAuthentication(m_source, m_destination));
    EXPECT_FALSE(Sec::movePathWithAuthentication(m_source, m_destination));
    EXPECT_EQ(marker(m_destination), QStringLiteral("old"));
    EXPECT_EQ(marker(m_source), QStringLiteral("new"));
}

TEST_F(ZRSecurityExtensionsTest, TheAdministratorMoveReplacesTheItemAndKeepsItsOwner) {
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(m_destination).constData(), 65534, 65534), 0);
    }
    useAdministratorBranch();
    EXPECT_TRUE(Sec::movePathWithAuthentication(m_source, m_destination));
    ASSERT_EQ(m_calls.size(), 1);
    EXPECT_EQ(m_calls[0].arguments.mid(3, 3),
              (QStringList{m_source, m_destination, Sec::temporaryReplacementPath(m_destination)}));
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));
    EXPECT_FALSE(QFileInfo::exists(m_source));
    EXPECT_FALSE(QFileInfo::exists(Sec::temporaryReplacementPath(m_destination)));
    if (root) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(m_destination + QStringLiteral("/marker.txt")).constData(), &info),
                  0);
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    EXPECT_TRUE(nothingInterpreted());
}

TEST_F(ZRSecurityExtensionsTest, APlainMoveRenamesIntoPlaceAndAMissingDestinationMovesNothing) {
    Platform::OptionalError error;
    EXPECT_FALSE(
        Sec::movePathWithAuthentication(m_source, m_folder + QStringLiteral("/Missing.app"), &error));
    EXPECT_TRUE(error.has_value());
    EXPECT_EQ(marker(m_source), QStringLiteral("new"));

    error.reset();
    EXPECT_TRUE(Sec::movePathWithAuthentication(m_source, m_destination, &error));
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(marker(m_destination), QStringLiteral("new"));
    EXPECT_FALSE(QFileInfo::exists(m_source));
}

TEST_F(ZRSecurityExtensionsTest, ARelaunchGivesUpOnAProcessThatNeverQuitsButRemovesTheFolderAnyway) {
    QProcess old;
    old.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(old.waitForStarted());
    const QString folder = m_folder + QStringLiteral("/download");
    TestUtils::writeFile(folder + QStringLiteral("/Update.zip"), "x");
    Sec::setRelaunchPollLimitForTesting(5);
    Sec::waitForApplicationWithProcessIDToQuit(qint32(old.processId()), m_destination, folder);
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !QFileInfo::exists(folder); }, 30000));
    EXPECT_FALSE(QFileInfo::exists(m_destination + QStringLiteral("/relaunched.txt")));
    EXPECT_EQ(old.state(), QProcess::Running);
    old.kill();
    old.waitForFinished();
}

TEST_F(ZRSecurityExtensionsTest, ARelaunchStartsAnExecutableGivenDirectlyOnceTheProcessHasGone) {
    QProcess old;
    old.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(old.waitForStarted());
    const QString folder = m_folder + QStringLiteral("/download");
    QDir().mkpath(folder);
    Sec::waitForApplicationWithProcessIDToQuit(qint32(old.processId()),
                                               m_destination + QStringLiteral("/bin/relaunched"), folder);
    old.kill();
    ASSERT_TRUE(old.waitForFinished());
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return QFileInfo::exists(m_destination + QStringLiteral("/relaunched.txt")); }, 30000));
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !QFileInfo::exists(folder); }, 30000));
}

TEST_F(ZRSecurityExtensionsTest, QuarantineReleaseActsOnLinksThemselves) {
    const QString outside = m_root.filePath(QStringLiteral("outside.txt"));
    TestUtils::writeFile(outside, "x");
    ASSERT_TRUE(setAttribute(outside, Sec::QuarantineAttributeName));
    const QString link = m_folder + QStringLiteral("/link-to-outside");
    ASSERT_TRUE(QFile::link(outside, link));
    Sec::releaseItemFromQuarantine(link);
    EXPECT_TRUE(hasAttribute(outside, Sec::QuarantineAttributeName));
    // Without the no-follow option the link's target is what loses it.
    EXPECT_EQ(Sec::removeXAttr(Sec::QuarantineAttributeName, link, 0), 0);
    EXPECT_FALSE(hasAttribute(outside, Sec::QuarantineAttributeName));
}

TEST_F(ZRSecurityExtensionsTest, APathWithoutAFileSystemFormIsADomainError) {
    errno = 0;
    EXPECT_EQ(Sec::removeXAttr(Sec::QuarantineAttributeName, QString(), Sec::XattrNoFollow), -1);
    EXPECT_EQ(errno, EDOM);
    errno = 0;
    EXPECT_EQ(Sec::removeXAttr(Sec::QuarantineAttributeName,
                               QStringLiteral("/tmp/a") + QChar(0) + QStringLiteral("b"), 0),
              -1);
    EXPECT_EQ(errno, 33);
}

TEST_F(ZRSecurityExtensionsTest, TasksGetTheirArgumentsAsTheyAreAndReportHowTheyEnded) {
    const QString file = m_folder + QLatin1Char('/') + hostileName();
    EXPECT_EQ(ZRTask::terminationStatus(QStringLiteral("/usr/bin/touch"), {file}), 0);
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(ZRTask::terminationStatus(QStringLiteral("/bin/sh"),
                                        {QStringLiteral("-c"), QStringLiteral("exit 7")}),
              7);
    EXPECT_EQ(ZRTask::terminationStatus(QStringLiteral("/bin/sh"),
                                        {QStringLiteral("-c"), QStringLiteral("kill -TERM $$")}),
              SIGTERM);
    QString error;
    EXPECT_EQ(ZRTask::terminationStatus(m_folder + QStringLiteral("/no-such-tool"), {}, &error), -1);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ZRTask::terminationStatus(QStringLiteral("relative/tool"), {}), -1);
    EXPECT_TRUE(nothingInterpreted());
}

TEST_F(ZRSecurityExtensionsTest, ATaskPastItsTimeLimitIsEndedAndReapedEvenWhenItIgnoresTermination) {
    const QString pidFile = m_folder + QStringLiteral("/pid");
    ZRTask::Options options;
    options.timeLimit = std::chrono::seconds(1);
    QString error;
    EXPECT_EQ(ZRTask::launch(QStringLiteral("/bin/sh"),
                             {QStringLiteral("-c"),
                              QStringLiteral("trap '' TERM; echo $$ > \"$0\"; exec sleep 60"), pidFile},
                             options, &error),
              ZRTask::TimedOut);
    EXPECT_TRUE(error.contains(QStringLiteral("did not finish in time"))) << error.toStdString();
    const pid_t pid = pid_t(readText(pidFile).trimmed().toInt());
    ASSERT_GT(pid, 0);
    errno = 0;
    EXPECT_NE(::kill(pid, 0), 0) << "killed and reaped, not left as a zombie";
    EXPECT_EQ(errno, ESRCH);
}

} // namespace
