#include "Platform/ImageDownloader.h"
#include "Platform/HttpSession.h"
#include "URLImageMenuItem.h"

#include "JiraStandIn.h"
#include "TestUtils.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using TestUtils::pngImage;

struct Outcome {
    int successes = 0;
    int failures = 0;
    QImage image;
    std::optional<Platform::Error> error;

    Platform::ImageDownloader::Success success() {
        return [this](const Platform::HttpRequest&, const std::optional<Platform::HttpResponse>&,
                      const QImage& i) {
            ++successes;
            image = i;
        };
    }
    Platform::ImageDownloader::Failure failure() {
        return [this](const Platform::HttpRequest&, const std::optional<Platform::HttpResponse>&,
                      const Platform::Error& e) {
            ++failures;
            error = e;
        };
    }
    int calls() const { return successes + failures; }
};

class ImageDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.listen());
        standIn.addRoute("GET", QStringLiteral("^/img/red\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                             return JiraStandIn::Reply::text(pngImage(8, Qt::red), "image/png", 200);
                         });
        standIn.addRoute("GET", QStringLiteral("^/img/blue\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                             return JiraStandIn::Reply::text(pngImage(8, Qt::blue), "image/png", 200);
                         });
        standIn.addRoute("GET", QStringLiteral("^/img/huge\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                             return JiraStandIn::Reply::text(pngImage(2048, Qt::red), "image/png", 200);
                         });
        standIn.addRoute("GET", QStringLiteral("^/img/page\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                             return JiraStandIn::Reply::text(pngImage(8, Qt::red), "text/html", 200);
                         });
        standIn.addRoute("GET", QStringLiteral("^/img/garbage\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                             return JiraStandIn::Reply::text("not an image at all", "image/png", 200);
                         });
    }

    Platform::HttpRequest request(const QString& path) const {
        Platform::HttpRequest request;
        request.url = standIn.baseUrl().resolved(QUrl(path));
        request.setHeader("Accept", "image/*");
        return request;
    }

    int requests(const QString& path) const {
        return int(standIn.requests(QStringLiteral("^") + path).size());
    }

    JiraStandIn standIn;
    Platform::ImageDownloader downloader;
};

} // namespace

TEST_F(ImageDownloaderTest, OneDownloadPerURLServesEveryWaiterAndThenTheCache) {
    Outcome first, second;
    ASSERT_TRUE(downloader.downloadImage(request("/img/red.png"), QUuid::createUuid(), first.success(),
                                         first.failure()));
    ASSERT_TRUE(downloader.downloadImage(request("/img/red.png"), QUuid::createUuid(), second.success(),
                                         second.failure()));
    EXPECT_EQ(downloader.activeDownloadCount(), 1);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return first.calls() && second.calls(); }));
    EXPECT_EQ(first.successes, 1);
    EXPECT_EQ(second.successes, 1);
    EXPECT_EQ(first.image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(requests("/img/red.png"), 1);
    EXPECT_EQ(standIn.requests("^/img/red").first().header("Accept"), QByteArray("image/*"));

    // Asked again, the cache answers: no request, and the answer still comes on a later turn.
    Outcome cached;
    EXPECT_FALSE(downloader.downloadImage(request("/img/red.png"), QUuid::createUuid(), cached.success(),
                                          cached.failure()));
    EXPECT_EQ(cached.calls(), 0);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return cached.calls() == 1; }));
    EXPECT_EQ(cached.successes, 1);
    EXPECT_EQ(requests("/img/red.png"), 1);
    EXPECT_EQ(downloader.imageCache().count(), 1);
}

TEST_F(ImageDownloaderTest, OnlyWebAddressesAreDownloaded) {
    for (const QString& address :
         {QStringLiteral("file:///etc/hostname"), QStringLiteral("ftp://127.0.0.1/a.png"),
          QStringLiteral("data:image/png;base64,AAAA"), QStringLiteral("http:///nohost")}) {
        Outcome outcome;
        Platform::HttpRequest refused;
        refused.url = QUrl(address);
        EXPECT_FALSE(
            downloader.downloadImage(refused, QUuid::createUuid(), outcome.success(), outcome.failure()));
        EXPECT_EQ(outcome.calls(), 0) << "never synchronously";
        ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls() == 1; }));
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->code(), Platform::HttpSession::UnsupportedURL) << address.toStdString();
    }
    EXPECT_EQ(downloader.activeDownloadCount(), 0);
}

TEST_F(ImageDownloaderTest, ACancelledWaiterHearsOnceOnALaterTurnAndTheOthersStillGetTheImage) {
    standIn.setDelay(QStringLiteral("^/img/"), 300);
    Outcome leaving, staying;
    const auto receipt = downloader.downloadImage(request("/img/red.png"), QUuid::createUuid(),
                                                  leaving.success(), leaving.failure());
    downloader.downloadImage(request("/img/red.png"), QUuid::createUuid(), staying.success(),
                             staying.failure());
    ASSERT_TRUE(receipt.has_value());
    downloader.cancelTask(*receipt);
    downloader.cancelTask(*receipt);
    EXPECT_EQ(leaving.calls(), 0);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return staying.calls() == 1; }));
    TestUtils::spin(50);
    EXPECT_EQ(leaving.failures, 1);
    EXPECT_EQ(leaving.successes, 0);
    EXPECT_EQ(leaving.error->code(), Platform::HttpSession::Cancelled);
    EXPECT_EQ(staying.successes, 1);

    // The last waiter leaving stops the download itself.
    Outcome alone;
    const auto only = downloader.downloadImage(request("/img/blue.png"), QUuid::createUuid(), alone.success(),
                                               alone.failure());
    downloader.cancelTask(*only);
    EXPECT_EQ(downloader.activeDownloadCount(), 0);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return alone.calls() == 1; }));
    TestUtils::spin(500);
    EXPECT_EQ(alone.calls(), 1);
    EXPECT_EQ(alone.error->code(), Platform::HttpSession::Cancelled);
    EXPECT_TRUE(downloader.imageCache().imageForRequest(request("/img/blue.png")).isNull());
}

TEST_F(ImageDownloaderTest, AnswersThatAreNoUsableImageFailAndAreNotKept) {
    standIn.setOverride(QStringLiteral("^/img/missing"), JiraStandIn::Reply::error(404, "gone"));
    for (const QString& path : {QStringLiteral("/img/huge.png"), QStringLiteral("/img/page.png"),
                                QStringLiteral("/img/garbage.png"), QStringLiteral("/img/missing.png")}) {
        Outcome outcome;
        downloader.downloadImage(request(path), QUuid::createUuid(), outcome.success(), outcome.failure());
        ASSERT_TRUE(TestUtils::waitUntil([&] { return outcome.calls() == 1; })) << path.toStdString();
        EXPECT_EQ(outcome.failures, 1) << path.toStdString();
        EXPECT_TRUE(downloader.imageCache().imageForRequest(request(path)).isNull());
    }
    EXPECT_EQ(downloader.imageCache().count(), 0);
}

TEST(ImageCacheTest, TheCacheIsBoundedByTheBytesItHolds) {
    Platform::ImageCache cache(3 * 100 * 100 * 4);
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (int i = 0; i < 5; ++i) {
        Platform::HttpRequest request;
        request.url = QUrl(QStringLiteral("https://example.com/%1.png").arg(i));
        cache.addImage(image, request);
    }
    EXPECT_EQ(cache.count(), 3);
    EXPECT_LE(cache.totalBytes(), 3 * 100 * 100 * 4);
    Platform::HttpRequest newest;
    newest.url = QUrl(QStringLiteral("https://example.com/4.png"));
    EXPECT_FALSE(cache.imageForRequest(newest).isNull());
    Platform::HttpRequest oldest;
    oldest.url = QUrl(QStringLiteral("https://example.com/0.png"));
    EXPECT_TRUE(cache.imageForRequest(oldest).isNull());
}

TEST_F(ImageDownloaderTest, MenuItemsShareADownloadAndIgnoreOneTheyNoLongerWant) {
    Platform::ImageDownloader::defaultInstance().imageCache().removeAllImages();
    standIn.setDelay(QStringLiteral("^/img/red"), 300);
    QImage placeholderImage(16, 16, QImage::Format_ARGB32);
    placeholderImage.fill(Qt::gray);
    const QIcon placeholder(QPixmap::fromImage(placeholderImage));

    URLImageMenuItem a(QStringLiteral("A-1")), b(QStringLiteral("B-1"));
    a.setImage(request("/img/red.png"), placeholder);
    b.setImage(request("/img/red.png"), placeholder);
    EXPECT_EQ(a.icon().pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::gray))
        << "the placeholder while it loads";
    // The same address again while in flight is left to the running download.
    a.setImage(request("/img/red.png"), placeholder);
    ASSERT_TRUE(a.activeImageDownloadReceipt().has_value());

    // b changes its mind: the red answer must not land on it.
    b.setImage(request("/img/blue.png"), placeholder);
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return !a.activeImageDownloadReceipt() && !b.activeImageDownloadReceipt(); }));
    TestUtils::spin(400);
    EXPECT_EQ(a.icon().pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(b.icon().pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::blue));
    EXPECT_EQ(a.icon().availableSizes().first(), QSize(16, 16)) << "every image shows at 16 x 16";
    EXPECT_EQ(requests("/img/red.png"), 1);

    // A third item finds the icon in the cache and asks nothing.
    URLImageMenuItem c(QStringLiteral("C-1"));
    c.setImage(request("/img/red.png"), placeholder);
    EXPECT_FALSE(c.activeImageDownloadReceipt().has_value());
    EXPECT_EQ(c.icon().pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(requests("/img/red.png"), 1);

    // A failure keeps the placeholder; an address that is not a web address is never asked.
    standIn.setOverride(QStringLiteral("^/img/none"), JiraStandIn::Reply::error(500, "no"));
    URLImageMenuItem d(QStringLiteral("D-1"));
    int failures = 0;
    d.setImage(request("/img/none.png"), placeholder, {},
               [&](const Platform::HttpRequest&, const std::optional<Platform::HttpResponse>&,
                   const Platform::Error&) { ++failures; });
    ASSERT_TRUE(TestUtils::waitUntil([&] { return failures == 1; }));
    EXPECT_EQ(d.icon().pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::gray));
    Platform::HttpRequest local;
    local.url = QUrl(QStringLiteral("file:///usr/share/pixmaps/debian-logo.png"));
    URLImageMenuItem e(QStringLiteral("E-1"));
    e.setImage(local, placeholder, {},
               [&](const Platform::HttpRequest&, const std::optional<Platform::HttpResponse>&,
                   const Platform::Error& error) {
                   EXPECT_EQ(error.code(), Platform::HttpSession::UnsupportedURL);
                   ++failures;
               });
    EXPECT_EQ(failures, 2);
    EXPECT_FALSE(e.activeImageDownloadReceipt().has_value());
}
