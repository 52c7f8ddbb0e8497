#include "JiraStandIn.h"
#include "WebEngineTestUtils.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/WebView.h"

#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Platform;

namespace {

/*! A window with one web view filling it. */
struct ViewWindow {
    explicit ViewWindow(const WebViewOptions& options = {}) {
        window->resize(600, 400);
        view = WebViews::create(window.get(), options);
        if (view != nullptr) {
            view->widget()->resize(600, 400);
            view->setLoadFinishedHandler([this](bool ok) { loads.append(ok); });
        }
        window->show();
    }
    bool waitForLoads(qsizetype count) {
        return TestUtils::waitUntil([&] { return loads.size() >= count; }, 30000);
    }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    WebView* view = nullptr;
    QList<bool> loads;
};

/*! A real click of the user on the link that linkPage puts at the top left. */
void clickLink(WebView* view) {
    TestUtils::clickWhenThePageTakesInput(qobject_cast<QWebEngineView*>(view->widget()), QPoint(300, 300),
                                          QPoint(20, 20), QWebEngineScript::UserWorld);
}

const QString linkPage = QStringLiteral(
    "<html><head><title>page</title><style>body{margin:0}a{position:absolute;left:0;top:0;width:100px;"
    "height:60px;display:block}</style></head><body><a id=\"link\" href=\"%1\">link</a>%2</body></html>");

} // namespace

TEST(WebView, TheFirstLoadOnlyModeHandsEveryLaterNavigationToItsHandler) {
    ViewWindow window(WebViewOptions{true, true});
    ASSERT_NE(window.view, nullptr);
    EXPECT_TRUE(WebViews::isLoaded());
    QList<WebNavigationAction> refused;
    window.view->setRefusedNavigationHandler(
        [&](const WebNavigationAction& action) { refused.append(action); });
    bool decided = false;
    window.view->setNavigationDecider([&](const WebNavigationAction&) {
        decided = true;
        return WebNavigationPolicy::Allow;
    });
    window.view->loadHtml(linkPage.arg(QStringLiteral("https://example.com/release"),
                                       QStringLiteral("<script>window.go = function () { location.href = "
                                                      "'https://example.com/scripted'; };</script>")));
    ASSERT_TRUE(window.waitForLoads(1));
    EXPECT_TRUE(window.loads.first());

    clickLink(window.view);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !refused.isEmpty(); }));
    EXPECT_EQ(refused.first().url, QUrl(QStringLiteral("https://example.com/release")));
    EXPECT_EQ(refused.first().type, WebNavigationType::LinkActivated);
    // A later load of the application's own is refused as well; the page stays.
    window.view->load(QUrl(QStringLiteral("https://example.com/other")));
    TestUtils::spin(300);
    EXPECT_FALSE(decided);
    EXPECT_EQ(window.loads.size(), 1);
    EXPECT_NE(window.view->url().host(), QStringLiteral("example.com"));
}

TEST(WebView, WithScriptsOffThePageDoesNotNavigateButAClickIsStillTheUsers) {
    ViewWindow window(WebViewOptions{false, false});
    ASSERT_NE(window.view, nullptr);
    QList<WebNavigationAction> asked;
    window.view->setNavigationDecider([&](const WebNavigationAction& action) {
        asked.append(action);
        return WebNavigationPolicy::Cancel;
    });
    window.view->loadHtml(
        linkPage.arg(QStringLiteral("https://example.com/notes"),
                     QStringLiteral("<script>location.href = 'https://example.com/scripted';"
                                    "</script>")));
    ASSERT_TRUE(window.waitForLoads(1));

    clickLink(window.view);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !asked.isEmpty(); }));
    // The page's script never navigated: the only navigation asked about is the click.
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first().url, QUrl(QStringLiteral("https://example.com/notes")));
    EXPECT_TRUE(asked.first().isUserClick);
    EXPECT_TRUE(asked.first().isMainFrame);
}

TEST(WebView, ALoadWithoutAnswerStopsAtItsTimeoutAndFails) {
    JiraStandIn server;
    ASSERT_TRUE(server.listen());
    server.addRoute("GET", QStringLiteral("^/slow$"), false,
                    [](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                        return JiraStandIn::Reply::text("<html><title>late</title></html>", "text/html", 200);
                    });
    server.setDelay(QStringLiteral("^/slow$"), 20000);
    ViewWindow window;
    ASSERT_NE(window.view, nullptr);
    window.view->load(QUrl(server.baseUrl().toString() + QStringLiteral("/slow")), 1);
    ASSERT_TRUE(window.waitForLoads(1));
    EXPECT_FALSE(window.loads.first());
}

TEST(WebViewDeathTest, WithoutThePluginLibraryThereIsNoViewAndTheReasonIsLogged) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QTemporaryDir bundle;
            Bundle::setMainBundlePathForTesting(bundle.path());
            SystemLog::Capture log;
            QWidget parent;
            const bool refused = WebViews::create(&parent) == nullptr && !WebViews::isLoaded() &&
                                 !WebViews::errorString().isEmpty() &&
                                 log.contains(QStringLiteral("could not load the web view: "));
            std::exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
