// The update alert's release notes in real Qt WebEngine (offscreen), from the plugin of the built bundle:
// untrusted HTML shown without scripts, in the bundle's wrapper page, links leaving only when clicked.
#include "ZRUpdater/ZRUpdateAlertController.h"
#include "Platform/UI/WebView.h"
#include "Platform/UI/Workspace.h"
#include "WebEngineTestUtils.h"
#include "ZRKit/UI/ZRProgressIndicator.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

QVariant evaluate(Platform::WebView* view, const QString& script) {
    return TestUtils::evaluate(qobject_cast<QWebEngineView*>(view->widget()), script,
                               QWebEngineScript::UserWorld);
}

/*! A click of the user on the link the notes put at the top left, once the page takes input. */
void clickLink(Platform::WebView* view) {
    TestUtils::clickWhenThePageTakesInput(qobject_cast<QWebEngineView*>(view->widget()), QPoint(300, 150),
                                          QPoint(20, 20), QWebEngineScript::UserWorld);
}

ZRUpdaterRelease releaseWithNotes(const QByteArray& notes) {
    ZRUpdaterRelease release;
    release.applicationName = QStringLiteral("Corvantide");
    release.versionString = QStringLiteral("2.0");
    release.bundleVersion = QStringLiteral("200");
    release.generateTitle();
    release.releaseNotes = notes;
    return release;
}

class OpenedURLs {
public:
    OpenedURLs() {
        Platform::Workspace::setURLOpenerForTesting([this](const QUrl& url) {
            urls.append(url);
            return true;
        });
    }
    ~OpenedURLs() { Platform::Workspace::setURLOpenerForTesting({}); }
    QList<QUrl> urls;
};

} // namespace

TEST(ZRUpdateAlertControllerTest, NotesAreShownInTheWrapperWithoutScriptsAndOnlyClickedWebLinksLeave) {
    OpenedURLs opened;
    ZRUpdateAlertController alert(
        releaseWithNotes(
            "<style>a{position:absolute;left:0;top:0;width:120px;height:60px;display:block}</style>"
            "<a id=\"link\" href=\"https://example.com/notes\">more</a>"
            "<script>document.body.setAttribute('data-ran', 'yes'); "
            "location.href = 'https://example.com/scripted';</script>"
            "<meta http-equiv=\"refresh\" content=\"1;url=https://example.com/refresh\">"),
        nullptr);
    alert.showWindow();
    EXPECT_EQ(alert.titleText(), QStringLiteral("Corvantide 2.0 (200)"));
    ASSERT_NE(alert.releaseWebView(), nullptr) << Platform::WebViews::errorString().toStdString();
    // The spinner turns in the middle of the notes, over the web view, until their page has loaded.
    ZRProgressIndicator* spinner = alert.releaseNotesSpinner();
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->isVisible());
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(spinner->geometry(),
              QRect(spinner->parentWidget()->rect().center() - QPoint(16, 16), QSize(32, 32)));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return alert.webViewFinishedLoading(); }, 30000));
    EXPECT_FALSE(spinner->isVisible());
    EXPECT_FALSE(spinner->isAnimating());
    Platform::WebView* view = alert.releaseWebView();
    EXPECT_TRUE(evaluate(view, QStringLiteral("document.body.getAttribute('data-ran') === null")).toBool())
        << "the notes' script did not run";
    EXPECT_TRUE(evaluate(view, QStringLiteral("document.getElementById('link') !== null")).toBool());
    EXPECT_TRUE(
        evaluate(view, QStringLiteral(
                           "document.querySelector('meta[http-equiv=\"Content-Security-Policy\"]') !== null"))
            .toBool())
        << "the notes sit in the bundle's wrapper page";
    TestUtils::spin(1500); // the refresh would have fired by now
    EXPECT_TRUE(opened.urls.isEmpty()) << "nothing leaves without a click";

    clickLink(view);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !opened.urls.isEmpty(); }));
    EXPECT_EQ(opened.urls, QList<QUrl>({QUrl(QStringLiteral("https://example.com/notes"))}));
    EXPECT_TRUE(alert.isVisible()) << "the alert stays";
    EXPECT_NE(view->url().host(), QStringLiteral("example.com")) << "the view still shows the notes";
}

TEST(ZRUpdateAlertControllerTest, OnlyWebAndMailLinksLeaveAndAReleaseWithoutNotesLoadsNothing) {
    OpenedURLs opened;
    for (const char* url :
         {"file:///etc/passwd", "javascript:alert(1)", "data:text/html,x", "ftp://example.com/a"})
        EXPECT_FALSE(ZRUpdateAlertController::openLinkOutside(QUrl(QString::fromLatin1(url)))) << url;
    EXPECT_TRUE(ZRUpdateAlertController::openLinkOutside(QUrl(QStringLiteral("http://example.com/a"))));
    EXPECT_EQ(opened.urls.size(), 1);

    ZRUpdateAlertController alert(releaseWithNotes({}), nullptr);
    alert.showWindow();
    TestUtils::spin(500);
    EXPECT_FALSE(alert.webViewFinishedLoading());
    EXPECT_TRUE(alert.releaseNotesSpinner()->isVisible()) << "nothing loads, so the spinner keeps turning";
    EXPECT_TRUE(alert.releaseNotesSpinner()->isAnimating());
    EXPECT_EQ(ZRUpdateAlertController::htmlForFragment("<p>x</p>").count(QStringLiteral("<p>x</p>")), 1);
    EXPECT_FALSE(
        ZRUpdateAlertController::htmlForFragment("<p>x</p>").contains(QStringLiteral("__RELEASE_NOTES__")));
}
