#include "AppDelegateFixture.h"

#include "AlertResponder.h"
#include "JiraIssueManager.h"
#include "KeychainAccess.h"
#include "URLImageMenuItem.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/Keychain.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/ActivationPolicy.h"
#include "Platform/UI/Workspace.h"
#include "UserDefaultsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

Platform::UserDefaults& defaults() {
    return Platform::UserDefaults::standard();
}

} // namespace

TEST_F(AppDelegateTest, LaunchWithoutAccountsMakesTheMenuAndTimerButNoRequest) {
    AppDelegate& app = makeDelegate();
    app.applicationDidFinishLaunching();
    EXPECT_EQ(AppDelegate::shared(), &app);
    ASSERT_NE(app.updateIssuesTimer(), nullptr);
    EXPECT_TRUE(app.updateIssuesTimer()->isActive());
    EXPECT_FALSE(app.updateIssuesTimer()->isSingleShot());
    ASSERT_NE(app.statusMenu(), nullptr);
    // The offscreen platform has no tray host: the commands are offered in a window instead.
    EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    ASSERT_NE(app.trayUnavailableWindow(), nullptr);
    EXPECT_TRUE(app.trayUnavailableWindow()->isVisible());

    TestUtils::spin(300);
    EXPECT_TRUE(standIn.requests().isEmpty());
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(rows(app.statusMenu()), QStringList{"[view]"} + fixedRowsWithoutAccount());
}

TEST_F(AppDelegateTest, AKeychainThatCannotBeReadIsSaidSoInPlaceOfTheSignIn) {
    AppDelegate& app = makeDelegate();
    app.applicationDidFinishLaunching();
    for (const int status :
         {int(Platform::Keychain::NotAvailable), int(Platform::Keychain::InteractionNotAllowed)}) {
        Platform::Keychain::setInjectedReadStatusForTesting(status);
        app.menuWillOpen(app.statusMenu());
        Platform::Keychain::setInjectedReadStatusForTesting(std::nullopt);
        EXPECT_EQ(rows(app.statusMenu()), QStringList{"The Jira accounts cannot be read: " +
                                                      KeychainAccess::messageForStatus(status)} +
                                              fixedRowsWithoutAccount());
        EXPECT_FALSE(app.statusMenu()->actions().constFirst()->isEnabled());
    }
}

TEST_F(AppDelegateTest, TheUpdateIntervalIsReadAtLaunchAndFallsBackTo15Minutes) {
    for (const auto& [minutes, seconds] : std::vector<std::pair<QVariant, int>>{{QVariant(45), 900},
                                                                                {QVariant(0), 900},
                                                                                {QVariant(), 900},
                                                                                {QVariant(720), 43200},
                                                                                {QVariant(5), 300}}) {
        UserDefaultsKeys::set(minutes, UserDefaultsKeys::Key::updateIssuesIntervalMinutes);
        AppDelegate& app = makeDelegate();
        app.applicationDidFinishLaunching();
        ASSERT_NE(app.updateIssuesTimer(), nullptr);
        EXPECT_EQ(app.updateIssuesTimer()->interval(), seconds * 1000) << minutes.toString().toStdString();
        // Chosen later, a new interval waits for the next launch.
        UserDefaultsKeys::set(qint64(60), UserDefaultsKeys::Key::updateIssuesIntervalMinutes);
        EXPECT_EQ(app.updateIssuesTimer()->interval(), seconds * 1000);
    }
}

TEST_F(AppDelegateTest, TheFirstLaunchSkipsTheUpdateCheckAndLaterLaunchesRunOne) {
    EXPECT_FALSE(defaults().boolean(UserDefaultsKeys::SkippedFirstLaunchForUpdateCheck));
    makeDelegate().applicationDidFinishLaunching();
    EXPECT_EQ(backgroundChecks, 0);
    EXPECT_TRUE(defaults().boolean(UserDefaultsKeys::SkippedFirstLaunchForUpdateCheck));

    makeDelegate().applicationDidFinishLaunching();
    EXPECT_EQ(backgroundChecks, 1);

    delegate->checkForUpdatesAction();
    EXPECT_EQ(userChecks, 1);
}

TEST_F(AppDelegateTest, TwoAccountsAndThreeFiltersSearchSixTimesInEachLaunchPass) {
    const JiraAccount ada = storeAccount();
    const JiraAccount grace = storeAccount(QStringLiteral("Grace Hopper"));
    const auto abc = addFilter(ada, 0, QStringLiteral("Alpha"));
    addFilter(grace, 1, QStringLiteral("Delta"));
    addFilter(ada, 2, QStringLiteral("Gamma"));
    AppDelegate& app = makeDelegate();
    // Every filter's site is known already, and Grace's sites answer late, so that each account's
    // completion finds the other account's projects in place and can search all three filters.
    downloadSites({ada, grace});
    delaySitesOf(grace, 400);

    // The launch pass stores what it finds and announces nothing.
    app.startLaunchPass();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return searches() == 6; })) << searches();
    ASSERT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    TestUtils::spin(100);
    EXPECT_EQ(searches(), 6);
    EXPECT_EQ(posts, 0);
    EXPECT_FALSE(app.initialGetIssuesOperationReturned());
    ASSERT_TRUE(JiraIssueManager::issues(*abc).has_value());
    EXPECT_EQ(JiraIssueManager::issues(*abc)->size(), 5);

    // A timed pass announces each search, once per account and filter.
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 6; }));
    TestUtils::spin(100);
    EXPECT_EQ(posts, 6);
    EXPECT_EQ(searches(), 12);
    EXPECT_TRUE(app.initialGetIssuesOperationReturned());
}

TEST_F(AppDelegateTest, LaunchRunsTheLaunchPassAndTheFirstTimedPass) {
    const JiraAccount ada = storeAccount();
    storeAccount(QStringLiteral("Grace Hopper"));
    addFilter(ada, 0, QStringLiteral("Alpha"));
    addFilter(ada, 1, QStringLiteral("Delta"));
    addFilter(ada, 2, QStringLiteral("Gamma"));
    makeDelegate().applicationDidFinishLaunching();
    // Only the timed pass announces, once per account and filter. (A search finds nothing to ask while
    // the other pass replaces its account's sites, so the number of requests may fall short of twelve.)
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 6; }));
    ASSERT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    TestUtils::spin(100);
    EXPECT_EQ(posts, 6);
    EXPECT_GE(searches(), 3);
    EXPECT_LE(searches(), 12);
}

TEST_F(AppDelegateTest, TheMenuShowsUpdatingUntilAPassReturnsThenOneSectionPerFilter) {
    const JiraAccount ada = storeAccount();
    const auto alpha = addFilter(ada, 0, QStringLiteral("Alpha"));
    addFilter(ada, 2, QStringLiteral("Gamma"));
    const auto empty = addFilter(ada, 1, QStringLiteral("Delta"));
    standIn.sites().first().issues = [&] {
        QJsonArray kept;
        for (const QJsonValue& issue : standIn.sites().first().issues)
            if (!issue.toObject().value("key").toString().startsWith("DEF"))
                kept.append(issue);
        return kept;
    }();
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    EXPECT_EQ(rows(app.statusMenu()), QStringList{"Updating…"} + fixedRowsWithAccount());
    EXPECT_FALSE(app.statusMenu()->actions().first()->isEnabled());

    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 3; }));
    ASSERT_TRUE(JiraIssueManager::issues(*empty).has_value());
    app.menuWillOpen(app.statusMenu());
    // The filter without issues has no header; issues sort by key; sections follow without separators.
    EXPECT_EQ(rows(app.statusMenu()),
              QStringList({"Alpha", "ABC-1 Tray icon stays grey after sign-in",
                           "ABC-2 Sort issues by creation date", "ABC-3 Menu flickers on open",
                           "ABC-4 Crash on empty project list", "ABC-5 Release notes window too small",
                           "Gamma", "GHI-1 Index the new help pages"}) +
                  fixedRowsWithAccount());
    const QList<QAction*> actions = app.statusMenu()->actions();
    EXPECT_FALSE(actions.at(0)->isEnabled()) << "a header is a disabled row";
    const auto* issue = qobject_cast<URLImageMenuItem*>(actions.at(1));
    ASSERT_NE(issue, nullptr);
    EXPECT_TRUE(issue->isEnabled());
    EXPECT_EQ(issue->indentationLevel(), 1);
    EXPECT_FALSE(issue->icon().isNull()) << "the bundle's status icon";
    EXPECT_EQ(issue->icon().availableSizes().first(), QSize(16, 16));
    ASSERT_TRUE(issue->representedObject().has_value());
    EXPECT_EQ(issue->representedObject()->key(), QStringLiteral("ABC-1"));

    int shortcuts = 0;
    for (const QAction* action : actions)
        if (!action->shortcut().isEmpty()) {
            ++shortcuts;
            EXPECT_EQ(action->text(), QStringLiteral("Settings…"));
            EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        }
    EXPECT_EQ(shortcuts, 1);
    Q_UNUSED(alpha);
}

TEST_F(AppDelegateTest, TheMenuFollowsAccountsAndFiltersAsTheyChange) {
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    ASSERT_EQ(rows(app.statusMenu()), QStringList{"[view]"} + fixedRowsWithoutAccount());

    // Signing in shows the account's rows without the menu being opened.
    const JiraAccount ada = storeAccount();
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return rows(app.statusMenu()) == QStringList{"Updating…"} + fixedRowsWithAccount(); }));

    const auto gamma = addFilter(ada, 2, QStringLiteral("Gamma"));
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return rows(app.statusMenu()).contains("GHI-1 Index the new help pages"); }));

    // A removed filter's section goes at once; so do the issue rows of an account that is removed.
    IssueFilterManager::shared().remove(*gamma);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return rows(app.statusMenu()) == fixedRowsWithAccount(); }));
    ASSERT_TRUE(JiraAccountManager::removeAccount(ada.accountID()));
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return rows(app.statusMenu()) == QStringList{"[view]"} + fixedRowsWithoutAccount(); }));
}

TEST_F(AppDelegateTest, ChoosingAnIssueOpensItsPageAndNothingElse) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 2, QStringLiteral("Gamma"));
    QList<QUrl> opened;
    Platform::Workspace::setURLOpenerForTesting([&](const QUrl& url) {
        opened << url;
        return true;
    });
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 1; }));
    app.menuWillOpen(app.statusMenu());
    QAction* issue = app.statusMenu()->actions().at(1);
    ASSERT_EQ(issue->text(), QStringLiteral("GHI-1 Index the new help pages"));
    issue->trigger();
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://dunwarbeck.atlassian.net/browse/GHI-1")});

    // A header or a sender without issue opens nothing, and only web addresses ever reach the browser.
    app.statusMenu()->actions().at(0)->trigger();
    app.showIssueInBrowser(nullptr);
    EXPECT_FALSE(Platform::Workspace::openURL(QUrl("file:///etc/passwd")));
    EXPECT_FALSE(Platform::Workspace::openURL(QUrl("javascript:alert(1)")));
    EXPECT_EQ(opened.size(), 1);
    Platform::Workspace::setURLOpenerForTesting({});
}

TEST_F(AppDelegateTest, APassWithoutFiltersStillEndsUpdating) {
    storeAccount();
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return app.initialGetIssuesOperationReturned(); }));
    EXPECT_EQ(posts, 0) << "no search returned";
    ASSERT_TRUE(TestUtils::waitUntil([&] { return rows(app.statusMenu()) == fixedRowsWithAccount(); }));
}

TEST_F(AppDelegateTest, TheFirstAccountSignedInAfterAPassWithoutAccountsGetsAPassAtOnce) {
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    app.updateResourcesAndIssues(); // the first timed pass finds nobody signed in
    TestUtils::spin(50);
    EXPECT_FALSE(app.initialGetIssuesOperationReturned());
    storeAccount(); // a sign-in stores its account
    ASSERT_TRUE(TestUtils::waitUntil([&] { return app.initialGetIssuesOperationReturned(); }));
    ASSERT_TRUE(TestUtils::waitUntil([&] { return rows(app.statusMenu()) == fixedRowsWithAccount(); }));
}

TEST_F(AppDelegateTest, APassWhoseEveryAccountFailsStillEndsUpdating) {
    const JiraAccount ada = storeAccount();
    const JiraAccount grace = storeAccount(QStringLiteral("Grace Hopper"));
    addFilter(ada, 0, QStringLiteral("Alpha"));
    addFilter(grace, 1, QStringLiteral("Delta"));
    standIn.setOverride(QStringLiteral("accessible-resources"), JiraStandIn::Reply::error(500, "down"));
    Platform::setErrorPresenter([](const Platform::Error&) {});
    AppDelegate& app = makeDelegate();
    app.buildStatusMenuItem();
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 4; }));
    EXPECT_TRUE(app.initialGetIssuesOperationReturned());
    EXPECT_EQ(searches(), 0) << "no site is known, so nothing can be searched";
    ASSERT_TRUE(TestUtils::waitUntil([&] { return rows(app.statusMenu()) == fixedRowsWithAccount(); }));
}

TEST_F(AppDelegateTest, AForbiddenAnswerAsksOncePerAccountToReAuthorize) {
    const JiraAccount ada = storeAccount();
    const JiraAccount grace = storeAccount(QStringLiteral("Grace Hopper"));
    AppDelegate& app = makeDelegate();
    // Both alerts are cancelled: the sign-in window stays shut (its web engine is not for this test).
    TestUtils::AlertResponder responder(
        {{Platform::ModalResponse::SecondButton, false}, {Platform::ModalResponse::SecondButton, false}});
    QList<Platform::Error> presented;
    Platform::setErrorPresenter([&](const Platform::Error& error) { presented << error; });
    const Platform::Error forbidden = Platform::Error("d", 1, "Forbidden").withHttpStatus(403, {});
    const auto adaPtr = std::make_shared<JiraAccount>(ada);

    EXPECT_EQ(app.update(adaPtr, ada.accountID(), std::nullopt, forbidden), adaPtr);
    app.update(adaPtr, ada.accountID(), std::nullopt, forbidden);
    app.update(std::make_shared<JiraAccount>(grace), grace.accountID(), std::nullopt, forbidden);
    ASSERT_EQ(responder.shown().size(), 2u);
    EXPECT_EQ(responder.shown().at(0).messageText, QStringLiteral("Re-Authorize"));
    EXPECT_EQ(
        responder.shown().at(0).informativeText,
        QStringLiteral("The authorization for the account Ada Lovelace (ada@example.com) has expired. You "
                       "need to re-authorize this account with Jira."));
    EXPECT_EQ(responder.shown().at(0).buttonTitles, (QStringList{"Re-Authorize", "Cancel"}));
    EXPECT_TRUE(responder.shown().at(1).informativeText.contains("Grace Hopper (grace@example.com)"));
    EXPECT_TRUE(presented.isEmpty());

    // Any other error is presented; a token that was still valid passes through untouched.
    const Platform::Error other("d", 2, "Server error");
    app.update(adaPtr, ada.accountID(), std::nullopt, other.withHttpStatus(500, {}));
    ASSERT_EQ(presented.size(), 1);
    EXPECT_EQ(presented.first().localizedDescription(), QStringLiteral("Server error"));
    EXPECT_EQ(app.update(adaPtr, ada.accountID(), std::nullopt, std::nullopt), adaPtr);
    Platform::setErrorPresenter({});
}

// After the server forgot the account's tokens (a restarted stand-in, a revoked grant) the refused refresh
// reaches the user: Atlassian's 403 through the "Re-Authorize" alert once, any other refusal presented.
TEST_F(AppDelegateTest, ARefusedRefreshTokenReachesTheUser) {
    const JiraAccount ada =
        storeAccount(QStringLiteral("Ada Lovelace"), QDateTime::currentDateTimeUtc().addSecs(-60));
    standIn.revokeAccessToken(ada.accessToken());
    JiraStandIn restarted; // knows none of the tokens above
    ASSERT_TRUE(restarted.listen());
    qputenv("CORVANTIDE_AUTH_URL", restarted.authBaseUrl().toEncoded());
    qputenv("CORVANTIDE_API_URL", restarted.apiBaseUrl().toEncoded());
    AppDelegate& app = makeDelegate();
    TestUtils::AlertResponder responder(
        {{Platform::ModalResponse::SecondButton, false}, {Platform::ModalResponse::SecondButton, false}});
    QList<Platform::Error> presented;
    Platform::setErrorPresenter([&](const Platform::Error& error) { presented << error; });

    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return responder.shown().size() == 1; }))
        << presented.size() << " presented instead";
    EXPECT_EQ(responder.shown().at(0).messageText, QStringLiteral("Re-Authorize"));
    app.updateResourcesAndIssues();
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return restarted.requests(QStringLiteral("/oauth/token$")).size() == 2; }));
    EXPECT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(responder.shown().size(), 1u) << "once per account and run";
    EXPECT_TRUE(presented.isEmpty());

    // A refusal that is not a 403 is presented.
    restarted.setOverride(QStringLiteral("/oauth/token$"), JiraStandIn::Reply::error(401, "Unauthorized"));
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return !presented.isEmpty(); }));
    EXPECT_EQ(presented.first().httpStatus(), 401);
    EXPECT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));

    // An access token the server forgot before it expired is refused by the requests themselves: that
    // account is asked to re-authorize too, once.
    restarted.clearSwitches();
    const JiraAccount grace = storeAccount(QStringLiteral("Grace Hopper"));
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return responder.shown().size() == 2; }));
    EXPECT_TRUE(responder.shown().at(1).informativeText.contains("Grace Hopper"));
    app.updateResourcesAndIssues();
    EXPECT_TRUE(
        TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
    EXPECT_EQ(responder.shown().size(), 2u);
    EXPECT_EQ(presented.size(), 1);
    Platform::setErrorPresenter({});
    qputenv("CORVANTIDE_AUTH_URL", standIn.authBaseUrl().toEncoded());
    qputenv("CORVANTIDE_API_URL", standIn.apiBaseUrl().toEncoded());
}

TEST_F(AppDelegateTest, ARefreshedTokenIsStoredWithTheAccountsNames) {
    const JiraAccount ada = storeAccount();
    AppDelegate& app = makeDelegate();
    const QDateTime expires = QDateTime::currentDateTimeUtc().addSecs(3600);
    const FetchTokenResponse response("new-access", "new-refresh", expires, "scope");
    Platform::SystemLog::Capture log;
    const ZRJAccountPtr used =
        app.update(std::make_shared<JiraAccount>(ada), ada.accountID(), response, std::nullopt);
    EXPECT_EQ(used->accessToken(), QStringLiteral("new-access"));
    const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(ada.accountID());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->refreshToken(), QStringLiteral("new-refresh"));
    EXPECT_EQ(stored->displayName(), QStringLiteral("Ada Lovelace"));
    EXPECT_TRUE(log.contains(QStringLiteral("got token which expires ")));
    EXPECT_FALSE(log.contains(QStringLiteral("new-access")));

    // An account whose item has vanished is stored again without names.
    const QString gone = QStringLiteral("acct-gone-") + QUuid::createUuid().toString(QUuid::Id128);
    accountIDs << gone;
    app.update(std::make_shared<JiraAccount>(ada), gone, response, std::nullopt);
    ASSERT_TRUE(JiraAccountManager::jiraAccount(gone).has_value());
    EXPECT_EQ(JiraAccountManager::jiraAccount(gone)->displayName(), QString());
}

TEST_F(AppDelegateTest, ARefreshedTokenThatCannotBeStoredIsStillUsed) {
    const JiraAccount ada = storeAccount();
    AppDelegate& app = makeDelegate();
    QList<Platform::Error> presented;
    Platform::setErrorPresenter([&](const Platform::Error& error) { presented << error; });
    Platform::Keychain::setInjectedWriteStatusForTesting(-25293);
    const auto [access, refresh] = standIn.issueTokens(); // the next pass signs in with them
    const FetchTokenResponse response(access, refresh, QDateTime::currentDateTimeUtc().addSecs(3600),
                                      "scope");
    const ZRJAccountPtr used =
        app.update(std::make_shared<JiraAccount>(ada), ada.accountID(), response, std::nullopt);
    Platform::Keychain::setInjectedWriteStatusForTesting(std::nullopt);
    // The server has already rotated the refresh token: the old one would fail from now on.
    EXPECT_EQ(used->accessToken(), access);
    EXPECT_EQ(used->refreshToken(), refresh);
    EXPECT_EQ(presented.size(), 1);
    Platform::setErrorPresenter({});

    // Kept for the run, and stored by the next pass once the keychain takes it.
    EXPECT_EQ(JiraAccountManager::jiraAccount(ada.accountID())->refreshToken(), refresh);
    ASSERT_TRUE(JiraAccountManager::hasPendingAccounts());
    app.updateResourcesAndIssues();
    EXPECT_FALSE(JiraAccountManager::hasPendingAccounts());
    const QJsonObject stored = QJsonDocument::fromJson(*KeychainAccess::data(ada.accountID())).object();
    EXPECT_EQ(stored.value(QStringLiteral("refreshToken")).toString(), refresh);
}

TEST_F(AppDelegateTest, TheAboutPanelShowsTheBundlesNameAndVersions) {
    AppDelegate& app = makeDelegate();
    app.showAboutPanel();
    ASSERT_NE(app.aboutPanel(), nullptr);
    EXPECT_TRUE(app.aboutPanel()->isVisible());
    EXPECT_TRUE(app.aboutPanel()->text().contains(QStringLiteral("Corvantide")));
    EXPECT_TRUE(app.aboutPanel()->informativeText().contains(QStringLiteral("Version 0.1.0 (010)")));
    EXPECT_TRUE(app.aboutPanel()->informativeText().contains(QStringLiteral("Dunwarbeck")));
    QMessageBox* first = app.aboutPanel();
    app.showAboutPanel();
    EXPECT_EQ(app.aboutPanel(), first) << "one panel, brought to the front again";
}

TEST_F(AppDelegateTest, TheClientSettingsComeFromTheDecryptedFile) {
    AppDelegate& app = makeDelegate();
    EXPECT_EQ(app.clientID(), QStringLiteral("standin-client-id"));
    EXPECT_EQ(app.clientSecret(), QStringLiteral("standin-client-secret"));
    EXPECT_EQ(app.callbackURL(), QStringLiteral("http://127.0.0.1:8788/atlassian/jira_oauth.html"));
    EXPECT_EQ(app.scopes(), QStringLiteral("read:jira-work read:jira-user read:board-scope:jira-software "
                                           "read:sprint:jira-software read:project:jira offline_access"));
    EXPECT_EQ(AppDelegate::jiraCredential({{"jiraAuthenticationScopes", QStringList{"a", "b"}}},
                                          "jiraAuthenticationScopes"),
              QStringLiteral("a b"));
}

TEST(AppDelegateSettingsTest, MissingOrMistypedCredentialsEndTheProcess) {
    EXPECT_DEATH(AppDelegate::sentryDSN({}), "missing Sentry credentials");
    EXPECT_DEATH(AppDelegate::sentryDSN({{"sentryDSN", 42}}), "missing Sentry credentials");
    EXPECT_EQ(AppDelegate::sentryDSN({{"sentryDSN", "http://k@h/1"}}), QStringLiteral("http://k@h/1"));
    EXPECT_DEATH(AppDelegate::jiraCredential({}, "jiraClientID"), "missing jira credentials");
    EXPECT_DEATH(AppDelegate::jiraCredential({{"jiraClientID", QStringList{"x"}}}, "jiraClientID"),
                 "missing jira credentials");
    EXPECT_DEATH(AppDelegate::jiraCredential({{"jiraAuthenticationScopes", QVariantList{"a", 3}}},
                                             "jiraAuthenticationScopes"),
                 "missing jira credentials");
}

TEST_F(AppDelegateTest, CrashReportingOptionsFollowTheDefaults) {
    defaults().setValue(UserDefaultsKeys::SentryEnableAppHangTracking, false);
    defaults().setValue(UserDefaultsKeys::SentryEnableNetworkBreadcrumbs, true);
    Platform::CrashReporterOptions options = AppDelegate::crashReporterOptions("http://k@h/1");
    EXPECT_EQ(options.dsn, QStringLiteral("http://k@h/1"));
    EXPECT_EQ(options.environment, QStringLiteral("production"));
    EXPECT_EQ(options.release, QStringLiteral("com.dunwarbeck.Corvantide@0.1.0+010"));
    EXPECT_FALSE(options.enableAppHangTracking);
    EXPECT_EQ(options.appHangTimeoutInterval, Platform::CrashReporterOptions().appHangTimeoutInterval);
    EXPECT_TRUE(options.enableNetworkBreadcrumbs);
    EXPECT_TRUE(options.enableCaptureFailedRequests);
    EXPECT_FALSE(options.enableAutoBreadcrumbTracking);
    EXPECT_EQ(options.tracesSampleRate, 0.0);

    defaults().setValue(UserDefaultsKeys::SentryEnableAppHangTracking, true);
    defaults().setValue(UserDefaultsKeys::SentryEnableNetworkBreadcrumbs, false);
    options = AppDelegate::crashReporterOptions("http://k@h/1");
    EXPECT_TRUE(options.enableAppHangTracking);
    EXPECT_EQ(options.appHangTimeoutInterval, 4.0);
    EXPECT_FALSE(options.enableNetworkBreadcrumbs);
    EXPECT_FALSE(options.enableCaptureFailedRequests);
}

TEST_F(AppDelegateTest, TheTaskBarPolicyIsSetOnlyWhenItChanges) {
    AppDelegate& app = makeDelegate();
    app.setHideDockIcon(false); // as a process starts, whatever an earlier test chose
    const int before = Platform::Application::activationPolicyChangeCount();
    app.setHideDockIcon(true);
    EXPECT_EQ(Platform::Application::activationPolicy(), Platform::ActivationPolicy::Accessory);
    app.setHideDockIcon(true);
    EXPECT_EQ(Platform::Application::activationPolicyChangeCount(), before + 1);
    QWidget window;
    window.show();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool))
        << "a window of a tray application leaves the task bar";
    app.setHideDockIcon(false);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Platform::Application::activationPolicyChangeCount(), before + 2);
}

TEST_F(AppDelegateTest, TerminationSavesTheFilters) {
    const JiraAccount ada = storeAccount();
    const auto filter = addFilter(ada, 0, QStringLiteral("Alpha"));
    const QString path = IssueFilterManager::shared().issueFiltersFilePath();
    QFile::remove(path);
    makeDelegate().applicationWillTerminate();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(filter->identifier().toUtf8()));
}
