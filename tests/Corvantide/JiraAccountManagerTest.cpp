#include "JiraAccountManager.h"
#include "KeychainAccess.h"

#include "Platform/Keychain.h"
#include "Platform/SystemLog.h"
#include "PrivateKeyring.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>

#include <gtest/gtest.h>

using Platform::Keychain;

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Test processes share one keyring and its label: each test uses account ids of its own and looks only
// at those in the listing.
QString uniquePrefix() {
    return QStringLiteral("acct-") + QUuid::createUuid().toString(QUuid::Id128) + QLatin1Char('-');
}

JiraAccount account(const QString& id, const QString& accessToken = QStringLiteral("access"),
                    const QDateTime& expires = QDateTime(QDate(2030, 5, 1), QTime(12, 0), QTimeZone::utc())) {
    return JiraAccount(id, accessToken, QStringLiteral("refresh"), expires, QStringLiteral("read:jira-work"),
                       QStringLiteral("Ada Lovelace"), QStringLiteral("ada@example.com"));
}

void store(const JiraAccount& jiraAccount) {
    Platform::OptionalError error;
    ASSERT_TRUE(JiraAccountManager::storeAccount(jiraAccount, error));
    ASSERT_FALSE(error.has_value());
}

QStringList listedIDs(const QString& prefix) {
    QStringList ids;
    for (const JiraAccount& listed : JiraAccountManager::allJiraAccounts().value_or(QList<JiraAccount>{})) {
        if (listed.accountID().startsWith(prefix, Qt::CaseInsensitive))
            ids.append(listed.accountID());
    }
    return ids;
}

class Cleanup {
public:
    ~Cleanup() {
        for (const QString& id : m_ids)
            KeychainAccess::removeEntry(id);
        Keychain::setInjectedReadStatusForTesting(std::nullopt);
        Keychain::setInjectedWriteStatusForTesting(std::nullopt);
    }
    const QString& operator()(const QString& id) {
        m_ids.append(id);
        return m_ids.last();
    }

private:
    QStringList m_ids;
};

} // namespace

TEST(JiraAccountManagerTest, StoresLooksUpUpdatesAndRemovesAnAccount) {
    Cleanup cleanup;
    const QString id = cleanup(uniquePrefix() + QStringLiteral("one"));
    EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value());

    store(account(id));
    EXPECT_EQ(JiraAccountManager::jiraAccount(id), account(id));
    EXPECT_EQ(listedIDs(id), QStringList{id});

    const QJsonObject json = QJsonDocument::fromJson(*KeychainAccess::data(id)).object();
    EXPECT_EQ(json.keys(), (QStringList{"accessToken", "accountID", "displayName", "emailAddress", "expires",
                                        "refreshToken", "scope"}));

    // A refreshed token replaces the stored one in the same item.
    store(account(id, QStringLiteral("fresh")));
    EXPECT_EQ(JiraAccountManager::jiraAccount(id)->accessToken(), QStringLiteral("fresh"));
    EXPECT_EQ(listedIDs(id), QStringList{id});

    EXPECT_TRUE(KeychainAccess::removeEntry(id));
    EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value());
    EXPECT_TRUE(listedIDs(id).isEmpty());
}

TEST(JiraAccountManagerTest, ListsEveryAccountSortedCaseInsensitivelyAndStably) {
    Cleanup cleanup;
    const QString prefix = uniquePrefix();
    // Stored in this order; Abc and abc compare equal and keep it.
    const QStringList stored{"m", "Abc", "k", "ABD", "abc", "b", "l", "c", "j", "d", "i", "e", "h"};
    for (const QString& suffix : stored)
        store(account(cleanup(prefix + suffix)));

    QStringList expected;
    for (const char* suffix : {"Abc", "abc", "ABD", "b", "c", "d", "e", "h", "i", "j", "k", "l", "m"})
        expected.append(prefix + QLatin1String(suffix));
    EXPECT_EQ(listedIDs(prefix), expected);
    EXPECT_EQ(expected.size(), 13);
    EXPECT_TRUE(JiraAccountManager::jiraAccount(prefix + QStringLiteral("m")).has_value());
}

TEST(JiraAccountManagerTest, AnUnchangedAccountIsNotWrittenAgain) {
    Cleanup cleanup;
    const QString id = cleanup(uniquePrefix() + QStringLiteral("same"));
    store(account(id));

    // Every write now fails; only a store that has something to write notices.
    Keychain::setInjectedWriteStatusForTesting(Keychain::NotAvailable);
    Platform::OptionalError error;
    EXPECT_TRUE(JiraAccountManager::storeAccount(account(id), error));
    EXPECT_FALSE(error.has_value());

    Platform::SystemLog::Capture log;
    EXPECT_FALSE(JiraAccountManager::storeAccount(account(id, QStringLiteral("changed")), error));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain(), QStringLiteral("com.dunwarbeck.error.zrkit"));
    EXPECT_EQ(error->localizedDescription(), *Keychain::errorMessage(Keychain::NotAvailable));
    EXPECT_TRUE(log.contains(QStringLiteral("could not modify keychain entry: ") +
                             *Keychain::errorMessage(Keychain::NotAvailable) + QStringLiteral(" -25291")));
}

// The keychain tests below lock a keyring of their own.

TEST(JiraAccountLockedKeychainTest, StoringOverALockedItemFailsQuietlyAndReadsGiveNothing) {
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString id = uniquePrefix() + QStringLiteral("locked");
    store(account(id));
    ASSERT_TRUE(keyring.lock());

    Platform::SystemLog::Capture log;
    Platform::OptionalError error;
    const QByteArray json = QJsonDocument(account(id, QStringLiteral("fresh")).toJson()).toJson();
    EXPECT_FALSE(KeychainAccess::addOrUpdate(json, id, KeychainAccess::AccountCredentialsLabel, id, error));
    EXPECT_FALSE(error.has_value()) << error->localizedDescription().toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral(" -25308")));
    EXPECT_TRUE(log.contains(QStringLiteral("supressing 'no user interaction allowed' error: -25308")));

    log.clear();
    EXPECT_FALSE(JiraAccountManager::allJiraAccounts().has_value());
    EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value());
    EXPECT_TRUE(log.contains(QStringLiteral("error accessing keychain: ") +
                             *Keychain::errorMessage(Keychain::InteractionNotAllowed)));

    ASSERT_TRUE(keyring.unlock());
    EXPECT_EQ(JiraAccountManager::jiraAccount(id)->accessToken(), QStringLiteral("access"));
}

TEST(JiraAccountLockedKeychainTest, ARefreshedAccountThatCannotBeStoredIsKeptAndStoredLater) {
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString prefix = uniquePrefix();
    const QString id = prefix + QStringLiteral("refreshed");
    store(account(id));
    ASSERT_TRUE(keyring.lock());

    Platform::SystemLog::Capture log;
    Platform::OptionalError error;
    const JiraAccount refreshed(id, QStringLiteral("new-access"), QStringLiteral("rotated-refresh"),
                                QDateTime(QDate(2031, 1, 1), QTime(0, 0), QTimeZone::utc()),
                                QStringLiteral("read:jira-work"), QStringLiteral("Ada Lovelace"),
                                QStringLiteral("ada@example.com"));
    EXPECT_FALSE(JiraAccountManager::storeAccount(refreshed, error));
    EXPECT_FALSE(error.has_value());
    EXPECT_TRUE(JiraAccountManager::hasPendingAccounts());
    // Later checks use the rotated token, although the keychain cannot be read.
    EXPECT_EQ(JiraAccountManager::jiraAccount(id), refreshed);
    ASSERT_TRUE(JiraAccountManager::allJiraAccounts().has_value());
    EXPECT_EQ(JiraAccountManager::allJiraAccounts()->value(0, account(prefix)), refreshed);

    // A later pass while still locked keeps it, and says so only once.
    EXPECT_FALSE(JiraAccountManager::storePendingAccounts());
    EXPECT_FALSE(JiraAccountManager::storeAccount(refreshed, error));
    const QString kept = QStringLiteral("could not store the account %1").arg(id);
    const QStringList lines = log.lines();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(kept); }),
        1);
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(QStringLiteral("rotated-refresh"))) << line.toStdString();

    ASSERT_TRUE(keyring.unlock());
    EXPECT_TRUE(JiraAccountManager::storePendingAccounts());
    EXPECT_FALSE(JiraAccountManager::hasPendingAccounts());
    const QJsonObject stored = QJsonDocument::fromJson(*KeychainAccess::data(id)).object();
    EXPECT_EQ(stored.value(QStringLiteral("refreshToken")).toString(), QStringLiteral("rotated-refresh"));
    EXPECT_EQ(listedIDs(prefix), QStringList{id});
    EXPECT_TRUE(JiraAccountManager::removeAccount(id));
    EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value());
}

TEST(JiraAccountLockedKeychainTest, AStoreOfAnotherAccountIsAChanceForTheKeptOnes) {
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString prefix = uniquePrefix();
    ASSERT_TRUE(keyring.lock());
    Platform::OptionalError error;
    EXPECT_FALSE(JiraAccountManager::storeAccount(account(prefix + QStringLiteral("a")), error));
    // Never stored at all: still listed, and forgotten when removed.
    EXPECT_EQ(listedIDs(prefix), QStringList{prefix + QStringLiteral("a")});
    EXPECT_FALSE(JiraAccountManager::storeAccount(account(prefix + QStringLiteral("b")), error));
    EXPECT_TRUE(JiraAccountManager::removeAccount(prefix + QStringLiteral("b")));
    EXPECT_EQ(listedIDs(prefix), QStringList{prefix + QStringLiteral("a")});

    ASSERT_TRUE(keyring.unlock());
    store(account(prefix + QStringLiteral("c")));
    EXPECT_FALSE(JiraAccountManager::hasPendingAccounts());
    EXPECT_TRUE(KeychainAccess::data(prefix + QStringLiteral("a")).has_value());
    EXPECT_FALSE(KeychainAccess::data(prefix + QStringLiteral("b")).has_value());
}

TEST(JiraAccountLockedKeychainTest, WithoutADefaultKeyringTheErrorSaysSo) {
    TestUtils::PrivateKeyring keyring(TestUtils::PrivateKeyring::Login::None);
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString id = uniquePrefix() + QStringLiteral("nowhere");
    Platform::OptionalError error;
    EXPECT_FALSE(JiraAccountManager::storeAccount(account(id), error));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->localizedDescription(), *Keychain::errorMessage(Keychain::NoDefaultKeychain));
    // Kept for the run all the same.
    EXPECT_EQ(JiraAccountManager::jiraAccount(id), account(id));
}

TEST(JiraAccountManagerTest, AnotherProgramsItemWithTheSameServiceIsLeftAlone) {
    Cleanup cleanup;
    const QString id = cleanup(uniquePrefix() + QStringLiteral("shared"));
    QProcess secretTool;
    secretTool.start(QStringLiteral("secret-tool"),
                     {QStringLiteral("store"),
                      QStringLiteral("--label=") + KeychainAccess::AccountCredentialsLabel,
                      QStringLiteral("service"), id});
    ASSERT_TRUE(secretTool.waitForStarted());
    secretTool.write(QJsonDocument(account(id, QStringLiteral("theirs")).toJson()).toJson());
    secretTool.closeWriteChannel();
    ASSERT_TRUE(secretTool.waitForFinished());
    ASSERT_EQ(secretTool.exitCode(), 0);

    EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value());
    EXPECT_TRUE(listedIDs(id).isEmpty());
    EXPECT_FALSE(KeychainAccess::removeEntry(id));

    store(account(id, QStringLiteral("ours")));
    EXPECT_EQ(JiraAccountManager::jiraAccount(id)->accessToken(), QStringLiteral("ours"));
    EXPECT_TRUE(KeychainAccess::removeEntry(id));

    QProcess lookup;
    lookup.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("service"), id});
    ASSERT_TRUE(lookup.waitForFinished());
    EXPECT_TRUE(lookup.readAllStandardOutput().contains("theirs"));
    QProcess clear;
    clear.start(QStringLiteral("secret-tool"), {QStringLiteral("clear"), QStringLiteral("service"), id});
    clear.waitForFinished();
}

TEST(JiraAccountManagerTest, UndecodableDocumentsAreSkipped) {
    Cleanup cleanup;
    const QString prefix = uniquePrefix();
    const QString good = cleanup(prefix + QStringLiteral("good"));
    const QString noEmail = cleanup(prefix + QStringLiteral("no-email"));
    const QString stringExpires = cleanup(prefix + QStringLiteral("string-expires"));
    const QString notJson = cleanup(prefix + QStringLiteral("not-json"));
    store(account(good));

    QJsonObject json = account(noEmail).toJson();
    json.remove(QStringLiteral("emailAddress"));
    Platform::OptionalError error;
    const auto write = [&](const QString& id, const QByteArray& data) {
        ASSERT_TRUE(
            KeychainAccess::addOrUpdate(data, id, KeychainAccess::AccountCredentialsLabel, id, error));
    };
    write(noEmail, QJsonDocument(json).toJson());
    json = account(stringExpires).toJson();
    json.insert(QStringLiteral("expires"), QStringLiteral("30"));
    write(stringExpires, QJsonDocument(json).toJson());
    write(notJson, "{\"accountID\":");

    EXPECT_EQ(listedIDs(prefix), QStringList{good});
    for (const QString& id : {noEmail, stringExpires, notJson}) {
        EXPECT_FALSE(JiraAccountManager::jiraAccount(id).has_value()) << id.toStdString();
        EXPECT_TRUE(KeychainAccess::data(id).has_value()) << "left in place, not repaired";
    }
}

TEST(JiraAccountManagerTest, ExpiresIsStoredAsSecondsSince2001) {
    Cleanup cleanup;
    const QString id = cleanup(uniquePrefix() + QStringLiteral("date"));
    const QDateTime expires(QDate(2001, 1, 1), QTime(0, 0, 30), QTimeZone::utc());
    store(account(id, QStringLiteral("a"), expires));
    const QJsonObject json = QJsonDocument::fromJson(*KeychainAccess::data(id)).object();
    EXPECT_TRUE(json.value(QStringLiteral("expires")).isDouble());
    EXPECT_EQ(json.value(QStringLiteral("expires")).toDouble(), 30.0);
    EXPECT_TRUE(KeychainAccess::data(id)->contains("\"expires\":30,"));
    EXPECT_EQ(JiraAccountManager::jiraAccount(id)->expires(), expires);

    const QDateTime fraction = QDateTime(QDate(2024, 3, 5), QTime(10, 15, 30, 250), QTimeZone::utc());
    store(account(id, QStringLiteral("a"), fraction));
    EXPECT_EQ(JiraAccountManager::jiraAccount(id)->expires(), fraction);
    EXPECT_EQ(ZRJJSONUtilities::secondsSinceReferenceDate(fraction), 731326530.25);
}

TEST(JiraAccountManagerTest, RemovingAMissingAccountFailsWithALogLine) {
    Platform::SystemLog::Capture log;
    EXPECT_FALSE(KeychainAccess::removeEntry(uniquePrefix() + QStringLiteral("missing")));
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("error removing from keychain: ") +
                                       *Keychain::errorMessage(Keychain::ItemNotFound)});
}

TEST(JiraAccountManagerTest, AuthorizationErrorIsShownOncePerAccountAndRun) {
    const QString prefix = uniquePrefix();
    EXPECT_TRUE(JiraAccountManager::shouldShowAuthorizationError(account(prefix + QStringLiteral("a"))));
    EXPECT_FALSE(JiraAccountManager::shouldShowAuthorizationError(account(prefix + QStringLiteral("a"))));
    EXPECT_TRUE(JiraAccountManager::shouldShowAuthorizationError(account(prefix + QStringLiteral("b"))));
    EXPECT_FALSE(JiraAccountManager::shouldShowAuthorizationError(
        account(prefix + QStringLiteral("a"), QStringLiteral("new"))));
}
