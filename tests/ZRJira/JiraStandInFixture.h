#pragma once

#include "JiraStandIn.h"
#include "TestUtils.h"

#include "ZRJira/ZRJAccountUpdater.h"
#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJConnectorDelegate.h"
#include "ZRJira/ZRJOperationManager.h"

#include <QList>

#include <gtest/gtest.h>

/*! An account value as the application would hand it to the client. */
class TestAccount final : public ZRJAccount {
public:
    TestAccount(QString accessToken, QString refreshToken, QDateTime expires,
                QString scope = QStringLiteral("s"))
        : m_accessToken(std::move(accessToken))
        , m_refreshToken(std::move(refreshToken))
        , m_expires(std::move(expires))
        , m_scope(std::move(scope)) {}
    QString accessToken() const override { return m_accessToken; }
    QString refreshToken() const override { return m_refreshToken; }
    QDateTime expires() const override { return m_expires; }
    QString scope() const override { return m_scope; }

private:
    QString m_accessToken, m_refreshToken;
    QDateTime m_expires;
    QString m_scope;
};

/*! Records every token-check outcome and, like the application, continues with the refreshed tokens. */
class RecordingUpdater final : public ZRJAccountUpdater {
public:
    struct Call {
        ZRJAccountPtr account;
        QString accountID;
        std::optional<FetchTokenResponse> response;
        Platform::OptionalError error;
    };
    QList<Call> calls;

    ZRJAccountPtr update(const ZRJAccountPtr& account, const QString& accountID,
                         const std::optional<FetchTokenResponse>& response,
                         const Platform::OptionalError& error) override {
        calls.append(Call{account, accountID, response, error});
        if (response)
            return std::make_shared<FetchTokenResponse>(*response);
        return account;
    }
};

class StandInDelegate final : public ZRJConnectorDelegate {
public:
    explicit StandInDelegate(const JiraStandIn& standIn)
        : m_standIn(standIn) {}
    QString clientSecret() const override { return m_standIn.clientSecret; }
    QString clientID() const override { return m_standIn.clientID; }
    QString callbackURL() const override { return m_standIn.redirectURI; }
    QString scopes() const override {
        return QStringLiteral("read:jira-user read:jira-work read:board-scope:jira-software "
                              "read:sprint:jira-software read:project:jira offline_access");
    }

private:
    const JiraStandIn& m_standIn;
};

/*! A running stand-in that the client's base addresses point at, with a connector delegate and an
    account updater installed, and a signed-in token pair. */
class JiraStandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standIn.listen());
        qputenv("CORVANTIDE_AUTH_URL", standIn.authBaseUrl().toEncoded());
        qputenv("CORVANTIDE_API_URL", standIn.apiBaseUrl().toEncoded());
        ZRJConnector::setDelegate(&delegate);
        manager().setAccountUpdater(&updater);
        tokens = standIn.issueTokens();
        cloudID = standIn.sites().first().cloudID;
    }

    void TearDown() override {
        // Nothing may be left running for the next test.
        EXPECT_TRUE(
            TestUtils::waitUntil([] { return ZRJOperationManager::shared().runningOperationCount() == 0; }));
        manager().setAccountUpdater(nullptr);
        ZRJConnector::setDelegate(nullptr);
    }

    static ZRJOperationManager& manager() { return ZRJOperationManager::shared(); }

    JiraStandIn standIn;
    StandInDelegate delegate{standIn};
    RecordingUpdater updater;
    QPair<QString, QString> tokens;
    QString cloudID;
};

template <class Value> struct Answer {
    std::optional<Value> value;
    Platform::OptionalError error;
    int calls = 0;

    auto completion() {
        return [this](const std::optional<Value>& v, const Platform::OptionalError& e) {
            value = v;
            error = e;
            ++calls;
        };
    }
    bool wait(int timeoutMs = 10000) {
        return TestUtils::waitUntil([this] { return calls > 0; }, timeoutMs);
    }
};
