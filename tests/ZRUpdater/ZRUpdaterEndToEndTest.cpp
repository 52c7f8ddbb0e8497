// A whole update as the application runs it: the stand-in serves a gzipped feed and a zip of a newer
// build; a background check in a program inside a test bundle downloads, unpacks and installs it through
// the real sandbox service, which relaunches the new build once the program has quit.
#include "JiraStandIn.h"
#include "Platform/MountTable.h"
#include "Platform/PropertyList.h"
#include "TestUtils.h"
#include "UpdateServer.h"
#include "ZRKit/ZRZLib.h"
#include "ZRUpdater/ServiceTestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace ServiceTestSupport;

namespace {

void writeInfo(const QString& bundle, const QString& version, const QString& build, const QString& feed) {
    Platform::PropertyList::writeFile(
        bundle + QStringLiteral("/Info.plist"),
        QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.dunwarbeck.Corvantide")},
                    {QStringLiteral("CFBundleName"), QStringLiteral("Corvantide")},
                    {QStringLiteral("CFBundleDisplayName"), QStringLiteral("Corvantide")},
                    {QStringLiteral("CFBundleExecutable"), QStringLiteral("relaunched")},
                    {QStringLiteral("CFBundleShortVersionString"), version},
                    {QStringLiteral("CFBundleVersion"), build},
                    {QStringLiteral("ZRUpdaterURL"), feed}});
}

QString infoValue(const QString& bundle, const QString& key) {
    return Platform::PropertyList::readFile(bundle + QStringLiteral("/Info.plist"))
        .toMap()
        .value(key)
        .toString();
}

class ZRUpdaterEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(m_standIn.listen());
        m_runtime = m_root.filePath(QStringLiteral("runtime"));
        ASSERT_EQ(::mkdir(QFile::encodeName(m_runtime).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        // Settings and the Trash of this test's program and service only.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("data"))));
        m_prefix = m_root.filePath(QStringLiteral("prefix"));
        m_bundle = m_prefix + QStringLiteral("/Corvantide.app");
        makeApplication(m_bundle, QStringLiteral("old"));
        writeInfo(m_bundle, QStringLiteral("1.0"), QStringLiteral("100"), m_server.feedURL().toString());
        ASSERT_TRUE(QFile::copy(QStringLiteral(UPDATER_CLIENT_TOOL),
                                m_bundle + QStringLiteral("/bin/updater-client-tool")));
        QDir().mkpath(m_bundle + QStringLiteral("/libexec"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(SANDBOX_SERVICE_EXECUTABLE),
                                m_bundle + QStringLiteral("/libexec/zrupdater_sandbox_service")));
        serveFeed(QStringLiteral("Corvantide.zip"));
        m_server.archives.insert(QStringLiteral("Corvantide.zip"),
                                 zipOfNewBuild(QStringLiteral("Corvantide.app")));
    }

    void TearDown() override {
        QDirIterator locks(m_runtime + QStringLiteral("/corvantide"), {QStringLiteral("*.lock")},
                           QDir::Files);
        if (locks.hasNext()) {
            const pid_t pid = pid_t(readText(locks.next()).trimmed().toInt());
            if (pid > 1)
                ::kill(pid, SIGKILL);
        }
    }

    void serveFeed(const QString& archiveName) {
        m_server.feed = UpdateServer::feedWithRelease(QStringLiteral("2.0"), QStringLiteral("200"),
                                                      m_server.downloadURL(archiveName));
    }

    /*! A zip of the newer build (version 2.0, build 200, marker "new") under the given folder name, plus
        extra entries as (name, contents) written with Python's zipfile (names kept as given). */
    QByteArray zipOfNewBuild(const QString& folderName, const QList<QPair<QString, QString>>& extra = {},
                             const QVariantMap& infoChanges = {}) {
        const QString work = m_root.filePath(QStringLiteral("new-") + QString::number(++m_zips));
        const QString bundle = work + QLatin1Char('/') + folderName;
        makeApplication(bundle, QStringLiteral("new"));
        writeInfo(bundle, QStringLiteral("2.0"), QStringLiteral("200"), m_server.feedURL().toString());
        if (!infoChanges.isEmpty()) {
            QVariantMap info =
                Platform::PropertyList::readFile(bundle + QStringLiteral("/Info.plist")).toMap();
            info.insert(infoChanges);
            Platform::PropertyList::writeFile(bundle + QStringLiteral("/Info.plist"), info);
        }
        const QString archive = work + QStringLiteral("/archive.zip");
        QProcess zip;
        zip.setWorkingDirectory(work);
        zip.start(QStringLiteral("zip"),
                  {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-y"), archive, folderName});
        EXPECT_TRUE(zip.waitForFinished(30000));
        EXPECT_EQ(zip.exitCode(), 0);
        for (const auto& [name, contents] : extra) {
            QProcess python;
            python.start(
                QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys,zipfile; "
                                "zipfile.ZipFile(sys.argv[1],'a').writestr(sys.argv[2],sys.argv[3])"),
                 archive, name, contents});
            EXPECT_TRUE(python.waitForFinished(30000));
            EXPECT_EQ(python.exitCode(), 0);
        }
        QFile file(archive);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    /*! Runs the client program; its output lines. */
    QStringList runUpdate(const QString& mode = QStringLiteral("now")) {
        QProcess process;
        process.setProgram(m_bundle + QStringLiteral("/bin/updater-client-tool"));
        process.setArguments({mode});
        process.setWorkingDirectory(m_root.path());
        process.start();
        bool finished = false;
        // The stand-in answers from this thread's event loop.
        TestUtils::waitUntil([&] { return (finished = process.state() == QProcess::NotRunning); }, 110000);
        EXPECT_TRUE(finished);
        m_log = QString::fromUtf8(process.readAllStandardError());
        return QString::fromUtf8(process.readAllStandardOutput())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static QString pathAfter(const QStringList& lines, const QString& word) {
        for (const QString& line : lines)
            if (line.startsWith(word + QLatin1Char(' ')))
                return line.mid(word.size() + 1);
        return {};
    }

    void expectUnchanged() {
        EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("old"));
        EXPECT_EQ(infoValue(m_bundle, QStringLiteral("CFBundleVersion")), QStringLiteral("100"));
        EXPECT_FALSE(QFile::exists(m_bundle + QStringLiteral("/relaunched.txt")));
    }

    int downloads() const { return m_standIn.requests(QStringLiteral("^/corvantide/downloads/")).size(); }

    QTemporaryDir m_root;
    QString m_runtime;
    QString m_prefix;
    QString m_bundle;
    QString m_log;
    int m_zips = 0;
    JiraStandIn m_standIn;
    UpdateServer m_server{m_standIn};
};

} // namespace

TEST_F(ZRUpdaterEndToEndTest, ABackgroundCheckInstallsTheNewBuildAndRelaunchesIt) {
    const QStringList lines = runUpdate();
    ASSERT_TRUE(lines.contains(QStringLiteral("alert A new version of Corvantide has been installed")))
        << lines.join(QLatin1Char('\n')).toStdString() << m_log.toStdString();
    const QString downloadPath = pathAfter(lines, QStringLiteral("terminating"));
    ASSERT_FALSE(downloadPath.isEmpty())
        << lines.join(QLatin1Char('\n')).toStdString() << m_log.toStdString();
    const QString downloadFolder = QFileInfo(downloadPath).path();
    EXPECT_TRUE(downloadFolder.startsWith(m_runtime + QStringLiteral("/DunwarbeckDownloads/")));
    EXPECT_EQ(
        m_standIn.requests(QStringLiteral("^/corvantide/appcast")).at(0).queryValue(QStringLiteral("GZIP")),
        QStringLiteral("1"));

    // The relaunch script waits for the program to end, starts the new build and removes the download.
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return QFile::exists(m_bundle + QStringLiteral("/relaunched.txt")); }, 60000))
        << m_log.toStdString();
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("new"));
    EXPECT_EQ(infoValue(m_bundle, QStringLiteral("CFBundleVersion")), QStringLiteral("200"));
    EXPECT_FALSE(QFile::exists(m_bundle + QStringLiteral("/bin/updater-client-tool")))
        << "the old bundle is gone";
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !QFileInfo::exists(downloadFolder); }, 30000));
    EXPECT_EQ(QDir(m_prefix).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("Corvantide.app")}))
        << "no staged or old bundle is left";
}

TEST_F(ZRUpdaterEndToEndTest, RelaunchLaterLeavesTheNewBuildInPlaceAndTheApplicationRunning) {
    const QStringList lines = runUpdate(QStringLiteral("later"));
    ASSERT_FALSE(pathAfter(lines, QStringLiteral("later")).isEmpty())
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(pathAfter(lines, QStringLiteral("terminating")).isEmpty());
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("new"));
    EXPECT_EQ(infoValue(m_bundle, QStringLiteral("CFBundleVersion")), QStringLiteral("200"));
    TestUtils::spin(1000);
    EXPECT_FALSE(QFile::exists(m_bundle + QStringLiteral("/relaunched.txt"))) << "nothing was relaunched";
}

TEST_F(ZRUpdaterEndToEndTest, FailuresLeaveTheRunningBuildAsItWas) {
    // A build under another name is not this application.
    m_server.archives.insert(QStringLiteral("Other.zip"), zipOfNewBuild(QStringLiteral("Other.app")));
    serveFeed(QStringLiteral("Other.zip"));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("ERROR: No downloaded app file found"))) << m_log.toStdString();
    expectUnchanged();

    // A missing archive is a download error: nothing of the error page is unpacked.
    serveFeed(QStringLiteral("Missing.zip"));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("the server answered 404"))) << m_log.toStdString();
    expectUnchanged();

    // An archive with an entry outside its folder is refused before anything is written.
    m_server.archives.insert(QStringLiteral("Slip.zip"),
                             zipOfNewBuild(QStringLiteral("Corvantide.app"),
                                           {{QStringLiteral("../../slipped.txt"), QStringLiteral("x")}}));
    serveFeed(QStringLiteral("Slip.zip"));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("leads outside"))) << m_log.toStdString();
    expectUnchanged();
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + QStringLiteral("/slipped.txt")));
    EXPECT_FALSE(QFile::exists(m_runtime + QStringLiteral("/DunwarbeckDownloads/slipped.txt")));

    // A feed that decodes beyond the cap is an unreadable feed: nothing is downloaded.
    const int before = downloads();
    m_server.feed = QByteArray(ZRZLib::MaximumInflatedSize + 1, '<');
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("Could not deflate gzip"))) << m_log.toStdString();
    EXPECT_EQ(downloads(), before);
    expectUnchanged();
}

TEST_F(ZRUpdaterEndToEndTest, ABuildThatStartsSomethingOutsideItselfOrIsOlderIsNotInstalled) {
    // Its Info.plist names a program beside the installed bundle as the one to relaunch.
    const QString evil = m_prefix + QStringLiteral("/evil.sh");
    TestUtils::writeFile(evil, "#!/bin/sh\ntouch \"$(dirname \"$0\")/evil-ran\"\n");
    QFile::setPermissions(evil, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    m_server.archives.insert(QStringLiteral("Evil.zip"), zipOfNewBuild(QStringLiteral("Corvantide.app"), {},
                                                                       {{QStringLiteral("CFBundleExecutable"),
                                                                         QStringLiteral("../../evil.sh")}}));
    serveFeed(QStringLiteral("Evil.zip"));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("Got error while installing"))) << m_log.toStdString();
    expectUnchanged();
    TestUtils::spin(1000);
    EXPECT_FALSE(QFile::exists(m_prefix + QStringLiteral("/evil-ran")));

    // The feed offers build 200, but the archive holds build 50.
    m_server.archives.insert(
        QStringLiteral("Old.zip"),
        zipOfNewBuild(QStringLiteral("Corvantide.app"), {},
                      {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("0.5")},
                       {QStringLiteral("CFBundleVersion"), QStringLiteral("50")}}));
    serveFeed(QStringLiteral("Old.zip"));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral(
        "the downloaded version Corvantide 0.5 (50) is older than the running version Corvantide 1.0 (100)")))
        << m_log.toStdString();
    expectUnchanged();
}

TEST_F(ZRUpdaterEndToEndTest, ASquashfsImageIsAttachedReadOnlyInstalledFromAndDetached) {
    if (QStandardPaths::findExecutable(QStringLiteral("mksquashfs")).isEmpty())
        GTEST_SKIP() << "mksquashfs (squashfs-tools) is not installed";
    if (::geteuid() != 0 && (!QFileInfo::exists(QStringLiteral("/dev/fuse")) ||
                             QStandardPaths::findExecutable(QStringLiteral("squashfuse")).isEmpty()))
        GTEST_SKIP() << "neither root for a loop mount nor squashfuse with /dev/fuse";
    // The new build inside an image, as a release would ship it.
    const QByteArray zip = zipOfNewBuild(QStringLiteral("Corvantide.app"));
    const QString work = m_root.filePath(QStringLiteral("new-") + QString::number(m_zips));
    QFile::remove(work + QStringLiteral("/archive.zip"));
    const QString image = m_root.filePath(QStringLiteral("Corvantide.sqsh"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("mksquashfs"),
                                {work, image, QStringLiteral("-quiet"), QStringLiteral("-noappend")}),
              0);
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    m_server.archives.insert(QStringLiteral("Corvantide.img"), file.readAll());
    serveFeed(QStringLiteral("Corvantide.img"));

    const QStringList lines = runUpdate();
    ASSERT_FALSE(pathAfter(lines, QStringLiteral("terminating")).isEmpty())
        << lines.join(QLatin1Char('\n')).toStdString() << m_log.toStdString();
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return QFile::exists(m_bundle + QStringLiteral("/relaunched.txt")); }, 60000))
        << m_log.toStdString();
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("new"));
    // Nothing stays attached below the test's folders.
    for (const Platform::MountTable::Entry& entry : Platform::MountTable::current())
        EXPECT_FALSE(entry.mountPoint.startsWith(m_root.path())) << entry.mountPoint.toStdString();
}

TEST_F(ZRUpdaterEndToEndTest, ADiskImageLabelledAsTextGoesToTheDiskImageToolWhichFailsHere) {
    m_server.suggestedName = QStringLiteral("Corvantide.dmg.txt");
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("/Corvantide.dmg"))) << m_log.toStdString();
    EXPECT_FALSE(m_log.contains(QStringLiteral("Corvantide.dmg.txt"))) << m_log.toStdString();
    EXPECT_TRUE(m_log.contains(QStringLiteral("could not unpack"))) << m_log.toStdString();
    expectUnchanged();
}

TEST_F(ZRUpdaterEndToEndTest, WithoutTheServiceNothingIsUnpackedOrReplaced) {
    ASSERT_TRUE(QFile::remove(m_bundle + QStringLiteral("/libexec/zrupdater_sandbox_service")));
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("idle")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("could not unpack"))) << m_log.toStdString();
    expectUnchanged();
}
