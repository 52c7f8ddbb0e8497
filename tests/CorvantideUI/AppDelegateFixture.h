#pragma once

#include "AppDelegate.h"
#include "Corvantide/ApplicationState.h"
#include "EnvelopeSink.h"
#include "IssueFilterManager.h"
#include "JiraAccountManager.h"
#include "JiraResourcesManager.h"
#include "JiraStandIn.h"
#include "KeychainAccess.h"
#include "PrivateSession.h"
#include "TestUtils.h"

#include "Platform/NotificationCenter.h"
#include "Platform/UserDefaults.h"
#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJOperationManager.h"

#include <QMenu>
#include <QUuid>

#include <gtest/gtest.h>

/*! The status menu's rows after the account part (texts, "-" for separators), without and with an account. */
inline QStringList fixedRowsWithoutAccount() {
    return {"-", "Show Issues…",   "-", "-", "About Corvantide", "Check for Updates…", "-", "Settings…",
            "-", "Quit Corvantide"};
}
inline QStringList fixedRowsWithAccount() {
    return {"-",
            "Show Issues…",
            "-",
            "-",
            "Update Issues Now",
            "-",
            "About Corvantide",
            "Check for Updates…",
            "-",
            "Settings…",
            "-",
            "Quit Corvantide"};
}

/*! The application delegate in this process against the stand-in, with accounts in a keyring of this
    process alone, the updater's entry points recorded and every "issuesUpdatedFinished" counted. */
class AppDelegateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(PrivateSession::start()); }

    void SetUp() override {
        forgetApplicationState();
        ASSERT_TRUE(standIn.listen());
        // Crash reports of the application under test go to this test's own sink, not to the port of the
        // development settings.
        ASSERT_TRUE(crashServer.listen());
        qputenv("CORVANTIDE_SENTRY_DSN", crashReports.dsn().toUtf8());
        qputenv("CORVANTIDE_AUTH_URL", standIn.authBaseUrl().toEncoded());
        qputenv("CORVANTIDE_API_URL", standIn.apiBaseUrl().toEncoded());
        AppDelegate::setUpdaterHooks({[this] { ++backgroundChecks; }, [this](QObject*) { ++userChecks; }});
        Platform::NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("issuesUpdatedFinished"), &observerContext,
            [this](const Platform::Notification& notification) {
                EXPECT_EQ(notification.object, delegate.get());
                ++posts;
            });
    }

    void TearDown() override {
        EXPECT_TRUE(
            TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
        delegate.reset();
        for (const QString& id : accountIDs)
            KeychainAccess::removeEntry(id);
    }

    JiraAccount storeAccount(const QString& name = QStringLiteral("Ada Lovelace"),
                             const QDateTime& expires = QDateTime::currentDateTimeUtc().addSecs(3600)) {
        const auto [access, refresh] = standIn.issueTokens();
        const QString id = QStringLiteral("acct-") + QUuid::createUuid().toString(QUuid::Id128);
        const JiraAccount account(id, access, refresh, expires, standIn.grantedScope, name,
                                  name.section(QLatin1Char(' '), 0, 0).toLower() +
                                      QStringLiteral("@example.com"));
        Platform::OptionalError error;
        EXPECT_TRUE(JiraAccountManager::storeAccount(account, error));
        accountIDs << id;
        return account;
    }

    /*! A saved filter on the sample site's project (0, 1 or 2). */
    std::shared_ptr<IssueFilter> addFilter(const JiraAccount& account, int project, const QString& name) {
        auto filter = std::make_shared<IssueFilter>(
            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), account.accountID(),
            standIn.sites().first().cloudID, QString::number(10000 + project), name);
        IssueFilterManager::shared().append(filter);
        return filter;
    }

    /*! A delegate that the Jira client already uses, as after launch. */
    AppDelegate& makeDelegate() {
        delegate = std::make_unique<AppDelegate>();
        ZRJConnector::setDelegate(delegate.get());
        ZRJOperationManager::shared().setAccountUpdater(delegate.get());
        return *delegate;
    }

    /*! Downloads the accounts' sites and projects, as an earlier pass would have. */
    void downloadSites(const QList<JiraAccount>& accounts) {
        int done = 0;
        for (const JiraAccount& account : accounts)
            JiraResourcesManager::startGetAccessibleResourcesOperation(
                std::make_shared<JiraAccount>(account), account.accountID(),
                [&done](const std::optional<QList<Platform::Error>>&) { ++done; });
        ASSERT_TRUE(TestUtils::waitUntil([&] { return done == accounts.size(); }));
    }

    /*! The account's site list answers after the delay; every other account's at once. */
    void delaySitesOf(const JiraAccount& account, int delayMs) {
        standIn.addRoute("GET", QStringLiteral("^/oauth/token/accessible-resources$"), true,
                         [this, token = account.accessToken(), delayMs](const JiraStandIn::Request& request,
                                                                        const QRegularExpressionMatch&) {
                             QJsonArray sites;
                             for (const JiraStandIn::Site& site : standIn.sites())
                                 sites.append(QJsonObject{{"id", site.cloudID},
                                                          {"url", site.url},
                                                          {"name", site.name},
                                                          {"scopes", QJsonArray{"read:jira-work"}}});
                             JiraStandIn::Reply reply = JiraStandIn::Reply::json(sites);
                             if (request.header("Authorization") == "Bearer " + token.toUtf8())
                                 reply.delayMs = delayMs;
                             return reply;
                         });
    }

    int searches() const { return int(standIn.requests(QStringLiteral("/search/jql")).size()); }

    /*! The menu's rows as text: titles, "-" for separators, "[view]" for a widget row. */
    static QStringList rows(const QMenu* menu) {
        QStringList result;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator())
                result << QStringLiteral("-");
            else if (action->inherits("QWidgetAction"))
                result << QStringLiteral("[view]");
            else
                result << action->text();
        }
        return result;
    }

    JiraStandIn standIn;
    // A server of its own, so that the reports do not count among the Jira requests.
    JiraStandIn crashServer;
    EnvelopeSink crashReports{crashServer};
    std::unique_ptr<AppDelegate> delegate;
    QStringList accountIDs;
    QObject observerContext;
    int posts = 0;
    int backgroundChecks = 0;
    int userChecks = 0;
};
