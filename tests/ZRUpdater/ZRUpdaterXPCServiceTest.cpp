// The application's client against the real service executable over its real socket. The client calls
// are made by a small program inside a test bundle, since the service serves only its own bundle.
#include "ZRUpdater/ZRUpdaterXPCService.h"
#include "Platform/Bundle.h"
#include "Platform/XPCConnection.h"
#include "Platform/XPCSocket.h"
#include "TestUtils.h"
#include "ZRUpdater/ServiceTestSupport.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ServiceTestSupport;

namespace {

class ZRUpdaterXPCServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        // A runtime folder of its own, so that this test's service is the only one on its socket.
        m_runtime = m_root.filePath(QStringLiteral("runtime"));
        ASSERT_EQ(::mkdir(QFile::encodeName(m_runtime).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        m_bundle = m_root.filePath(QStringLiteral("Corvantide Test.app"));
        makeBundle(m_bundle, true);
        m_downloads = makeDownloadFolder();
    }

    void TearDown() override {
        stopService();
        QDir(m_downloads).removeRecursively();
    }

    static void makeBundle(const QString& bundle, bool withService) {
        makeApplication(bundle, QStringLiteral("old"));
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(XPC_CLIENT_TOOL), bundle + QStringLiteral("/bin/xpc-client-tool")));
        if (withService) {
            QDir().mkpath(bundle + QStringLiteral("/libexec"));
            ASSERT_TRUE(QFile::copy(QStringLiteral(SANDBOX_SERVICE_EXECUTABLE),
                                    bundle + QStringLiteral("/libexec/zrupdater_sandbox_service")));
        }
    }

    QProcess* startTool(const QStringList& arguments, const QString& bundle = {}) {
        auto* process = new QProcess();
        m_processes.emplace_back(process);
        process->setProgram((bundle.isEmpty() ? m_bundle : bundle) + QStringLiteral("/bin/xpc-client-tool"));
        process->setArguments(arguments);
        process->setWorkingDirectory(m_root.path());
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start();
        return process;
    }

    static QList<QJsonObject> results(QProcess* process) {
        QList<QJsonObject> lines;
        for (const QByteArray& line : process->readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
        return lines;
    }

    QList<QJsonObject> runTool(const QStringList& arguments, const QString& bundle = {}) {
        QProcess* process = startTool(arguments, bundle);
        EXPECT_TRUE(process->waitForFinished(60000)) << arguments.join(QLatin1Char(' ')).toStdString();
        return results(process);
    }

    // The service's process id, from the lock file it holds while it serves (0 when none ever served).
    pid_t servicePid() const {
        QDirIterator locks(m_runtime + QStringLiteral("/corvantide"), {QStringLiteral("*.lock")},
                           QDir::Files);
        return locks.hasNext() ? pid_t(readText(locks.next()).trimmed().toInt()) : 0;
    }

    static bool isRunning(pid_t pid) {
        const QString state =
            readText(QStringLiteral("/proc/%1/stat").arg(pid)).section(QLatin1Char(')'), 1).trimmed();
        return !state.isEmpty() && !state.startsWith(QLatin1Char('Z'));
    }

    void stopService() {
        const pid_t pid = servicePid();
        if (pid > 0 && isRunning(pid)) {
            ::kill(pid, SIGKILL);
            TestUtils::waitUntil([pid] { return !isRunning(pid); });
        }
    }

    // An archive (a regular file) that unzip waits on while this process holds it (holdOpens).
    QString makeBlockingArchive() {
        const QString path = m_downloads + QStringLiteral("/blocking.zip");
        EXPECT_TRUE(TestUtils::writeFile(path, "not an archive"));
        return path;
    }

    // A write lease on the file: every other process's open of it waits until release() gives the lease
    // up (or the system breaks it, after /proc/sys/fs/lease-break-time, 45 s by default). The notice of a
    // waiting opener comes as SIGURG, which is ignored, in place of SIGIO, which would end this process.
    static int holdOpens(const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && (::fcntl(fd, F_SETSIG, SIGURG) != 0 || ::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    // An unzip process (not the client, whose command line names the archive too) on the archive.
    static bool unzipRunsOn(const QString& archive) {
        QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (processes.hasNext()) {
            const QString dir = processes.next();
            const QStringList argv = readText(dir + QStringLiteral("/cmdline")).split(QChar(0));
            if (argv.value(0) == QLatin1String("unzip") && argv.contains(archive) &&
                isRunning(pid_t(QFileInfo(dir).fileName().toInt())))
                return true;
        }
        return false;
    }

    // Lets an unzip held by holdOpens() go on (it then fails on what is no archive).
    static void release(int lease) {
        ::fcntl(lease, F_SETLEASE, F_UNLCK);
        ::close(lease);
    }

    // Lets a blocked unzip go on (it then fails on the empty archive): opening the pipe for writing
    // succeeds once unzip has opened it for reading, and closing it at once gives unzip an empty file.
    static bool release(const QString& pipe) {
        return TestUtils::waitUntil(
            [&pipe] {
                const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
                if (fd < 0)
                    return false;
                ::close(fd);
                return true;
            },
            30000);
    }

    QStringList unzip(const QString& archive) const {
        return {QStringLiteral("/usr/bin/env"),
                QStringLiteral("unzip"),
                QStringLiteral("-o"),
                QStringLiteral("-qq"),
                QStringLiteral("-d"),
                QFileInfo(archive).path(),
                archive};
    }

    QString makeZip(const QString& name) {
        const QString content = m_downloads + QStringLiteral("/content");
        QDir().mkpath(content);
        TestUtils::writeFile(content + QStringLiteral("/inside.txt"), "unpacked");
        QProcess zip;
        zip.setWorkingDirectory(m_downloads);
        zip.start(QStringLiteral("zip"), {QStringLiteral("-qr"), name, QStringLiteral("content")});
        EXPECT_TRUE(zip.waitForFinished(30000));
        QDir(content).removeRecursively();
        return m_downloads + QLatin1Char('/') + name;
    }

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/corvantide-service-XXXXXX")};
    QString m_runtime;
    QString m_bundle;
    QString m_downloads;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(ZRUpdaterXPCServiceTest, StartsOnDemandAndAnswersEachCallOnItsOwnConnection) {
    EXPECT_EQ(servicePid(), 0);
    const QString good = makeZip(QStringLiteral("good.zip"));
    const QString bad = m_downloads + QStringLiteral("/bad.zip");
    TestUtils::writeFile(bad, "not an archive");

    const QList<QJsonObject> lines =
        runTool(QStringList{QStringLiteral("status")} + unzip(good) +
                QStringList{QStringLiteral(";;"), QStringLiteral("status")} + unzip(bad));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0][QStringLiteral("status")].toInt(), 0);
    EXPECT_EQ(readText(m_downloads + QStringLiteral("/content/inside.txt")), QStringLiteral("unpacked"));
    EXPECT_EQ(lines[1][QStringLiteral("status")].toInt(), 9)
        << "unzip's status for a file that is not an archive";

    // One service served both connections: the executable of the bundle, still running.
    const pid_t pid = servicePid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(isRunning(pid));
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath(),
              QFileInfo(m_bundle + QStringLiteral("/libexec/zrupdater_sandbox_service")).canonicalFilePath());
    const QList<QJsonObject> again = runTool(QStringList{QStringLiteral("status")} + unzip(good));
    ASSERT_EQ(again.size(), 1);
    EXPECT_EQ(again[0][QStringLiteral("status")].toInt(), 0);
    EXPECT_EQ(servicePid(), pid);
}

TEST_F(ZRUpdaterXPCServiceTest, ClientsThatStartTheServiceAtTheSameMomentAreAllServed) {
    const QString bad = m_downloads + QStringLiteral("/bad.zip");
    TestUtils::writeFile(bad, "not an archive");
    // Each finds nothing listening and starts an instance; one of them serves, the others step aside.
    QList<QProcess*> clients;
    for (int i = 0; i < 4; ++i)
        clients.append(startTool(QStringList{QStringLiteral("status")} + unzip(bad)));
    for (QProcess* client : clients) {
        ASSERT_TRUE(client->state() == QProcess::NotRunning || client->waitForFinished(60000));
        const QList<QJsonObject> lines = results(client);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(lines[0][QStringLiteral("status")].toInt(), 9);
    }
}

TEST_F(ZRUpdaterXPCServiceTest, MoveCopiesTheNewBundleOverTheOldOneAndTheReplacedApplicationIsStillServed) {
    const QString update =
        m_downloads + QLatin1Char('/') + hostileName() + QStringLiteral("/Corvantide Test.app");
    makeBundle(update, true);
    TestUtils::writeFile(update + QStringLiteral("/marker.txt"), "new");
    const QString quarantined = m_downloads + QStringLiteral("/after.txt");
    TestUtils::writeFile(quarantined, "x");
    ASSERT_TRUE(setAttribute(quarantined, "user.com.apple.quarantine"));

    const QList<QJsonObject> lines = runTool({QStringLiteral("move"), update, m_bundle, QStringLiteral(";;"),
                                              QStringLiteral("quarantine"), quarantined});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0][QStringLiteral("result")].toBool());
    EXPECT_TRUE(lines[0][QStringLiteral("error")].isNull());
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("new"));
    EXPECT_EQ(readText(update + QStringLiteral("/marker.txt")), QStringLiteral("new"))
        << "the service copies: the source stays";
    // The tool's own executable went with the old bundle, and it is still served.
    EXPECT_TRUE(lines[1][QStringLiteral("presented")].toArray().isEmpty());
    EXPECT_FALSE(hasAttribute(quarantined, "user.com.apple.quarantine"));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(QStringLiteral("pwned"))));
    EXPECT_FALSE(QFileInfo::exists(m_downloads + QStringLiteral("/pwned")));
}

TEST_F(ZRUpdaterXPCServiceTest, RelaunchStartsTheNewExecutableOnceTheOldProcessHasGoneAndRemovesTheFolder) {
    QProcess old;
    old.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(old.waitForStarted());
    const QString folder = m_downloads + QLatin1Char('/') + hostileName();
    TestUtils::writeFile(folder + QStringLiteral("/download.zip"), "x");

    const QList<QJsonObject> lines =
        runTool({QStringLiteral("relaunch"), QString::number(old.processId()), m_bundle, folder});
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0][QStringLiteral("presented")].toArray().isEmpty());
    // Nothing happens while the old process lives.
    TestUtils::spin(1000);
    EXPECT_FALSE(QFileInfo::exists(m_bundle + QStringLiteral("/relaunched.txt")));
    EXPECT_TRUE(QFileInfo::exists(folder));

    old.kill();
    ASSERT_TRUE(old.waitForFinished());
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return QFileInfo::exists(m_bundle + QStringLiteral("/relaunched.txt")); }, 30000));
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !QFileInfo::exists(folder); }, 30000));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(QStringLiteral("pwned"))));
}

TEST_F(ZRUpdaterXPCServiceTest, AnUnwaitedToolReturnsAtOnceWhileAWaitedOneBlocksUntilTheServiceDies) {
    const QString archive = makeBlockingArchive();
    int lease = holdOpens(archive);
    ASSERT_GE(lease, 0) << strerror(errno);
    // Not waiting: the call returns although unzip is still blocked on the archive.
    const QList<QJsonObject> launched = runTool(QStringList{QStringLiteral("launch")} + unzip(archive));
    ASSERT_EQ(launched.size(), 1);
    EXPECT_TRUE(launched[0][QStringLiteral("result")].toBool());
    // unzip cannot have ended: it waits for the archive.
    EXPECT_TRUE(TestUtils::waitUntil([&] { return unzipRunsOn(archive); }, 30000));
    release(lease);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !unzipRunsOn(archive); }, 30000));

    // Waiting: the call blocks; killing the service ends it with -1.
    lease = holdOpens(archive);
    ASSERT_GE(lease, 0) << strerror(errno);
    QProcess* waiting = startTool(QStringList{QStringLiteral("status")} + unzip(archive));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return unzipRunsOn(archive) && servicePid() > 0; }, 30000));
    EXPECT_TRUE(isRunning(pid_t(waiting->processId()))) << "the client waits for the blocked tool";
    stopService();
    // stopService() runs the event loop, which may already have seen the client end.
    ASSERT_TRUE(waiting->state() == QProcess::NotRunning || waiting->waitForFinished(30000));
    const QList<QJsonObject> lines = results(waiting);
    release(lease);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][QStringLiteral("status")].toInt(), -1);

    // The socket the killed service left behind does not stand in the way of the next one.
    const QString bad = m_downloads + QStringLiteral("/bad.zip");
    TestUtils::writeFile(bad, "not an archive");
    const QList<QJsonObject> next = runTool(QStringList{QStringLiteral("status")} + unzip(bad));
    ASSERT_EQ(next.size(), 1);
    EXPECT_EQ(next[0][QStringLiteral("status")].toInt(), 9);
}

TEST_F(ZRUpdaterXPCServiceTest, AnArchiveThatIsNoRegularFileIsRefusedAndNoToolIsLeftOnIt) {
    const QString pipe = m_downloads + QStringLiteral("/update.zip");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QJsonObject request{
        {QStringLiteral("selector"),
         QStringLiteral("launchTaskWithLaunchPath:arguments:waitUntilExit:withReply:")},
        {QStringLiteral("arguments"),
         QJsonArray{QStringLiteral("/usr/bin/env"), QJsonArray::fromStringList(unzip(pipe).mid(1)), true}}};
    QProcess* client = startTool(
        {QStringLiteral("raw"), QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact))});
    const bool answered = client->waitForFinished(30000);
    const bool unzipLeft = unzipRunsOn(pipe);
    if (!answered || unzipLeft)
        release(pipe); // an unzip that waits on the pipe would outlive the test
    ASSERT_TRUE(answered) << "the request gets its reply";
    EXPECT_FALSE(unzipLeft);
    const QList<QJsonObject> lines = results(client);
    ASSERT_EQ(lines.size(), 1);
    const QJsonObject error = lines[0][QStringLiteral("error")].toObject();
    EXPECT_EQ(error[QStringLiteral("domain")].toString(),
              QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service"));
    EXPECT_TRUE(
        error[QStringLiteral("description")].toString().contains(QStringLiteral("not a regular file")))
        << QJsonDocument(lines[0]).toJson().toStdString();
}

TEST_F(ZRUpdaterXPCServiceTest, ConnectionsLeftWithHalfAMessageAreDroppedAndKeepNobodyElseOut) {
    const QString bad = m_downloads + QStringLiteral("/bad.zip");
    TestUtils::writeFile(bad, "not an archive");
    // A process of the bundle holds 16 connections that each sent part of a message, then, after the
    // time the service gives a message, asks again itself.
    QProcess* staller =
        startTool(QStringList{QStringLiteral("status")} + unzip(bad) +
                  QStringList{QStringLiteral(";;"), QStringLiteral("stall"), QStringLiteral("16"),
                              QStringLiteral(";;"), QStringLiteral("sleep"), QStringLiteral("7000"),
                              QStringLiteral(";;"), QStringLiteral("status")} +
                  unzip(bad));
    QByteArray early;
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] {
            early += staller->readAllStandardOutput();
            return early.contains("opened");
        },
        30000));
    const QList<QJsonObject> other = runTool(QStringList{QStringLiteral("status")} + unzip(bad));
    ASSERT_EQ(other.size(), 1);
    EXPECT_EQ(other[0][QStringLiteral("status")].toInt(), 9) << "another client is served meanwhile";

    ASSERT_TRUE(staller->state() == QProcess::NotRunning || staller->waitForFinished(60000));
    QList<QJsonObject> lines;
    for (const QByteArray& line : (early + staller->readAllStandardOutput()).split('\n'))
        if (!line.isEmpty())
            lines.append(QJsonDocument::fromJson(line).object());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0][QStringLiteral("status")].toInt(), 9);
    EXPECT_EQ(lines[1][QStringLiteral("opened")].toInt(), 16);
    EXPECT_EQ(lines[3][QStringLiteral("status")].toInt(), 9) << "the stalled connections were dropped";
}

TEST_F(ZRUpdaterXPCServiceTest, WithoutTheServiceExecutableEveryCallFailsThroughItsErrorPath) {
    const QString bundle = m_root.filePath(QStringLiteral("No Service.app"));
    makeBundle(bundle, false);
    const QList<QJsonObject> lines =
        runTool({QStringLiteral("copy"), m_downloads, bundle, QStringLiteral(";;"), QStringLiteral("status"),
                 QStringLiteral("/usr/bin/env"), QStringLiteral(";;"), QStringLiteral("launch"),
                 QStringLiteral("/usr/bin/env"), QStringLiteral(";;"), QStringLiteral("relaunch"),
                 QStringLiteral("4242"), bundle, m_downloads, QStringLiteral(";;"),
                 QStringLiteral("quarantine"), m_downloads},
                bundle);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_FALSE(lines[0][QStringLiteral("result")].toBool());
    const QJsonObject error = lines[0][QStringLiteral("error")].toObject();
    EXPECT_EQ(error[QStringLiteral("domain")].toString(), Platform::XPCConnection::ErrorDomain);
    EXPECT_EQ(error[QStringLiteral("code")].toInt(), Platform::XPCConnection::ConnectionInvalid);
    EXPECT_TRUE(error[QStringLiteral("description")].toString().contains(
        QStringLiteral("zrupdater_sandbox_service")));
    EXPECT_EQ(lines[1][QStringLiteral("status")].toInt(), -1);
    EXPECT_FALSE(lines[2][QStringLiteral("result")].toBool());
    for (int i : {3, 4}) {
        const QJsonArray presented = lines[i][QStringLiteral("presented")].toArray();
        ASSERT_EQ(presented.size(), 1) << i;
        EXPECT_EQ(presented[0].toObject()[QStringLiteral("code")].toInt(),
                  Platform::XPCConnection::ConnectionInvalid);
    }
}

TEST_F(ZRUpdaterXPCServiceTest, AProcessFromOutsideTheBundleIsRefusedWhateverFilesSayAboutIt) {
    // A file beside the socket that lists this process, or a named pipe in its place, counts for nothing.
    QString reason;
    const QString peers = Platform::XPCSocket::socketPath(ZRUpdaterSandboxServiceName, m_bundle, &reason) +
                          QStringLiteral(".peers");
    ASSERT_EQ(::mkfifo(QFile::encodeName(peers).constData(), 0600), 0) << reason.toStdString();
    const QString bad = m_downloads + QStringLiteral("/bad.zip");
    TestUtils::writeFile(bad, "not an archive");
    const QList<QJsonObject> served = runTool(QStringList{QStringLiteral("status")} + unzip(bad));
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served[0][QStringLiteral("status")].toInt(), 9);
    ASSERT_TRUE(QFile::remove(peers));
    const QString self = readText(QStringLiteral("/proc/self/stat"));
    TestUtils::writeFile(
        peers, QStringLiteral("%1 %2\n")
                   .arg(::getpid())
                   .arg(self.section(QLatin1Char(')'), 1).trimmed().section(QLatin1Char(' '), 19, 19))
                   .toLatin1());

    // This test program lies outside the bundle; the service turns it away.
    Platform::Bundle::setMainBundlePathForTesting(m_bundle);
    Platform::OptionalError error;
    const bool copied = ZRUpdaterXPCService::copyPathWithAuthentication(m_downloads, m_bundle, &error);
    const int status =
        ZRUpdaterXPCService::terminationStatusOfTaskWithLaunchPath(QStringLiteral("/usr/bin/env"), {});
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    EXPECT_FALSE(copied);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain(), QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service"));
    EXPECT_TRUE(error->localizedDescription().contains(QStringLiteral("only its own application")));
    EXPECT_EQ(status, -1);
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("old"));
}

TEST_F(ZRUpdaterXPCServiceTest, RequestsOutsideTheConfinementOrMalformedAreErrorRepliesAndTheServiceGoesOn) {
    const QString outside = m_root.filePath(QStringLiteral("outside"));
    TestUtils::writeFile(outside + QStringLiteral("/file.txt"), "keep");
    ASSERT_TRUE(setAttribute(outside + QStringLiteral("/file.txt"), "user.com.apple.quarantine"));
    const QString copyBadArguments = QStringLiteral(
        R"({"selector": "copyPathWithAuthentication:toPath:withReply:", "arguments": [1, true]})");
    const QString unknownSelector = QStringLiteral(R"({"selector": "removeEverything", "arguments": []})");
    const QString noArguments =
        QStringLiteral(R"({"selector": "launchTaskWithLaunchPath:arguments:waitUntilExit:withReply:"})");

    const QList<QJsonObject> lines = runTool({QStringLiteral("copy"),
                                              outside,
                                              m_bundle,
                                              QStringLiteral(";;"),
                                              QStringLiteral("copy"),
                                              m_downloads + QStringLiteral("/x"),
                                              outside,
                                              QStringLiteral(";;"),
                                              QStringLiteral("status"),
                                              QStringLiteral("/bin/sh"),
                                              QStringLiteral("-c"),
                                              QStringLiteral("touch pwned"),
                                              QStringLiteral(";;"),
                                              QStringLiteral("status"),
                                              QStringLiteral("/usr/bin/env"),
                                              QStringLiteral("unzip"),
                                              QStringLiteral("-o"),
                                              QStringLiteral("-qq"),
                                              QStringLiteral("-d"),
                                              outside,
                                              m_downloads + QStringLiteral("/a.zip"),
                                              QStringLiteral(";;"),
                                              QStringLiteral("relaunch"),
                                              QStringLiteral("1"),
                                              m_bundle,
                                              m_downloads,
                                              QStringLiteral(";;"),
                                              QStringLiteral("relaunch"),
                                              QStringLiteral("4242"),
                                              m_bundle,
                                              outside,
                                              QStringLiteral(";;"),
                                              QStringLiteral("quarantine"),
                                              outside + QStringLiteral("/file.txt"),
                                              QStringLiteral(";;"),
                                              QStringLiteral("raw"),
                                              copyBadArguments,
                                              QStringLiteral(";;"),
                                              QStringLiteral("raw"),
                                              unknownSelector,
                                              QStringLiteral(";;"),
                                              QStringLiteral("raw"),
                                              noArguments,
                                              QStringLiteral(";;"),
                                              QStringLiteral("quarantine"),
                                              m_downloads});
    ASSERT_EQ(lines.size(), 11);
    EXPECT_FALSE(lines[0][QStringLiteral("result")].toBool());
    EXPECT_TRUE(
        lines[0][QStringLiteral("error")].toObject()[QStringLiteral("description")].toString().contains(
            QStringLiteral("not in an update folder")));
    EXPECT_FALSE(lines[1][QStringLiteral("result")].toBool());
    EXPECT_TRUE(
        lines[1][QStringLiteral("error")].toObject()[QStringLiteral("description")].toString().contains(
            QStringLiteral("not the application's bundle")));
    EXPECT_EQ(lines[2][QStringLiteral("status")].toInt(), -1);
    EXPECT_EQ(lines[3][QStringLiteral("status")].toInt(), -1);
    for (int i : {4, 5, 6})
        EXPECT_EQ(lines[i][QStringLiteral("presented")].toArray().size(), 1) << i;
    for (int i : {7, 8, 9}) {
        const QJsonObject error = lines[i][QStringLiteral("error")].toObject();
        EXPECT_EQ(error[QStringLiteral("domain")].toString(),
                  QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service"))
            << i;
        EXPECT_TRUE(error[QStringLiteral("description")].toString().contains(
            QStringLiteral("cannot read the request")))
            << i;
    }
    EXPECT_TRUE(lines[10][QStringLiteral("presented")].toArray().isEmpty());

    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("old"));
    EXPECT_EQ(readText(outside + QStringLiteral("/file.txt")), QStringLiteral("keep"));
    EXPECT_TRUE(hasAttribute(outside + QStringLiteral("/file.txt"), "user.com.apple.quarantine"));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(QStringLiteral("pwned"))));
    EXPECT_TRUE(QFileInfo::exists(m_downloads));
}

TEST_F(ZRUpdaterXPCServiceTest, UpdateFoldersThatAreLinksOrAnotherUsersWidenNothing) {
    // The start-up check's folder made a link to elsewhere: nothing reached through it is released.
    const QString outside = m_root.filePath(QStringLiteral("outside"));
    TestUtils::writeFile(outside + QStringLiteral("/file.txt"), "keep");
    ASSERT_TRUE(setAttribute(outside + QStringLiteral("/file.txt"), "user.com.apple.quarantine"));
    ASSERT_TRUE(QFile::link(outside, ZRUpdaterFolders::diskImageStartupCheckFolder()));
    const QList<QJsonObject> linked =
        runTool({QStringLiteral("quarantine"),
                 ZRUpdaterFolders::diskImageStartupCheckFolder() + QStringLiteral("/file.txt")});
    ASSERT_EQ(linked.size(), 1);
    EXPECT_EQ(linked[0][QStringLiteral("presented")].toArray().size(), 1);
    EXPECT_TRUE(hasAttribute(outside + QStringLiteral("/file.txt"), "user.com.apple.quarantine"));

    // The download folder's parent owned by another user: a bundle in it replaces nothing.
    const auto probe = probeUser();
    if (!probe)
        GTEST_SKIP() << "a second user can be made and given files only as root";
    const QString update = m_downloads + QStringLiteral("/Corvantide Test.app");
    makeBundle(update, false);
    TestUtils::writeFile(update + QStringLiteral("/marker.txt"), "new");
    ASSERT_TRUE(giveTo(ZRUpdaterFolders::downloadsParent(), *probe));
    const QList<QJsonObject> foreign = runTool({QStringLiteral("copy"), update, m_bundle});
    ASSERT_EQ(foreign.size(), 1);
    EXPECT_FALSE(foreign[0][QStringLiteral("result")].toBool());
    EXPECT_TRUE(
        foreign[0][QStringLiteral("error")].toObject()[QStringLiteral("description")].toString().contains(
            QStringLiteral("not in an update folder")));
    EXPECT_EQ(readText(m_bundle + QStringLiteral("/marker.txt")), QStringLiteral("old"));
}

TEST_F(ZRUpdaterXPCServiceTest, ABundleOnAReadOnlyDiskImageMayBeCopiedToItsInstalledPlaceOnly) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a loop mount needs root";
    if (QStandardPaths::findExecutable(QStringLiteral("mksquashfs")).isEmpty())
        GTEST_SKIP() << "mksquashfs (squashfs-tools) is not installed";
    // The bundle, with its service, inside a squashfs image attached read-only.
    const QString content = m_root.filePath(QStringLiteral("image"));
    makeBundle(content + QStringLiteral("/Corvantide Test.app"), true);
    const QString image = m_root.filePath(QStringLiteral("image.sqsh"));
    const QString mounted = m_root.filePath(QStringLiteral("mounted"));
    QDir().mkpath(mounted);
    ASSERT_EQ(QProcess::execute(QStringLiteral("mksquashfs"),
                                {content, image, QStringLiteral("-quiet"), QStringLiteral("-noappend")}),
              0);
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("loop,ro"), image, mounted}) != 0)
        GTEST_SKIP() << "this machine allows no loop mount";
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_root.filePath(QStringLiteral("home"))));
    const QString installed = m_root.filePath(QStringLiteral("home/.local/lib/Corvantide Test.app"));
    QDir().mkpath(QFileInfo(installed).path());
    const QString onImage = mounted + QStringLiteral("/Corvantide Test.app");
    const QList<QJsonObject> lines =
        runTool({QStringLiteral("copy"), onImage, installed, QStringLiteral(";;"), QStringLiteral("copy"),
                 onImage, m_root.filePath(QStringLiteral("home/.local/lib/Other.app"))},
                onImage);
    qputenv("HOME", home);
    stopService();
    QProcess::execute(QStringLiteral("umount"), {mounted});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0][QStringLiteral("result")].toBool())
        << QJsonDocument(lines[0]).toJson().toStdString();
    EXPECT_EQ(readText(installed + QStringLiteral("/marker.txt")), QStringLiteral("old"));
    EXPECT_FALSE(lines[1][QStringLiteral("result")].toBool());
}

TEST_F(ZRUpdaterXPCServiceTest, QuarantineIsReleasedThroughTheWholeTreeWithoutFollowingLinks) {
    const QString tree = m_downloads + QStringLiteral("/Corvantide.app");
    TestUtils::writeFile(tree + QStringLiteral("/bin/Corvantide"), "exe");
    TestUtils::writeFile(tree + QStringLiteral("/Resources/deep/er/file.txt"), "x");
    const QString outside = m_root.filePath(QStringLiteral("outside.txt"));
    TestUtils::writeFile(outside, "x");
    ASSERT_TRUE(QFile::link(outside, tree + QStringLiteral("/Resources/link.txt")));
    ASSERT_TRUE(QFile::link(m_root.path(), tree + QStringLiteral("/Resources/linked-folder")));
    const QStringList inside = {tree, tree + QStringLiteral("/bin"), tree + QStringLiteral("/bin/Corvantide"),
                                tree + QStringLiteral("/Resources/deep/er"),
                                tree + QStringLiteral("/Resources/deep/er/file.txt")};
    for (const QString& path : inside + QStringList{outside})
        ASSERT_TRUE(setAttribute(path, "user.com.apple.quarantine")) << path.toStdString();

    const QList<QJsonObject> lines = runTool({QStringLiteral("quarantine"), tree});
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0][QStringLiteral("presented")].toArray().isEmpty());
    for (const QString& path : inside)
        EXPECT_FALSE(hasAttribute(path, "user.com.apple.quarantine")) << path.toStdString();
    EXPECT_TRUE(hasAttribute(outside, "user.com.apple.quarantine"));
}

} // namespace
