#include "ZRKit/ZRFileManager.h"
#include "ZRKit/ZRWorkspace.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "TestBundle.h"

#include "TestUtils.h"
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

TEST(ZRFileManagerTest, FoldersAreCreatedWithTheirParentsButNotOverFiles) {
    QTemporaryDir dir;
    EXPECT_TRUE(ZRFileManager::createDirectoryRecursiveAtPath(dir.filePath("a/b/c")));
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b/c")).isDir());
    EXPECT_TRUE(ZRFileManager::createDirectoryRecursiveAtPath(dir.filePath("a/b/c")));
    ASSERT_TRUE(TestUtils::writeFile(dir.filePath("file"), "x"));
    EXPECT_FALSE(ZRFileManager::createDirectoryRecursiveAtPath(dir.filePath("file")));
    EXPECT_FALSE(ZRFileManager::createDirectoryRecursiveAtPath(dir.filePath("file/below")));
}

TEST(ZRFileManagerTest, SearchPathsAnswerTheFirstFolderHoldingTheFile) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ASSERT_TRUE(TestUtils::writeFile(data + "/corvantide-probe.txt", "x"));
    EXPECT_EQ(ZRFileManager::pathToFile("corvantide-probe.txt", QStandardPaths::GenericDataLocation),
              data + "/corvantide-probe.txt");
    EXPECT_TRUE(ZRFileManager::pathToFile("no-such-file.txt", QStandardPaths::GenericDataLocation).isNull());
}

namespace {

/*! A folder that another user made (as root: really owned by nobody; otherwise a plain file in its place,
    which blocks the name just as well), removed again at the end. */
class ForeignFolder {
public:
    explicit ForeignFolder(const QString& path)
        : m_path(path) {
        if (::geteuid() == 0) {
            QDir().mkpath(path);
            ::chmod(QFile::encodeName(path).constData(), 0700);
            m_chowned = ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
        }
        if (!m_chowned) {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
        }
    }
    ~ForeignFolder() {
        QDir(m_path).removeRecursively();
        QFile::remove(m_path);
    }

private:
    QString m_path;
    bool m_chowned = false;
};

} // namespace

TEST(ZRFileManagerDeathTest, WithoutARuntimeFolderTheTemporaryFolderIsNamedWithTheUserID) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString name = QStringLiteral("corvantide-test-noruntime-%1").arg(::getpid());
    const ForeignFolder foreign(QDir::tempPath() + "/" + name);
    const QString parent = QDir::tempPath() + "/" + name + QStringLiteral("-%1").arg(::geteuid());
    EXPECT_EXIT(
        {
            qunsetenv("XDG_RUNTIME_DIR");
            const QString path = ZRFileManager::temporaryDirectoryWithName(name);
            const bool good = path.startsWith(parent + "/") && QFileInfo(path).isDir() &&
                              (QFileInfo(parent).permissions() & (QFile::ReadOther | QFile::ReadGroup)) == 0;
            std::fprintf(stderr, "per user: %d\n", int(good));
            std::exit(good ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "per user: 1");
    QDir(parent).removeRecursively();

    // That folder taken over by somebody else (here: a file in its place) is refused, not used.
    const ForeignFolder taken(parent);
    EXPECT_EXIT(
        {
            qunsetenv("XDG_RUNTIME_DIR");
            const bool refused = ZRFileManager::temporaryDirectoryWithName(name).isNull();
            std::fprintf(stderr, "refused: %d\n", int(refused));
            std::exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "refused: 1");
}

TEST(ZRFileManagerTest, TheTemporaryFolderIsPrivateFixedAndNeverTakenOver) {
    const QString name = QStringLiteral("corvantide-test-%1").arg(::getpid());
    // Another user's folder of the same name in the shared temporary directory is no obstacle.
    const ForeignFolder foreign(QDir::tempPath() + "/" + name);
    const QString path = ZRFileManager::temporaryDirectoryWithName(name);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_FALSE(qEnvironmentVariable("XDG_RUNTIME_DIR").isEmpty());
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/" + name + "/"))
        << path.toStdString();
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
              QFile::Permissions());
    EXPECT_EQ(ZRFileManager::temporaryDirectoryWithName("another-name"), path);

    // Removed in between: made again, privately.
    ASSERT_TRUE(QDir(path).removeRecursively());
    EXPECT_EQ(ZRFileManager::temporaryDirectoryWithName(name), path);
    EXPECT_TRUE(QFileInfo(path).isDir());

    // Replaced by a link to somebody else's folder: refused and logged, the link is not followed.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere.path(), path));
    {
        Platform::SystemLog::Capture log;
        EXPECT_TRUE(ZRFileManager::temporaryDirectoryWithName(name).isNull());
        EXPECT_TRUE(
            log.contains("ERROR could not create tmp directory for downloads (should be " + path + ")"));
    }
    QFile::remove(path);
    QDir(QFileInfo(path).absolutePath()).removeRecursively();
}

TEST(ZRFileManagerTest, FolderSizesCountEverythingBelowAndNeverFollowLinks) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    ASSERT_TRUE(TestUtils::writeFile(outside.filePath("big"), QByteArray(1 << 20, 'x')));
    const QString flat = dir.filePath("flat");
    ASSERT_TRUE(TestUtils::writeFile(flat + "/a", QByteArray(10, 'a')));
    ASSERT_TRUE(TestUtils::writeFile(flat + "/b", QByteArray(20, 'b')));
    const QString target = outside.filePath("big");
    ASSERT_TRUE(QFile::link(target, flat + "/link"));
    EXPECT_EQ(ZRFileManager::sizeOfFolderAtPath(flat), 30 + QFile::encodeName(target).size());

    const QString nested = dir.filePath("nested");
    ASSERT_TRUE(TestUtils::writeFile(nested + "/one/two/c", QByteArray(100, 'c')));
    ASSERT_TRUE(QFile::link(outside.path(), nested + "/one/folder-link"));
    const qint64 size = ZRFileManager::sizeOfFolderAtPath(nested);
    EXPECT_GE(size, 100);
    EXPECT_LT(size, 1 << 20) << "a linked folder must not be entered";

    EXPECT_EQ(ZRFileManager::sizeOfFolderAtPath(dir.filePath("missing")), 0);
    EXPECT_EQ(ZRFileManager::sizeOfFolderAtPath(flat + "/a"), 0) << "a file is not a folder";
}

TEST(ZRWorkspaceTest, TheProcessTableListsNamesAndIds) {
    QTemporaryDir proc;
    ASSERT_TRUE(TestUtils::writeFile(proc.filePath("1/comm"), "systemd\n"));
    ASSERT_TRUE(TestUtils::writeFile(proc.filePath("42/comm"), "Corvantide\n"));
    QDir().mkpath(proc.filePath("77"));
    ASSERT_TRUE(TestUtils::writeFile(proc.filePath("self/comm"), "not a process\n"));
    const QList<QVariantMap> fake = ZRWorkspace::launchedBSDProcessInformations(proc.path());
    ASSERT_EQ(fake.size(), 2);
    EXPECT_EQ(fake[0], (QVariantMap{{"name", "systemd"}, {"id", "1"}}));
    EXPECT_EQ(fake[1], (QVariantMap{{"name", "Corvantide"}, {"id", "42"}}));
    EXPECT_TRUE(ZRWorkspace::launchedBSDProcessInformations(proc.filePath("missing")).isEmpty());

    const QString ownId = QString::number(::getpid());
    bool foundSelf = false;
    for (const QVariantMap& process : ZRWorkspace::launchedBSDProcessInformations())
        if (process.value("id") == ownId)
            foundSelf = QCoreApplication::applicationName().startsWith(process.value("name").toString());
    EXPECT_TRUE(foundSelf);
}

TEST(ZRWorkspaceTest, AnotherCopyCountsOnlyWhenItRunsAnApplicationWithOurIdentifier) {
    QTemporaryDir dir;
    QTemporaryDir proc;
    const QString identifier = Platform::Bundle::mainBundle().bundleIdentifier();
    ASSERT_FALSE(identifier.isEmpty());
    const QString other =
        TestBundle::create(dir.filePath("Other.app"),
                           {{"CFBundleIdentifier", identifier}, {"CFBundleExecutable", "Corvantide"}});
    ASSERT_TRUE(TestUtils::writeFile(other + "/bin/Corvantide", "exe"));
    ASSERT_TRUE(TestUtils::writeFile(other + "/libexec/zrupdater_sandbox_service", "exe"));
    const QString stranger =
        TestBundle::create(dir.filePath("Stranger.app"),
                           {{"CFBundleIdentifier", "org.example"}, {"CFBundleExecutable", "Corvantide"}});
    ASSERT_TRUE(TestUtils::writeFile(stranger + "/bin/Corvantide", "exe"));

    const auto addProcess = [&](const QString& pid, const QString& executable) {
        QDir().mkpath(proc.filePath(pid));
        ASSERT_TRUE(QFile::link(executable, proc.filePath(pid + "/exe")));
    };
    addProcess(QString::number(::getpid()), other + "/bin/Corvantide");
    addProcess("100", stranger + "/bin/Corvantide");
    addProcess("101", other + "/libexec/zrupdater_sandbox_service");
    EXPECT_FALSE(ZRWorkspace::amIAlreadyRunning(proc.path())) << "ourselves, a stranger and the service";

    addProcess("102", other + "/bin/Corvantide");
    EXPECT_TRUE(ZRWorkspace::amIAlreadyRunning(proc.path()));
}
