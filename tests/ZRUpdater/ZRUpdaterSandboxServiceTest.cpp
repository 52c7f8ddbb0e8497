// The service's decisions in this process: which requests it reads, and what its confinement lets
// through. The real executable over its socket is ZRUpdaterXPCServiceTest.
#include "TestUtils.h"
#include "ZRUpdater/ServiceTestSupport.h"
#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"
#include "ZRUpdaterSandboxServiceConfinement.h"

#include "Platform/MountTable.h"
#include "Platform/XPCWire.h"

#include <QCborArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ServiceTestSupport;
using namespace ZRUpdaterSandboxServiceMessages;

namespace {

QCborMap message(const QString& selectorName, const QCborArray& arguments) {
    QCborMap map;
    map.insert(QStringLiteral("selector"), selectorName);
    map.insert(QStringLiteral("arguments"), arguments);
    return map;
}

TEST(ZRUpdaterSandboxServiceMessagesTest, EveryRequestReadsBackAsItWasSent) {
    Request copy{Method::Copy, QStringLiteral("/a b"), QStringLiteral("/c\nd"), {}, {}, false, 0, {}};
    Request move = copy;
    move.method = Method::Move;
    Request quarantine{Method::ReleaseFromQuarantine, {}, {}, QStringLiteral("/x"), {}, false, 0, {}};
    Request task{Method::LaunchTask,
                 {},
                 {},
                 QStringLiteral("/usr/bin/env"),
                 {QStringLiteral("unzip"), QString()},
                 true,
                 0,
                 {}};
    Request relaunch{Method::WaitForApplication, {}, {}, QStringLiteral("/opt/C.app"), {}, false, -7,
                     QStringLiteral("/t")};
    for (const Request& request : {copy, move, quarantine, task, relaunch}) {
        QString error;
        const std::optional<Request> decoded = decodeRequest(encodeRequest(request), &error);
        ASSERT_TRUE(decoded.has_value()) << error.toStdString();
        EXPECT_EQ(*decoded, request) << selector(request.method).toStdString();
    }
}

TEST(ZRUpdaterSandboxServiceMessagesTest, MalformedRequestsAreRefusedWithAReason) {
    const QString copySelector = selector(Method::Copy);
    const QString taskSelector = selector(Method::LaunchTask);
    const QString waitSelector = selector(Method::WaitForApplication);
    const QList<QCborMap> malformed = {
        QCborMap(),
        message(QStringLiteral("rm -rf /"), {}),
        message(copySelector, {QStringLiteral("/a")}),
        message(copySelector, {QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")}),
        message(copySelector, {QStringLiteral("/a"), 5}),
        message(copySelector,
                {QStringLiteral("/a") + QChar(0) + QStringLiteral("/etc"), QStringLiteral("/b")}),
        message(taskSelector, {QStringLiteral("/usr/bin/env"), QStringLiteral("unzip"), true}),
        message(taskSelector, {QStringLiteral("/usr/bin/env"), QCborArray{QStringLiteral("unzip"), 3}, true}),
        message(taskSelector, {QStringLiteral("/usr/bin/env"), QCborArray{}, 1}),
        message(waitSelector, {QStringLiteral("12"), QStringLiteral("/a"), QStringLiteral("/b")}),
        message(waitSelector, {qint64(1) << 40, QStringLiteral("/a"), QStringLiteral("/b")}),
        message(waitSelector, {1.5, QStringLiteral("/a"), QStringLiteral("/b")}),
    };
    for (const QCborMap& request : malformed) {
        QString error;
        EXPECT_FALSE(decodeRequest(request, &error).has_value())
            << QCborValue(request).toDiagnosticNotation().toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(ZRUpdaterSandboxServiceMessagesTest, RepliesOfTheWrongShapeAreNotRead) {
    bool success = true;
    Platform::OptionalError error;
    qint32 status = 0;
    EXPECT_TRUE(decodeSuccessReply(
        successReply(false, Platform::Error(QStringLiteral("d"), 3, QStringLiteral("t"))), &success, &error));
    EXPECT_FALSE(success);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code(), 3);
    EXPECT_FALSE(decodeSuccessReply(statusReply(0), &success, &error));
    EXPECT_FALSE(decodeStatusReply(emptyReply(), &status));
    EXPECT_FALSE(decodeEmptyReply(statusReply(1)));
    QCborMap huge;
    huge.insert(QStringLiteral("reply"), QCborArray{qint64(1) << 33});
    EXPECT_FALSE(decodeStatusReply(huge, &status));
}

// A service object that forgets to reply still answers the client.
TEST(ZRUpdaterSandboxServiceMessagesTest, AMethodThatNeverRepliesGivesAFailureReply) {
    struct Silent final : ZRUpdaterSandboxServiceProtocol {
        void copyPathWithAuthentication(const QString&, const QString&, SuccessReply) override {}
        void movePathWithAuthentication(const QString&, const QString&, SuccessReply) override {}
        void releaseItemAtPathFromQuarantine(const QString&, EmptyReply) override {}
        void launchTaskWithLaunchPath(const QString&, const QStringList&, bool, StatusReply) override {}
        void waitForApplicationWithProcessIDToQuit(qint32, const QString&, const QString&,
                                                   EmptyReply) override {}
    } silent;
    Request request;
    request.method = Method::LaunchTask;
    const QCborMap reply = dispatch(request, silent);
    qint32 status = 0;
    EXPECT_FALSE(decodeStatusReply(reply, &status));
}

class ZRUpdaterSandboxServiceConfinementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_bundle = m_root.filePath(QStringLiteral("Corvantide.app"));
        m_updates = m_root.filePath(QStringLiteral("DunwarbeckDownloads"));
        m_download = m_updates + QStringLiteral("/id ") + hostileName();
        QDir().mkpath(m_bundle);
        QDir().mkpath(m_download + QStringLiteral("/Corvantide.app"));
        TestUtils::writeFile(m_download + QStringLiteral("/Update.zip"), "zip");
    }

    ZRUpdaterSandboxServiceConfinement confinement() const {
        return ZRUpdaterSandboxServiceConfinement(m_bundle,
                                                  {m_updates, m_root.filePath(QStringLiteral("absent"))});
    }

    std::optional<QString> copy(const QString& source, const QString& destination) const {
        return confinement().refusal({Method::Copy, source, destination, {}, {}, false, 0, {}});
    }

    std::optional<QString> task(const QString& launchPath, const QStringList& arguments) const {
        return confinement().refusal({Method::LaunchTask, {}, {}, launchPath, arguments, true, 0, {}});
    }

    std::optional<QString> relaunch(qint32 pid, const QString& path, const QString& folder) const {
        return confinement().refusal({Method::WaitForApplication, {}, {}, path, {}, false, pid, folder});
    }

    QStringList unzip(const QString& folder, const QString& archive) const {
        return {QStringLiteral("unzip"),
                QStringLiteral("-o"),
                QStringLiteral("-qq"),
                QStringLiteral("-d"),
                folder,
                archive};
    }

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/corvantide-confine-XXXXXX")};
    QString m_bundle;
    QString m_updates;
    QString m_download;
};

TEST_F(ZRUpdaterSandboxServiceConfinementTest, CopyAndMoveGoOnlyFromTheUpdateFoldersOntoTheBundle) {
    const QString update = m_download + QStringLiteral("/Corvantide.app");
    EXPECT_EQ(copy(update, m_bundle), std::nullopt);
    EXPECT_EQ(copy(update, m_bundle + QStringLiteral("/")), std::nullopt);
    EXPECT_NE(copy(update, m_bundle + QStringLiteral("/Resources")), std::nullopt);
    EXPECT_NE(copy(update, m_root.path()), std::nullopt);
    EXPECT_NE(copy(update, m_root.filePath(QStringLiteral("Other.app"))), std::nullopt);
    EXPECT_NE(copy(QStringLiteral("/etc"), m_bundle), std::nullopt);
    EXPECT_NE(copy(m_updates, m_bundle), std::nullopt) << "the update folder itself";
    EXPECT_NE(copy(m_download + QStringLiteral("/../../Corvantide.app"), m_bundle), std::nullopt);
    EXPECT_NE(copy(QStringLiteral("relative/Corvantide.app"), m_bundle), std::nullopt);
    EXPECT_NE(copy(m_root.filePath(QStringLiteral("absent/x")), m_bundle), std::nullopt);
    // A link below the update folder leads out of it.
    ASSERT_TRUE(QFile::link(QStringLiteral("/etc"), m_download + QStringLiteral("/escape")));
    EXPECT_NE(copy(m_download + QStringLiteral("/escape"), m_bundle), std::nullopt);
    EXPECT_NE(copy(m_download + QStringLiteral("/escape/passwd"), m_bundle), std::nullopt);
}

TEST_F(ZRUpdaterSandboxServiceConfinementTest, OnlyTheUnpackingCommandLinesRunAndOnlyInTheArchivesFolder) {
    const QString archive = m_download + QStringLiteral("/Update.zip");
    const QString env = QStringLiteral("/usr/bin/env");
    EXPECT_EQ(task(env, unzip(m_download, archive)), std::nullopt);
    const QString volume = m_download + QStringLiteral("/Volume");
    QDir().mkpath(volume);
    const QStringList attach = ZRUpdaterFileManager::attachDiskImageArguments(archive, volume);
    EXPECT_EQ(task(env, attach), std::nullopt);
    EXPECT_EQ(task(env, ZRUpdaterFileManager::detachDiskImageArguments(volume)), std::nullopt);
    EXPECT_NE(task(env, ZRUpdaterFileManager::detachDiskImageArguments(m_download)), std::nullopt);
    EXPECT_NE(task(env, ZRUpdaterFileManager::detachDiskImageArguments(QStringLiteral("/"))), std::nullopt);

    EXPECT_NE(task(QStringLiteral("/usr/bin/unzip"), unzip(m_download, archive).mid(1)), std::nullopt);
    EXPECT_NE(task(env, unzip(m_root.path(), archive)), std::nullopt) << "unpacking elsewhere";
    EXPECT_NE(task(env, unzip(QStringLiteral("/"), QStringLiteral("/Update.zip"))), std::nullopt);
    EXPECT_NE(task(env, unzip(m_download, archive) + QStringList{QStringLiteral("-x")}), std::nullopt);
    QStringList replaced = unzip(m_download, archive);
    replaced[1] = QStringLiteral("-:");
    EXPECT_NE(task(env, replaced), std::nullopt);
    EXPECT_NE(task(env, {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("true")}), std::nullopt);
    QStringList attachElsewhere = attach;
    attachElsewhere.last() = m_root.path();
    EXPECT_NE(task(env, attachElsewhere), std::nullopt);
    QStringList otherOptions = attach;
    otherOptions.replace(otherOptions.indexOf(QStringLiteral("-o")) + 1, QStringLiteral("rw"));
    EXPECT_NE(task(env, otherOptions), std::nullopt);
}

TEST_F(ZRUpdaterSandboxServiceConfinementTest, RelaunchAndQuarantineStayWithTheBundleAndTheUpdateFolders) {
    EXPECT_EQ(relaunch(4242, m_bundle, m_download), std::nullopt);
    EXPECT_EQ(relaunch(4242, m_bundle, m_updates + QStringLiteral("/not-made-yet")), std::nullopt);
    for (qint32 pid : {1, 0, -5})
        EXPECT_NE(relaunch(pid, m_bundle, m_download), std::nullopt) << pid;
    EXPECT_NE(relaunch(4242, QStringLiteral("/usr/bin/xterm"), m_download), std::nullopt);
    EXPECT_NE(relaunch(4242, m_bundle, m_updates), std::nullopt) << "the update folder itself is not removed";
    EXPECT_NE(relaunch(4242, m_bundle, m_root.path()), std::nullopt);
    EXPECT_NE(relaunch(4242, m_bundle, QStringLiteral("/")), std::nullopt);

    const ZRUpdaterSandboxServiceConfinement limits = confinement();
    EXPECT_EQ(limits.refusal({Method::ReleaseFromQuarantine,
                              {},
                              {},
                              m_download + QStringLiteral("/Update.zip"),
                              {},
                              false,
                              0,
                              {}}),
              std::nullopt);
    EXPECT_NE(limits.refusal({Method::ReleaseFromQuarantine, {}, {}, m_bundle, {}, false, 0, {}}),
              std::nullopt);
    EXPECT_NE(
        limits.refusal({Method::ReleaseFromQuarantine, {}, {}, QStringLiteral("/home"), {}, false, 0, {}}),
        std::nullopt);
}

TEST_F(ZRUpdaterSandboxServiceConfinementTest, ABundleOnADiskImageMayBeCopiedToItsInstalledPlaceOnly) {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_root.filePath(QStringLiteral("home"))));
    const QString installed = m_root.filePath(QStringLiteral("home/.local/lib/Corvantide.app"));
    QDir().mkpath(QFileInfo(installed).path());
    EXPECT_NE(copy(m_bundle, installed), std::nullopt) << "not on a disk image";
    TestUtils::writeFile(m_root.filePath(QStringLiteral("sys/block/loop2/loop/backing_file")), "/x.sqsh\n");
    Platform::MountTable::setSourcesForTesting(
        QStringLiteral("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n9 1 7:2 / %1 ro - squashfs /dev/loop2 ro\n")
            .arg(QFileInfo(m_bundle).canonicalFilePath())
            .toUtf8(),
        m_root.filePath(QStringLiteral("sys")));
    EXPECT_EQ(copy(m_bundle, installed), std::nullopt);
    EXPECT_EQ(relaunch(4242, installed, m_download), std::nullopt);
    EXPECT_NE(copy(m_bundle, m_root.filePath(QStringLiteral("home/.local/lib/Other.app"))), std::nullopt);
    EXPECT_NE(copy(m_bundle, m_root.filePath(QStringLiteral("home/.bashrc"))), std::nullopt);
    Platform::MountTable::setSourcesForTesting({}, {});
    qputenv("HOME", home);
}

} // namespace
