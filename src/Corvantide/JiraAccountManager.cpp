#include "JiraAccountManager.h"

#include "KeychainAccess.h"
#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"

#include <QJsonDocument>

#include <algorithm>

using Platform::Keychain;

std::optional<QList<JiraAccount>> JiraAccountManager::allJiraAccounts(std::optional<QString>* readError) {
    const std::optional<QList<QByteArray>> datas =
        KeychainAccess::allDatas(KeychainAccess::AccountCredentialsLabel, readError);
    const QHash<QString, JiraAccount>& pending = pendingAccounts();
    if (!datas && pending.isEmpty())
        return std::nullopt;
    QList<JiraAccount> accounts;
    QHash<QString, JiraAccount> unlisted = pending;
    for (const QByteArray& data : datas.value_or(QList<QByteArray>{})) {
        std::optional<JiraAccount> account = jiraAccount(data);
        if (!account)
            continue;
        if (const auto kept = unlisted.constFind(account->accountID()); kept != unlisted.constEnd()) {
            accounts.append(*kept);
            unlisted.erase(kept);
        } else {
            accounts.append(*account);
        }
    }
    // Kept accounts whose item cannot be read (a locked keyring) or was never written, in id order.
    QList<JiraAccount> rest = unlisted.values();
    std::sort(rest.begin(), rest.end(),
              [](const JiraAccount& a, const JiraAccount& b) { return a.accountID() < b.accountID(); });
    accounts.append(rest);
    std::stable_sort(accounts.begin(), accounts.end(), [](const JiraAccount& a, const JiraAccount& b) {
        return a.accountID().compare(b.accountID(), Qt::CaseInsensitive) < 0;
    });
    return accounts;
}

std::optional<JiraAccount> JiraAccountManager::jiraAccount(const QString& accountID) {
    if (const auto kept = pendingAccounts().constFind(accountID); kept != pendingAccounts().constEnd())
        return *kept;
    const std::optional<QByteArray> data = KeychainAccess::data(accountID);
    if (!data)
        return std::nullopt;
    return jiraAccount(*data);
}

bool JiraAccountManager::storeAccount(const JiraAccount& account, Platform::OptionalError& error,
                                      Keychain::Interaction interaction) {
    Platform::assertMainThread();
    // A store that reaches the keychain is a chance for the accounts kept in memory as well.
    for (const JiraAccount& kept : pendingAccounts().values()) {
        Platform::OptionalError ignored;
        if (kept.accountID() != account.accountID())
            write(kept, ignored, Keychain::Interaction::Never);
    }
    return write(account, error, interaction);
}

bool JiraAccountManager::write(const JiraAccount& account, Platform::OptionalError& error,
                               Keychain::Interaction interaction) {
    const QByteArray json = QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact);
    QHash<QString, JiraAccount>& pending = pendingAccounts();
    if (KeychainAccess::addOrUpdate(json, account.accountID(), KeychainAccess::AccountCredentialsLabel,
                                    account.accountID(), error, interaction)) {
        if (pending.remove(account.accountID()) > 0)
            Platform::SystemLog::log(
                QStringLiteral("stored the account %1 that was kept in memory").arg(account.accountID()));
        Platform::NotificationCenter::defaultCenter().post(AccountsChangedNotification);
        return true;
    }
    if (!pending.contains(account.accountID()))
        Platform::SystemLog::log(QStringLiteral("could not store the account %1: it is kept in memory for "
                                                "this run and stored when the keychain takes it")
                                     .arg(account.accountID()));
    pending.insert(account.accountID(), account);
    return false;
}

bool JiraAccountManager::storePendingAccounts() {
    Platform::assertMainThread();
    const QList<JiraAccount> pending = pendingAccounts().values();
    for (const JiraAccount& account : pending) {
        Platform::OptionalError error;
        write(account, error, Keychain::Interaction::Never);
    }
    return pendingAccounts().isEmpty();
}

bool JiraAccountManager::hasPendingAccounts() {
    Platform::assertMainThread();
    return !pendingAccounts().isEmpty();
}

bool JiraAccountManager::removeAccount(const QString& accountID) {
    Platform::assertMainThread();
    const bool wasPending = pendingAccounts().remove(accountID) > 0;
    const bool removed = KeychainAccess::removeEntry(accountID) || wasPending;
    if (removed)
        Platform::NotificationCenter::defaultCenter().post(AccountsChangedNotification);
    return removed;
}

bool JiraAccountManager::shouldShowAuthorizationError(const JiraAccount& account) {
    Platform::assertMainThread();
    QList<ErrorTypes>& shown = accountErrorTypesAlreadyShown()[account.accountID()];
    if (!shown.isEmpty())
        return false;
    shown.append(ErrorTypes::authorization);
    return true;
}

std::optional<JiraAccount> JiraAccountManager::jiraAccount(const QByteArray& data) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return JiraAccount::fromJson(document.object());
}

QHash<QString, QList<JiraAccountManager::ErrorTypes>>& JiraAccountManager::accountErrorTypesAlreadyShown() {
    static QHash<QString, QList<ErrorTypes>> table;
    return table;
}

QHash<QString, JiraAccount>& JiraAccountManager::pendingAccounts() {
    static QHash<QString, JiraAccount> accounts;
    return accounts;
}
