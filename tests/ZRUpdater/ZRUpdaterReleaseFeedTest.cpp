#include "JiraStandIn.h"
#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "TestBundle.h"
#include "TestUtils.h"
#include "UpdateServer.h"
#include "ZRKit/ZRZLib.h"
#include "ZRUpdater/ZRUpdaterReleaseController.h"
#include "ZRUpdater/ZRUpdaterReleaseParser.h"

#include <QNetworkProxy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<ZRUpdaterRelease> parse(const QByteArray& xml) {
    ZRUpdaterReleaseParser parser(xml);
    parser.parse();
    return parser.parsedReleases();
}

QByteArray release(const QByteArray& inner) {
    return "<Release>" + inner + "</Release>";
}

struct Recorder : ZRUpdaterReleaseControllerDelegate {
    int finished = 0;
    int failed = 0;
    QString error;
    bool offMainThread = false;
    void releaseControllerDidFinishLoading(ZRUpdaterReleaseController*) override {
        offMainThread |= !Platform::isMainThread();
        ++finished;
    }
    void releaseControllerDidFailToLoadWithError(ZRUpdaterReleaseController*,
                                                 const Platform::Error& e) override {
        offMainThread |= !Platform::isMainThread();
        ++failed;
        error = e.localizedDescription();
    }
};

class RunningVersion {
public:
    explicit RunningVersion(const QString& version) {
        const QString path = m_dir.filePath(QStringLiteral("Corvantide.app"));
        TestBundle::create(path, {{QStringLiteral("CFBundleName"), QStringLiteral("Corvantide")},
                                  {QStringLiteral("CFBundleShortVersionString"), version},
                                  {QStringLiteral("CFBundleVersion"), QStringLiteral("200")}});
        Platform::Bundle::setMainBundlePathForTesting(path);
    }
    ~RunningVersion() {
        Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(ZRUpdaterReleaseParserTest, EveryValueElementFillsItsField) {
    const auto releases =
        parse("<?xml version=\"1.0\"?><Feed><AppName>Corvantide</AppName><Releases>" +
              release("<Version>2.1</Version><BundleVersion>210</BundleVersion>"
                      "<Date>2024-03-05</Date><DownloadLink>https://example.com/C.zip"
                      "</DownloadLink><IsBeta>YES</IsBeta><ShowOnWebsite>YES</ShowOnWebsite>"
                      "<MinSystemVersion>11.2</MinSystemVersion>"
                      "<Changes><![CDATA[<b>new</b> & better]]></Changes>"
                      "<UpdateConditions><![CDATA[<i>terms</i>]]></UpdateConditions>") +
              release("<Version>2.0</Version><Date>2024-13-40</Date><IsBeta>yes</IsBeta>"
                      "<Changes>plain text</Changes>") +
              "</Releases></Feed>");
    ASSERT_EQ(releases.size(), 2);
    const ZRUpdaterRelease& first = releases.at(0);
    EXPECT_EQ(first.title, QStringLiteral("Corvantide 2.1 (210)"));
    EXPECT_EQ(first.date, QDate(2024, 3, 5));
    EXPECT_EQ(first.fileURL, QUrl(QStringLiteral("https://example.com/C.zip")));
    EXPECT_TRUE(first.isBeta);
    EXPECT_TRUE(first.showOnWebsite);
    EXPECT_EQ(first.minSystemVersion, (ZROperatingSystemVersion{11, 2, 0}));
    EXPECT_EQ(first.releaseNotes, QByteArray("<b>new</b> & better"));
    EXPECT_EQ(first.updateConditions, QByteArray("<i>terms</i>"));
    EXPECT_EQ(first.description(), QStringLiteral("Corvantide 2.1 (210) (date: 2024-03-05)"));
    const ZRUpdaterRelease& second = releases.at(1);
    EXPECT_EQ(second.title, QStringLiteral("Corvantide 2.0"));
    EXPECT_FALSE(second.date.isValid());
    EXPECT_FALSE(second.isBeta);
    EXPECT_TRUE(second.releaseNotes.isEmpty());
    EXPECT_EQ(second.minSystemVersion, ZROperatingSystemVersion{});
}

TEST(ZRUpdaterReleaseParserTest, WhereElementsStandDecidesWhetherTheyCount) {
    // A version outside the releases changes nothing; the name is the one known when a release starts;
    // values are taken untrimmed; element names are case-sensitive.
    const auto releases =
        parse("<Feed><Releases>" + release("<Version> 1.0 </Version><version>9</version>") +
              "</Releases><Version>7.0</Version><AppName>Late</AppName><Releases>" +
              release("<Version>3</Version>") + "</Releases><Release><Version>4</Version></Release></Feed>");
    ASSERT_EQ(releases.size(), 3);
    EXPECT_EQ(releases.at(0).versionString, QStringLiteral(" 1.0 "));
    EXPECT_EQ(releases.at(0).applicationName, QString());
    EXPECT_EQ(releases.at(1).applicationName, QStringLiteral("Late"));
    EXPECT_EQ(releases.at(1).versionString, QStringLiteral("3"));
    EXPECT_EQ(releases.at(2).versionString, QString()) << "outside Releases";
    // Malformed XML keeps what was read before the error.
    ZRUpdaterReleaseParser broken("<Releases>" + release("<Version>1</Version>") +
                                  "<Release><Version>2</Vers");
    broken.parse();
    EXPECT_FALSE(broken.errorString().isEmpty());
    ASSERT_GE(broken.parsedReleases().size(), 1);
    EXPECT_EQ(broken.parsedReleases().at(0).versionString, QStringLiteral("1"));
    EXPECT_TRUE(parse("<html><body>Not Found</body></html>").isEmpty());
    // Notes holding "]]>" come as consecutive CDATA sections: all of them, in order; a second "Changes"
    // element replaces the first.
    const auto split = parse("<Releases>" +
                             release("<Changes><![CDATA[<p>a]]]]><![CDATA[>b</p>]]></Changes>"
                                     "<UpdateConditions><![CDATA[x]]>\n<![CDATA[y]]></UpdateConditions>") +
                             release("<Changes><![CDATA[old]]></Changes><Changes><![CDATA[new]]></Changes>") +
                             "</Releases>");
    ASSERT_EQ(split.size(), 2);
    EXPECT_EQ(split.at(0).releaseNotes, QByteArray("<p>a]]>b</p>"));
    EXPECT_EQ(split.at(0).updateConditions, QByteArray("xy"));
    EXPECT_EQ(split.at(1).releaseNotes, QByteArray("new"));
}

TEST(ZRUpdaterReleaseParserTest, BundleVersionsCompareByTheirLeadingDigits) {
    ZRUpdaterRelease a, b, c;
    a.bundleVersion = QStringLiteral("1234abc");
    b.bundleVersion = QStringLiteral("1234");
    c.bundleVersion = QStringLiteral("abc");
    EXPECT_EQ(a.compareByBundleVersion(b), std::strong_ordering::equal);
    EXPECT_EQ(c.compareByBundleVersion(a), std::strong_ordering::greater) << "other is newer";
    EXPECT_EQ(ZRUpdaterIntegerValue(QStringLiteral("abc")), 0);
    EXPECT_EQ(ZRUpdaterIntegerValue(QStringLiteral("99999999999999999999999")), LLONG_MAX);
    // Bundle versions and system versions read numbers by one rule: ASCII digits only, saturating, every
    // digit kept up to the largest integer.
    for (const auto& [text, value] :
         std::initializer_list<std::pair<const char*, long long>>{{"9223372036854775807", LLONG_MAX},
                                                                  {"9223372036854775806", LLONG_MAX - 1},
                                                                  {"9223372036854775800", LLONG_MAX - 7},
                                                                  {"9223372036854775808", LLONG_MAX},
                                                                  {"-99999999999999999999", LLONG_MIN},
                                                                  {"\xd9\xa1\xd9\xa2", 0},
                                                                  {"12\xd9\xa1", 12},
                                                                  {" +42x", 42}}) {
        const QString string = QString::fromUtf8(text);
        EXPECT_EQ(ZRUpdaterIntegerValue(string), value) << text;
        EXPECT_EQ(ZRMacOSXVersion::systemVersionFromString(string).majorVersion, value) << text;
    }
    ZRUpdaterRelease running, needs;
    running.minSystemVersion = {12, 0, 0};
    needs.minSystemVersion = {12, 1, 0};
    EXPECT_EQ(running.compareByMinSystemVersion(needs), std::strong_ordering::less);
    EXPECT_EQ(running.compareByMinSystemVersion(ZRUpdaterRelease{}), std::strong_ordering::greater);
}

TEST(ZRUpdaterReleaseParserTest, BetasAreOfferedOnlyToAPreReleaseAndTheHighestBuildComesFirst) {
    for (const auto& [version, beta] :
         {std::pair{"2.0b3", true}, {"2.0", false}, {"2.0 Beta", true}, {"3.0pre1", true}, {"3.0", false}}) {
        RunningVersion running{QString::fromLatin1(version)};
        EXPECT_EQ(ZRUpdaterReleaseController::runningBetaOrAlphaVersion(), beta) << version;
        ZRUpdaterReleaseController controller;
        QString error;
        const auto releases = ZRUpdaterReleaseController::releasesFromFeedData(
            "<Releases>" + release("<BundleVersion>5</BundleVersion>") +
                release("<BundleVersion>9</BundleVersion><IsBeta>YES</IsBeta>") +
                release("<BundleVersion>7</BundleVersion>") + "</Releases>",
            &error);
        ASSERT_TRUE(releases.has_value());
        controller.setReleases(*releases);
        QStringList order;
        for (const auto& r : controller.sortedReleases())
            order.append(r.bundleVersion);
        EXPECT_EQ(order, beta ? QStringList({"9", "7", "5"}) : QStringList({"7", "5"})) << version;
        EXPECT_EQ(controller.newestRelease()->bundleVersion,
                  beta ? QStringLiteral("9") : QStringLiteral("7"));
    }
}

TEST(ZRUpdaterReleaseControllerTest, AGzippedAndAPlainFeedGiveTheSameReleases) {
    JiraStandIn standIn;
    ASSERT_TRUE(standIn.listen());
    UpdateServer server(standIn);
    server.feed = UpdateServer::feedWithRelease(QStringLiteral("9.0"), QStringLiteral("900"),
                                                server.downloadURL(QStringLiteral("C.zip")));
    QList<QList<ZRUpdaterRelease>> results;
    for (int layers : {0, 1, 2}) {
        server.gzipLayers = layers;
        ZRUpdaterReleaseController controller;
        Recorder recorder;
        controller.delegate = &recorder;
        controller.fetchReleasesFromURL(server.feedURL(), true);
        ASSERT_TRUE(TestUtils::waitUntil([&] { return recorder.finished + recorder.failed > 0; }));
        TestUtils::spin(50);
        EXPECT_EQ(recorder.finished, 1) << recorder.error.toStdString();
        EXPECT_EQ(recorder.failed, 0);
        EXPECT_FALSE(recorder.offMainThread);
        results.append(controller.releases());
    }
    ASSERT_EQ(results.at(0).size(), 1);
    EXPECT_EQ(results.at(0).at(0).title, QStringLiteral("Corvantide 9.0 (900)"));
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), 1);
        EXPECT_EQ(result.at(0).title, results.at(0).at(0).title);
        EXPECT_EQ(result.at(0).releaseNotes, results.at(0).at(0).releaseNotes);
    }
}

TEST(ZRUpdaterReleaseControllerTest, ErrorPagesBombsAndInsecureAddressesFailTheFetch) {
    JiraStandIn standIn;
    ASSERT_TRUE(standIn.listen());
    UpdateServer server(standIn);
    auto fetch = [&](const QUrl& url) {
        ZRUpdaterReleaseController controller;
        Recorder recorder;
        controller.delegate = &recorder;
        controller.fetchReleasesFromURL(url, false);
        EXPECT_TRUE(TestUtils::waitUntil([&] { return recorder.finished + recorder.failed > 0; }));
        EXPECT_EQ(recorder.finished, 0);
        return recorder.error;
    };
    QUrl missing = standIn.baseUrl();
    missing.setPath(QStringLiteral("/corvantide/missing.xml"));
    EXPECT_EQ(fetch(missing), QStringLiteral("Got no releases from update feed."));

    // A feed that unpacks beyond the cap is refused rather than decoded.
    server.gzipLayers = 1;
    server.feed = QByteArray(ZRZLib::MaximumInflatedSize + 1, ' ');
    EXPECT_EQ(fetch(server.feedURL()), QStringLiteral("Could not uncompress data."));
    // Feeds are bounded far above any real one: in size, unpacked or not, and in the releases listed.
    const qsizetype limit = ZRUpdaterReleaseController::MaximumFeedSize;
    server.feed = "<Releases>" + QByteArray(limit, ' ') + release("<Version>1</Version>") + "</Releases>";
    EXPECT_EQ(fetch(server.feedURL()), QStringLiteral("Could not uncompress data."));
    server.gzipLayers = 0;
    EXPECT_EQ(fetch(server.feedURL()), QStringLiteral("The update feed is too large."));
    server.gzipLayers = 1;
    server.feed = "<Releases>" + release("<Version>1</Version>").repeated(10001) + "</Releases>";
    EXPECT_EQ(fetch(server.feedURL()), QStringLiteral("The update feed lists too many releases."));
    QString error;
    const auto most = ZRUpdaterReleaseController::releasesFromFeedData(
        "<Releases>" + release("<Version>1</Version>").repeated(10000) + "</Releases>", &error);
    ASSERT_TRUE(most.has_value()) << error.toStdString();
    EXPECT_EQ(most->size(), 10000);

    server.feed.clear();
    server.gzipLayers = ZRZLib::MaximumInflatePasses + 1;
    server.feed = UpdateServer::feedWithRelease("1", "1", QUrl());
    EXPECT_EQ(fetch(server.feedURL()), QStringLiteral("Could not uncompress data."));

    // A redirect from an allowed address to plain http elsewhere is refused at that hop. The stand-in
    // also plays the proxy, so that a remote name reaches it.
    standIn.addRoute(
        "GET", QStringLiteral("^/corvantide/moved$"), false,
        [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
            JiraStandIn::Reply reply = JiraStandIn::Reply::text("", "text/plain", 302);
            reply.headers.append(
                {QByteArray("Location"), QByteArray("http://updates.example.com/corvantide/appcast.xml")});
            return reply;
        });
    server.gzipLayers = 1;
    server.feed = UpdateServer::feedWithRelease("2", "2", QUrl());
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", standIn.port()));
    QUrl moved = standIn.baseUrl();
    moved.setPath(QStringLiteral("/corvantide/moved"));
    const qsizetype feedsBefore = standIn.requests(QStringLiteral("^/corvantide/appcast")).size();
    EXPECT_EQ(fetch(moved), QStringLiteral("The update feed address is not secure."));
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    EXPECT_EQ(standIn.requests(QStringLiteral("^/corvantide/appcast")).size(), feedsBefore);
    // A redirect that stays on an allowed address is followed.
    standIn.addRoute(
        "GET", QStringLiteral("^/corvantide/here$"), false,
        [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
            JiraStandIn::Reply reply = JiraStandIn::Reply::text("", "text/plain", 302);
            reply.headers.append({QByteArray("Location"), QByteArray("/corvantide/appcast.xml")});
            return reply;
        });
    {
        ZRUpdaterReleaseController controller;
        Recorder recorder;
        controller.delegate = &recorder;
        QUrl here = standIn.baseUrl();
        here.setPath(QStringLiteral("/corvantide/here"));
        controller.fetchReleasesFromURL(here, false);
        ASSERT_TRUE(TestUtils::waitUntil([&] { return recorder.finished + recorder.failed > 0; }));
        EXPECT_EQ(recorder.finished, 1) << recorder.error.toStdString();
    }

    const int before = standIn.requests().size();
    EXPECT_EQ(fetch(QUrl(QStringLiteral("http://example.com/appcast.xml"))),
              QStringLiteral("The update feed address is not secure."));
    EXPECT_EQ(fetch(QUrl(QStringLiteral("ftp://127.0.0.1/appcast.xml"))),
              QStringLiteral("The update feed address is not secure."));
    EXPECT_EQ(standIn.requests().size(), before);
    EXPECT_TRUE(ZRUpdaterIsAllowedURL(QUrl(QStringLiteral("https://example.com/a"))));
    EXPECT_TRUE(ZRUpdaterIsAllowedURL(QUrl(QStringLiteral("http://[::1]:80/a"))));
    EXPECT_FALSE(ZRUpdaterIsAllowedURL(QUrl(QStringLiteral("http://127.0.0.1.example.com/a"))));
}
