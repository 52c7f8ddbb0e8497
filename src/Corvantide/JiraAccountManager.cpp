#include "JiraAccountManager.h"

#include "KeychainAccess.h"
#include "Platform/MainThread.h"

#include <QJsonDocument>

#include <algorithm>

std::optional<QList<JiraAccount>> JiraAccountManager::allJiraAccounts() {
    const std::optional<QList<QByteArray>> datas =
        KeychainAccess::allDatas(KeychainAccess::AccountCredentialsLabel);
    if (!datas)
        return std::nullopt;
    QList<JiraAccount> accounts;
    for (const QByteArray& data : *datas) {
        if (std::optional<JiraAccount> account = jiraAccount(data))
            accounts.append(*account);
    }
    std::stable_sort(accounts.begin(), accounts.end(), [](const JiraAccount& a, const JiraAccount& b) {
        return a.accountID().compare(b.accountID(), Qt::CaseInsensitive) < 0;
    });
    return accounts;
}

std::optional<JiraAccount> JiraAccountManager::jiraAccount(const QString& accountID) {
    const std::optional<QByteArray> data = KeychainAccess::data(accountID);
    if (!data)
        return std::nullopt;
    return jiraAccount(*data);
}

bool JiraAccountManager::storeAccount(const JiraAccount& account, Platform::OptionalError& error) {
    const QByteArray json = QJsonDocument(account.toJson()).toJson(QJsonDocument::Compact);
    return KeychainAccess::addOrUpdate(json, account.accountID(), KeychainAccess::AccountCredentialsLabel,
                                       account.accountID(), error);
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
