// The updater's checks against the stand-in's update server: when a launch-time check runs, which release
// is offered, and what the user is told.
#include "ZRUpdater/ZRUpdater.h"
#include "AlertResponder.h"
#include "JiraStandIn.h"
#include "Platform/Bundle.h"
#include "Platform/UserDefaults.h"
#include "TestBundle.h"
#include "TestUtils.h"
#include "UpdateServer.h"
#include "ZRKit/ZRData.h"
#include "ZRUpdater/ServiceTestSupport.h"
#include "ZRUpdater/ZRUpdateAlertController.h"
#include "ZRUpdater/ZRUpdaterFolders.h"
#include "ZRUpdater/ZRUpdaterPreferencesManager.h"
#include "ZRUpdater/ZRUpdaterStatusPanelController.h"

#include <QGuiApplication>
#include <QNetworkProxy>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace Prefs = ZRUpdaterPreferencesManager;
using TestUtils::AlertResponder;

namespace {

QByteArray releaseXML(const QString& version, const QString& build,
                      const QString& minSystem = QStringLiteral("1")) {
    return QStringLiteral("<Release><Version>%1</Version><BundleVersion>%2</BundleVersion>"
                          "<MinSystemVersion>%3</MinSystemVersion><DownloadLink>http://127.0.0.1:1/C.zip"
                          "</DownloadLink></Release>")
        .arg(version, build, minSystem)
        .toUtf8();
}

QByteArray feedOf(const QByteArray& releases) {
    return "<Feed><AppName>Corvantide</AppName><Releases>" + releases + "</Releases></Feed>";
}

class ZRUpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_standIn.listen());
        m_bundle = m_dir.filePath(QStringLiteral("Corvantide.app"));
        setFeedAddress(m_server.feedURL().toString());
        for (const QString& key :
             {Prefs::CheckForUpdatesKey, Prefs::LastVersionCheckDateKey, Prefs::SkippedReleaseVersionKey,
              Prefs::DownloadInBackgroundKey, Prefs::IncludeSystemInformationKey})
            Platform::UserDefaults::standard().removeObject(key);
        m_server.feed = feedOf(releaseXML(QStringLiteral("1.0"), QStringLiteral("100")));
        updater().resetForTesting();
    }

    void TearDown() override {
        updater().resetForTesting();
        Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    }

    void setFeedAddress(const QString& address) {
        TestBundle::create(
            m_bundle, {{QStringLiteral("CFBundleName"), QStringLiteral("Corvantide")},
                       {QStringLiteral("CFBundleDisplayName"), QStringLiteral("Corvantide")},
                       {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.dunwarbeck.Corvantide")},
                       {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")},
                       {QStringLiteral("CFBundleVersion"), QStringLiteral("100")},
                       {QStringLiteral("ZRUpdaterURL"), address}});
        Platform::Bundle::setMainBundlePathForTesting(m_bundle);
    }

    static ZRUpdater& updater() { return ZRUpdater::sharedUpdaterForSandboxedApp(true); }

    /*! The feed offers 2.0 (200), whose archive takes a minute to come. */
    void offerReleaseWithSlowDownload() {
        m_server.archives.insert(QStringLiteral("C.zip"), QByteArray(1000, 'z'));
        m_server.feed = UpdateServer::feedWithRelease(QStringLiteral("2.0"), QStringLiteral("200"),
                                                      m_server.downloadURL(QStringLiteral("C.zip")));
        m_standIn.setDelay(QStringLiteral("^/corvantide/downloads/"), 60000);
    }

    int feedRequests() const { return m_standIn.requests(QStringLiteral("^/corvantide/appcast")).size(); }

    /*! Waits until the running check has ended or offered something. */
    void waitForCheck() {
        ASSERT_TRUE(TestUtils::waitUntil(
            [] { return !updater().updateInProgress || updater().updateAlertController(); }));
        TestUtils::spin(20);
    }

    QTemporaryDir m_dir;
    QString m_bundle;
    JiraStandIn m_standIn;
    UpdateServer m_server{m_standIn};
};

} // namespace

TEST_F(ZRUpdaterTest, TheLaunchTimeQuestionIsAskedOnceAndNoStopsTheLaunchTimeChecks) {
    {
        AlertResponder responder(
            std::vector<Platform::Alert::Answer>{{Platform::ModalResponse::SecondButton, false}});
        updater().eventuallyCheckForUpdatesInBackground();
        ASSERT_EQ(responder.shown().size(), 1u);
        EXPECT_EQ(responder.shown().at(0).messageText, QStringLiteral("Check for new versions on launch?"));
        EXPECT_EQ(responder.shown().at(0).informativeText,
                  QStringLiteral("Would you like Corvantide to check for new versions on launch?"));
        EXPECT_EQ(responder.shown().at(0).buttonTitles, QStringList({"Yes", "No"}));
    }
    EXPECT_EQ(Prefs::checkForUpdates(), std::optional<bool>(false));
    EXPECT_FALSE(updater().updateInProgress);
    AlertResponder later;
    updater().eventuallyCheckForUpdatesInBackground();
    TestUtils::spin(100);
    EXPECT_TRUE(later.shown().empty());
    EXPECT_EQ(feedRequests(), 0);
    EXPECT_FALSE(Prefs::lastVersionCheckDate().has_value());
    // The user can still check from the menu.
    updater().checkForUpdates();
    waitForCheck();
    EXPECT_EQ(feedRequests(), 1);
}

TEST_F(ZRUpdaterTest, LaunchTimeChecksAreTwelveHoursApart) {
    AlertResponder responder;
    updater().eventuallyCheckForUpdatesInBackground(); // "Yes"
    waitForCheck();
    EXPECT_EQ(feedRequests(), 1);
    EXPECT_EQ(Prefs::checkForUpdates(), std::optional<bool>(true));
    ASSERT_TRUE(Prefs::lastVersionCheckDate().has_value());
    EXPECT_LT(Prefs::lastVersionCheckDate()->secsTo(QDateTime::currentDateTimeUtc()), 60);

    Prefs::setLastVersionCheckDate(QDateTime::currentDateTimeUtc().addSecs(-11 * 3600));
    updater().eventuallyCheckForUpdatesInBackground();
    TestUtils::spin(100);
    EXPECT_EQ(feedRequests(), 1);
    Prefs::setLastVersionCheckDate(QDateTime::currentDateTimeUtc().addSecs(-13 * 3600));
    updater().eventuallyCheckForUpdatesInBackground();
    waitForCheck();
    EXPECT_EQ(feedRequests(), 2);
    // A date in the future (a clock set back) does not stop the checks for good.
    Prefs::setLastVersionCheckDate(QDateTime::currentDateTimeUtc().addDays(30));
    updater().eventuallyCheckForUpdatesInBackground();
    waitForCheck();
    EXPECT_EQ(feedRequests(), 3);
    EXPECT_EQ(responder.shown().size(), 1u) << "asked only once";
}

TEST_F(ZRUpdaterTest, TheQueryDescribesTheApplicationAndReplacesTheBaseQuery) {
    QUrl base = m_server.feedURL();
    base.setQuery(QStringLiteral("channel=old"));
    setFeedAddress(base.toString());
    const QUrlQuery query(updater().feedRequestURL());
    EXPECT_FALSE(query.hasQueryItem(QStringLiteral("channel")));
    EXPECT_EQ(query.queryItems().first().first, QStringLiteral("GZIP"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("GZIP")), QStringLiteral("1"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("APPLICATION")), QStringLiteral("Corvantide"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("APP_VERSION"), QUrl::FullyDecoded),
              QStringLiteral("1.0 (100)"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("APP_BUNDLE_VERSION")), QStringLiteral("100"));
    EXPECT_FALSE(query.queryItemValue(QStringLiteral("APP_LANGUAGE")).isEmpty());
    EXPECT_FALSE(query.hasQueryItem(QStringLiteral("SYS_VERSION")));
    Platform::UserDefaults::standard().setValue(Prefs::IncludeSystemInformationKey, true);
    const QUrlQuery withSystem(updater().feedRequestURL());
    EXPECT_EQ(withSystem.queryItemValue(QStringLiteral("SYS_VERSION")), ZRMacOSXVersion::productVersion());
    const QString uuid = withSystem.queryItemValue(QStringLiteral("UUID"));
    EXPECT_TRUE(uuid.isEmpty() || (uuid.size() == 40 && uuid == uuid.toLower()));

    // The address sent is this one.
    AlertResponder responder;
    updater().checkForUpdates();
    waitForCheck();
    ASSERT_EQ(feedRequests(), 1);
    EXPECT_EQ(
        m_standIn.requests(QStringLiteral("^/corvantide/appcast")).at(0).queryValue(QStringLiteral("GZIP")),
        QStringLiteral("1"));
}

TEST_F(ZRUpdaterTest, TheNewestReleaseThisSystemRunsIsOfferedAndAnUpToDateCheckSaysSo) {
    AlertResponder responder;
    m_server.feed = feedOf(releaseXML(QStringLiteral("3.0"), QStringLiteral("300"), QStringLiteral("999")) +
                           releaseXML(QStringLiteral("2.0"), QStringLiteral("200")) +
                           releaseXML(QStringLiteral("1.0"), QStringLiteral("100")));
    updater().checkForUpdatesInBackground();
    waitForCheck();
    ASSERT_NE(updater().updateAlertController(), nullptr);
    EXPECT_EQ(updater().updateAlertController()->releaseItem().bundleVersion, QStringLiteral("200"));
    EXPECT_EQ(updater().updateAlertController()->titleText(), QStringLiteral("Corvantide 2.0 (200)"));
    EXPECT_EQ(updater().updateAlertController()->startUpdateButtonTitle(), QStringLiteral("Install Update"));
    EXPECT_TRUE(updater().verbose) << "an offer shown makes the update verbose";
    EXPECT_TRUE(updater().updateInProgress);
    EXPECT_TRUE(responder.shown().empty());

    // A second check while the alert is open brings it to the front and fetches nothing.
    updater().checkForUpdates();
    EXPECT_EQ(feedRequests(), 1);
    EXPECT_TRUE(responder.shown().empty());

    // "Later" ends the update; the newest release equal to the running build is up to date.
    updater().updateAlertController()->endWithSenderTag(1);
    EXPECT_FALSE(updater().updateInProgress);
    m_server.feed = feedOf(releaseXML(QStringLiteral("1.0"), QStringLiteral("100")));
    updater().checkForUpdatesInBackground();
    waitForCheck();
    EXPECT_TRUE(responder.shown().empty()) << "a quiet check tells nothing";
    updater().checkForUpdates();
    waitForCheck();
    ASSERT_EQ(responder.shown().size(), 1u);
    EXPECT_EQ(responder.shown().at(0).messageText,
              QStringLiteral("Your Version of Corvantide is up to date."));
    EXPECT_EQ(responder.shown().at(0).informativeText,
              QStringLiteral("Corvantide 1.0 (100) is currently the newest version available."));
    EXPECT_FALSE(updater().updateInProgress);
}

TEST_F(ZRUpdaterTest, ASkippedVersionEndsQuietChecksButAUserCheckOffersItAgain) {
    AlertResponder responder;
    m_server.feed = feedOf(releaseXML(QStringLiteral("2.0"), QStringLiteral("200")) +
                           releaseXML(QStringLiteral("1.5"), QStringLiteral("150")));
    updater().checkForUpdatesInBackground();
    waitForCheck();
    ASSERT_NE(updater().updateAlertController(), nullptr);
    updater().updateAlertController()->endWithSenderTag(2);
    EXPECT_EQ(Prefs::updaterSkippedReleaseVersion(), QStringLiteral("2.0"));
    EXPECT_FALSE(updater().updateInProgress);

    updater().checkForUpdatesInBackground();
    waitForCheck();
    EXPECT_EQ(updater().updateAlertController(), nullptr) << "the skipped release ends the walk";
    EXPECT_FALSE(updater().updateInProgress);

    updater().checkForUpdates();
    waitForCheck();
    ASSERT_NE(updater().updateAlertController(), nullptr);
    EXPECT_EQ(updater().updateAlertController()->releaseItem().versionString, QStringLiteral("2.0"));
    updater().updateAlertController()->endWithSenderTag(1);
    EXPECT_TRUE(Prefs::updaterSkippedReleaseVersion().isEmpty()) << "later forgets the skipped version";
    EXPECT_TRUE(responder.shown().empty());
}

TEST_F(ZRUpdaterTest, FeedFailuresAreReportedOnlyToTheUser) {
    AlertResponder responder;
    m_server.feed = "<html><body>Not Found</body></html>";
    updater().checkForUpdatesInBackground();
    waitForCheck();
    EXPECT_TRUE(responder.shown().empty());
    updater().checkForUpdates();
    waitForCheck();
    ASSERT_EQ(responder.shown().size(), 1u);
    EXPECT_EQ(responder.shown().at(0).messageText, QStringLiteral("Update Error"));
    EXPECT_EQ(responder.shown().at(0).informativeText,
              QStringLiteral(
                  "An error occurred while downloading the update information. Please try again later."));
    // An insecure feed address is not asked at all.
    setFeedAddress(QStringLiteral("http://updates.example.com/appcast.xml"));
    updater().checkForUpdates();
    waitForCheck();
    EXPECT_EQ(responder.shown().size(), 2u);
    EXPECT_EQ(feedRequests(), 2);
}

TEST(ZRUpdaterDownloadNameTest, SuggestedNamesBecomeOneSafeFileName) {
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("Corvantide.dmg.txt")),
              QStringLiteral("Corvantide.dmg"));
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("../../etc/passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("a\\..\\b.zip")), QStringLiteral("b.zip"));
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("..")), QString());
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("/")), QString());
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral(".hidden.zip")), QStringLiteral("hidden.zip"));
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QString::fromUtf8("new\nline.zip")),
              QStringLiteral("newline.zip"));
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QString::fromUtf8("c\u009b2J\u0085\u0080s.zip")),
              QStringLiteral("c2Js.zip"))
        << "C1 controls go like C0 ones";
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QString::fromUtf8("a\u2028b\u2029c.zip")),
              QStringLiteral("abc.zip"))
        << "so do the line and paragraph separators";
    // A long name is cut at a character within the 255 bytes a file name holds, keeping its extension,
    // and the file system takes it.
    QTemporaryDir dir;
    for (const QString& stem : {QString(300, QChar(0xe9)), QString::fromUtf8("\U0001F600").repeated(100),
                                QString(254, QLatin1Char('a'))}) {
        const QString name = ZRUpdater::safeDownloadFileName(stem + QStringLiteral(".zip.txt"));
        EXPECT_LE(name.toUtf8().size(), 255);
        EXPECT_GT(name.toUtf8().size(), 250);
        EXPECT_TRUE(name.endsWith(QStringLiteral(".zip"))) << name.toStdString();
        EXPECT_TRUE(stem.startsWith(name.chopped(4))) << "cut between characters";
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    }
    const QString noExtension = ZRUpdater::safeDownloadFileName(
        QString(300, QChar(0xe9)) + QStringLiteral(".") + QString(40, QLatin1Char('x')));
    EXPECT_EQ(noExtension, QString(127, QChar(0xe9))) << "an extension beyond 16 characters is no extension";
    EXPECT_EQ(ZRUpdater::safeDownloadFileName(QStringLiteral("a") + QString(200, QChar(0x301)) +
                                              QStringLiteral(".zip")),
              QString())
        << "one character longer than a file name leaves nothing, not a hidden \".zip\"";
}

TEST_F(ZRUpdaterTest, TheStatusPanelFollowsTheDownloadAndCancelEndsItWithoutAnError) {
    AlertResponder responder;
    offerReleaseWithSlowDownload();
    updater().checkForUpdates();
    waitForCheck();
    ASSERT_NE(updater().updateAlertController(), nullptr);
    updater().updateAlertController()->endWithSenderTag(0);
    ZRUpdaterStatusPanelController* panel = updater().statusPanelController();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->title(), QStringLiteral("Downloading update..."));
    EXPECT_EQ(panel->maxProgressValue(), 0);
    EXPECT_EQ(panel->buttonTitle(), QStringLiteral("Cancel"));
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return !m_standIn.requests(QStringLiteral("^/corvantide/downloads/")).isEmpty(); }));
    panel->pressButton();
    EXPECT_EQ(updater().statusPanelController(), nullptr);
    EXPECT_FALSE(updater().updateInProgress);
    TestUtils::spin(100);
    EXPECT_TRUE(responder.shown().empty()) << "a cancelled download is no error";
}

TEST_F(ZRUpdaterTest, ClosingTheAlertIsLaterAndClosingThePanelCancelsTheDownload) {
    AlertResponder responder;
    offerReleaseWithSlowDownload();
    Prefs::setUpdaterSkippedReleaseVersion(QStringLiteral("1.9"));
    // The window's close button, or Escape.
    const auto closeAsTheUser = [](QWidget* window, bool escape) {
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        if (escape)
            QTest::keyClick(window, Qt::Key_Escape);
        else
            window->close();
    };
    // Each is "Remind Me Later".
    for (const bool escape : {false, true}) {
        updater().checkForUpdates();
        waitForCheck();
        QPointer<ZRUpdateAlertController> alert = updater().updateAlertController();
        closeAsTheUser(alert, escape);
        EXPECT_TRUE(TestUtils::waitUntil([] { return !updater().updateInProgress; })) << "escape: " << escape;
        EXPECT_TRUE(Prefs::updaterSkippedReleaseVersion().isEmpty());
        EXPECT_TRUE(alert.isNull() || !alert->isVisible());
    }
    EXPECT_EQ(feedRequests(), 2) << "each check after a close fetched the feed";

    // Closing the panel during the download (button or Escape) cancels it without an error.
    for (const bool escape : {false, true}) {
        updater().checkForUpdates();
        waitForCheck();
        ASSERT_NE(updater().updateAlertController(), nullptr);
        updater().updateAlertController()->endWithSenderTag(0);
        closeAsTheUser(updater().statusPanelController(), escape);
        EXPECT_FALSE(updater().updateInProgress) << "escape: " << escape;
        EXPECT_EQ(updater().statusPanelController(), nullptr);
    }
    TestUtils::spin(100);
    EXPECT_TRUE(responder.shown().empty()) << "a closed alert or panel is no error";

    // A panel whose stage has no way back (the installation) stays open.
    ZRUpdaterStatusPanelController installing;
    installing.show();
    installing.setCancelHandler({});
    EXPECT_FALSE(installing.close());
    EXPECT_TRUE(installing.isVisible());
    bool cancelled = false;
    installing.setCancelHandler([&cancelled] { cancelled = true; });
    EXPECT_TRUE(installing.close());
    EXPECT_TRUE(cancelled);
}

TEST_F(ZRUpdaterTest, AMissingOrInsecureDownloadIsADownloadErrorForTheUser) {
    AlertResponder responder;
    // An allowed address that redirects to plain http elsewhere; the stand-in plays the proxy, so that
    // the remote name would reach it.
    m_server.archives.insert(QStringLiteral("C.zip"), QByteArray(1000, 'z'));
    m_standIn.addRoute("GET", QStringLiteral("^/corvantide/moved$"), false,
                       [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                           JiraStandIn::Reply reply = JiraStandIn::Reply::text("", "text/plain", 302);
                           reply.headers.append(
                               {QByteArray("Location"),
                                QByteArray("http://downloads.example.com/corvantide/downloads/C.zip")});
                           return reply;
                       });
    QUrl moved = m_standIn.baseUrl();
    moved.setPath(QStringLiteral("/corvantide/moved"));
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", m_standIn.port()));
    const auto noProxy = qScopeGuard([] { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); });
    for (const QUrl& link : {m_server.downloadURL(QStringLiteral("Missing.zip")),
                             QUrl(QStringLiteral("http://downloads.example.com/C.zip")), moved}) {
        m_server.feed = UpdateServer::feedWithRelease(QStringLiteral("2.0"), QStringLiteral("200"), link);
        updater().checkForUpdates();
        waitForCheck();
        ASSERT_NE(updater().updateAlertController(), nullptr);
        updater().updateAlertController()->endWithSenderTag(0);
        ASSERT_TRUE(TestUtils::waitUntil([] { return !updater().updateInProgress; }));
        EXPECT_EQ(updater().statusPanelController(), nullptr);
    }
    ASSERT_EQ(responder.shown().size(), 3u);
    for (const auto& shown : responder.shown())
        EXPECT_EQ(shown.informativeText,
                  QStringLiteral("An error occurred while downloading the update. Please try again later."));
    EXPECT_EQ(m_standIn.requests(QStringLiteral("^/corvantide/downloads/")).size(), 1)
        << "the insecure ones are not asked";
}

TEST_F(ZRUpdaterTest, TheAlertAndThePanelKeepTheirFramesAcrossRuns) {
    ZRUpdaterRelease release;
    release.versionString = QStringLiteral("2.0");
    const std::vector<std::pair<QString, std::function<QWidget*()>>> windows = {
        {QStringLiteral("Window Frame updaterStatusPanel"),
         [] { return new ZRUpdaterStatusPanelController(); }},
        {QStringLiteral("Window Frame updaterAlertPanel"),
         [&release] { return new ZRUpdateAlertController(release, nullptr); }}};
    for (const auto& [key, make] : windows) {
        Platform::UserDefaults::standard().removeObject(key);
        std::unique_ptr<QWidget> first(make());
        first->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
        first->setGeometry(60, 70, 600, 430);
        TestUtils::spin(50);
        const QRect frame = first->geometry();
        first->hide();
        first.reset();
        EXPECT_EQ(Platform::UserDefaults::standard().string(key), QStringLiteral("%1 %2 %3 %4")
                                                                      .arg(frame.x())
                                                                      .arg(frame.y())
                                                                      .arg(frame.width())
                                                                      .arg(frame.height()));
        std::unique_ptr<QWidget> second(make());
        EXPECT_EQ(second->geometry(), frame) << key.toStdString();
        second.reset();
        // A frame on no screen any more is not used.
        Platform::UserDefaults::standard().setValue(key, QStringLiteral("90000 90000 600 430"));
        std::unique_ptr<QWidget> third(make());
        EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().intersects(third->geometry()));
        Platform::UserDefaults::standard().removeObject(key);
    }
}

TEST_F(ZRUpdaterTest, DownloadsGoBelowThisUsersOwnFolderWhateverOthersMadeInTheSharedOne) {
    const auto probe = ServiceTestSupport::probeUser();
    if (!probe)
        GTEST_SKIP() << "a second user can be made and given files only as root";
    // Another user made the shared names first, in a temporary folder of this test's own.
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    const QByteArray previousTemporary = qgetenv("TMPDIR");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(shared.path()));
    for (const QString& name :
         {QStringLiteral("DunwarbeckDownloads"), QStringLiteral("diskimagestartupcheck")}) {
        ASSERT_TRUE(QDir().mkpath(shared.filePath(name)));
        ASSERT_TRUE(ServiceTestSupport::giveTo(shared.filePath(name), *probe));
    }
    const QString folder = updater().temporaryDownloadDirectory();
    EXPECT_TRUE(folder.startsWith(QFile::decodeName(runtime) + QStringLiteral("/DunwarbeckDownloads/")))
        << folder.toStdString();
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0) << "closed to others";

    // Without a private runtime folder: <temp>/DunwarbeckDownloads-<uid>, used only when it is ours.
    qunsetenv("XDG_RUNTIME_DIR");
    const QString parent = ZRUpdaterFolders::downloadsParent();
    EXPECT_EQ(parent, shared.filePath(QStringLiteral("DunwarbeckDownloads-%1").arg(::geteuid())));
    ASSERT_TRUE(QDir().mkpath(parent));
    ASSERT_TRUE(ServiceTestSupport::giveTo(parent, *probe));
    EXPECT_FALSE(ZRUpdaterFolders::makeOwnFolder(parent, false));
    ASSERT_TRUE(QDir(parent).removeRecursively());
    ASSERT_TRUE(QFile::link(shared.filePath(QStringLiteral("DunwarbeckDownloads")), parent));
    EXPECT_FALSE(ZRUpdaterFolders::makeOwnFolder(parent, false));
    ASSERT_TRUE(QFile::remove(parent));
    EXPECT_TRUE(ZRUpdaterFolders::makeOwnFolder(parent, false));
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TMPDIR", previousTemporary);
    if (previousTemporary.isEmpty())
        qunsetenv("TMPDIR");
    QDir(folder).removeRecursively();
}

TEST(ZRUpdaterMACAddressTest, TheAddressIsSentOnlyHashedAndOnlyWhenThereIsOne) {
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("net"));
    auto addInterface = [&](const QString& name, const QByteArray& address) {
        ASSERT_TRUE(TestUtils::writeFile(root + QLatin1Char('/') + name + QStringLiteral("/type"), "1\n"));
        ASSERT_TRUE(TestUtils::writeFile(root + QLatin1Char('/') + name + QStringLiteral("/ifindex"), "2\n"));
        ASSERT_TRUE(TestUtils::writeFile(root + QLatin1Char('/') + name + QStringLiteral("/address"),
                                         address + "\n"));
        QDir().mkpath(root + QLatin1Char('/') + name + QStringLiteral("/device"));
    };
    QDir().mkpath(root);
    EXPECT_EQ(ZRUpdater::hashedMACAddress(root), QString())
        << "no interface: six zero bytes, nothing to hash";
    addInterface(QStringLiteral("eth0"), "3c:7c:3f:aa:bb:cc");
    // SHA-1 of the six bytes 3c 7c 3f aa bb cc.
    EXPECT_EQ(ZRUpdater::hashedMACAddress(root),
              ZRData::sha1DigestString(QByteArray::fromHex("3c7c3faabbcc")));
    EXPECT_EQ(ZRUpdater::hashedMACAddress(root).size(), 40);
    EXPECT_EQ(ZRUpdater::hashedMACAddress(dir.filePath(QStringLiteral("missing"))), QString());
}
