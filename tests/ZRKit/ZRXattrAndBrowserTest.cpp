#include "ZRKit/ZRBonjourBrowser.h"
#include "ZRKit/ZRXattrEditor.h"
#include "ZRKit/ZRiCloudManager.h"

#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include <sys/xattr.h>

TEST(ZRXattrEditorTest, ValuesRoundTripAndOversizedOrBrokenOnesReadAsNothing) {
    QTemporaryDir folder(QDir::homePath() + QStringLiteral("/xattr-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("file"));
    ASSERT_TRUE(TestUtils::writeFile(path, "x"));
    if (!ZRXattrEditor::setValueForNameAtPath(QStringLiteral("probe"), QStringLiteral("com.example.probe"),
                                              path))
        GTEST_SKIP() << "this file system refuses user extended attributes";
    EXPECT_EQ(ZRXattrEditor::systemName(QStringLiteral("com.example.probe")),
              QByteArray("user.com.example.probe"));
    EXPECT_EQ(ZRXattrEditor::valueForNameAtPath(QStringLiteral("com.example.probe"), path),
              QStringLiteral("probe"));
    EXPECT_TRUE(
        ZRXattrEditor::setValueForNameAtPath(QStringLiteral("grün"), QStringLiteral("user.tag"), path));
    EXPECT_EQ(ZRXattrEditor::valueForNameAtPath(QStringLiteral("tag"), path), QStringLiteral("grün"));

    EXPECT_TRUE(
        ZRXattrEditor::setValueForNameAtPath(QString(2000, QLatin1Char('a')), QStringLiteral("big"), path));
    EXPECT_FALSE(ZRXattrEditor::valueForNameAtPath(QStringLiteral("big"), path).has_value());
    EXPECT_TRUE(
        ZRXattrEditor::setValueForNameAtPath(QString(1024, QLatin1Char('a')), QStringLiteral("big"), path));
    EXPECT_EQ(ZRXattrEditor::valueForNameAtPath(QStringLiteral("big"), path)->size(), 1024);

    const QByteArray invalid("\xff\xfe", 2);
    ASSERT_EQ(::setxattr(QFile::encodeName(path).constData(), "user.broken", invalid.constData(), 2, 0), 0);
    EXPECT_FALSE(ZRXattrEditor::valueForNameAtPath(QStringLiteral("broken"), path).has_value());

    // Reading follows a symbolic link to its file.
    const QString link = folder.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(path, link));
    EXPECT_EQ(ZRXattrEditor::valueForNameAtPath(QStringLiteral("tag"), link), QStringLiteral("grün"));

    EXPECT_TRUE(ZRXattrEditor::removeValueForNameAtPath(QStringLiteral("tag"), path));
    EXPECT_FALSE(ZRXattrEditor::valueForNameAtPath(QStringLiteral("tag"), path).has_value());
    EXPECT_FALSE(ZRXattrEditor::removeValueForNameAtPath(QStringLiteral("tag"), path));
    EXPECT_FALSE(
        ZRXattrEditor::valueForNameAtPath(QStringLiteral("tag"), folder.filePath(QStringLiteral("gone"))));
}

TEST(ZRXattrEditorDeathTest, EmptyArgumentsAreProgrammingErrors) {
    EXPECT_DEATH(ZRXattrEditor::valueForNameAtPath(QString(), QStringLiteral("/tmp")),
                 "0 < \\[inName length\\]");
    EXPECT_DEATH(ZRXattrEditor::setValueForNameAtPath(QString(), QStringLiteral("n"), QStringLiteral("/tmp")),
                 "0 < \\[inValue length\\]");
}

TEST(ZRiCloudManagerTest, NeverReportsAStoreThatIsNotThere) {
    ZRiCloudManager manager(QStringLiteral("iCloud.com.dunwarbeck.Corvantide"));
    int posted = 0;
    QObject context;
    Platform::NotificationCenter::defaultCenter().addObserver(
        ZRiCloudManagerDidReceiveUbiquityURL, &context,
        [&posted](const Platform::Notification&) { ++posted; });
    manager.checkForiCloudAvailability();
    TestUtils::spin(50);
    EXPECT_FALSE(manager.iCloudAvaible());
    EXPECT_EQ(posted, 0);
}

TEST(ZRBonjourBrowserTest, ServiceTypesAndAddressStrings) {
    EXPECT_EQ(ZRBonjourBrowser::serviceTypeFromServiceName(QStringLiteral("http")),
              QStringLiteral("_http._tcp"));
    EXPECT_EQ(ZRBonjourBrowser::serviceTypeFromServiceName(QStringLiteral("_ipp._tcp")),
              QStringLiteral("_ipp._tcp"));
}

TEST(ZRBonjourBrowserTest, WithoutADaemonItSaysSoAndFindsNothing) {
    // libdbus reads the system bus address once a process: a fresh process, whatever ran before here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvantide-test-bus");
            Platform::SystemLog::Capture log;
            int results = 0;
            ZRBonjourBrowser browser([&results](const QVariantMap&) { ++results; });
            const bool refused = !browser.startBrowsingForService(QStringLiteral("http"));
            const bool said = log.contains(QStringLiteral("could not browse for http"));
            TestUtils::spin(50);
            std::fprintf(stderr, "refused: %d said: %d results: %d services: %d\n", int(refused), int(said),
                         results, int(browser.services().size()));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "refused: 1 said: 1 results: 0 services: 0");
}

TEST(ZRBonjourBrowserTest, FindsAServicePublishedOnTheLocalDaemon) {
    const QString publish = QStandardPaths::findExecutable(QStringLiteral("avahi-publish-service"));
    if (qEnvironmentVariableIsEmpty("CORVANTIDE_TEST_AVAHI") || publish.isEmpty())
        GTEST_SKIP() << "no Avahi daemon in this test environment";
    QList<QVariantMap> results;
    auto browser = ZRBonjourBrowser::browserForService(
        QStringLiteral("_corvtest._tcp"), [&results](const QVariantMap& result) { results.append(result); });
    QProcess publisher;
    publisher.start(publish, {QStringLiteral("Corvantide Test"), QStringLiteral("_corvtest._tcp"),
                              QStringLiteral("4711")});
    ASSERT_TRUE(publisher.waitForStarted());
    const bool found = TestUtils::waitUntil(
        [&results] {
            return std::any_of(results.cbegin(), results.cend(), [](const QVariantMap& result) {
                const QStringList addresses = result.value(QStringLiteral("ServiceAddresses")).toStringList();
                return result.value(QStringLiteral("ServiceName")) == QStringLiteral("Corvantide Test") &&
                       std::any_of(addresses.cbegin(), addresses.cend(),
                                   [](const QString& a) { return a.endsWith(QStringLiteral(":4711")); });
            });
        },
        15000);
    publisher.kill();
    publisher.waitForFinished();
    EXPECT_TRUE(found);
    ASSERT_FALSE(browser->services().isEmpty());
    EXPECT_EQ(browser->services().first().name, QStringLiteral("Corvantide Test"));
    EXPECT_TRUE(browser->description().startsWith(QStringLiteral("services: ")));
}
