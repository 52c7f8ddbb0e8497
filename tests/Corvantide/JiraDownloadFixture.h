#pragma once

#include "ApplicationState.h"
#include "JiraAccountManager.h"
#include "KeychainAccess.h"
#include "ZRJira/JiraStandInFixture.h"

#include <QUuid>

/*! Stores refreshed tokens in the keychain before the client goes on, as the application's updater does. */
class StoringUpdater final : public ZRJAccountUpdater {
public:
    int refreshes = 0;

    ZRJAccountPtr update(const ZRJAccountPtr& account, const QString& accountID,
                         const std::optional<FetchTokenResponse>& response,
                         const Platform::OptionalError&) override {
        const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(accountID);
        if (!response || !stored)
            return account;
        ++refreshes;
        const JiraAccount refreshed(accountID, response->accessToken(), response->refreshToken(),
                                    response->expires(), response->scope(), stored->displayName(),
                                    stored->emailAddress());
        Platform::OptionalError error;
        JiraAccountManager::storeAccount(refreshed, error);
        return std::make_shared<JiraAccount>(refreshed);
    }
};

/*! The stand-in with a signed-in account of its own in the shared test keyring (removed afterwards), and
    the client's updater storing refreshed tokens. */
class JiraDownloadTest : public JiraStandInTest {
protected:
    void SetUp() override {
        forgetApplicationState();
        JiraStandInTest::SetUp();
        manager().setAccountUpdater(&storingUpdater);
        accountID = QStringLiteral("acct-") + QUuid::createUuid().toString(QUuid::Id128);
        storeAccount(QDateTime::currentDateTimeUtc().addSecs(3600));
    }

    void TearDown() override {
        JiraStandInTest::TearDown();
        KeychainAccess::removeEntry(accountID);
    }

    JiraAccount storeAccount(const QDateTime& expires) {
        const JiraAccount account(accountID, tokens.first, tokens.second, expires, standIn.grantedScope,
                                  QStringLiteral("Ada Lovelace"), QStringLiteral("ada@example.com"));
        Platform::OptionalError error;
        EXPECT_TRUE(JiraAccountManager::storeAccount(account, error));
        return account;
    }

    ZRJAccountPtr storedAccount() const {
        return std::make_shared<JiraAccount>(JiraAccountManager::jiraAccount(accountID).value());
    }

    /*! A second site beside the sample one, with its own projects and users. */
    QString addSecondSite() {
        JiraStandIn::Site second = standIn.sites().first();
        second.cloudID = QStringLiteral("c0ffee00-0000-4000-8000-000000000002");
        second.name = QStringLiteral("second");
        second.url = QStringLiteral("https://second.atlassian.net");
        second.projects = QJsonArray{second.projects.first()};
        standIn.sites().append(second);
        return second.cloudID;
    }

    static QString sitePath(const QString& cloudID, const char* path) {
        return QStringLiteral("^/ex/jira/") + cloudID + QString::fromLatin1(path);
    }

    StoringUpdater storingUpdater;
    QString accountID;
};
