#pragma once

#include "Model/JiraAccount.h"
#include "Platform/Error.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

/*! The registry of signed-in accounts: every account is one keychain item holding its JSON form.
    Nothing is cached; each call asks the keychain again. Main thread only. */
class JiraAccountManager {
public:
    JiraAccountManager() = delete;

    /*! Every stored account, sorted by account id (case-insensitive, stable); nothing when the keychain
        holds no account or cannot be read. Items that do not decode are left out. */
    static std::optional<QList<JiraAccount>> allJiraAccounts();

    static std::optional<JiraAccount> jiraAccount(const QString& accountID);

    /*! Adds or updates the account's item; an unchanged account costs no write. False with no error when
        the keychain is locked. */
    static bool storeAccount(const JiraAccount& account, Platform::OptionalError& error);

    /*! True the first time an authorization failure of the account is to be shown in this run. */
    static bool shouldShowAuthorizationError(const JiraAccount& account);

private:
    enum class ErrorTypes { authorization };

    static std::optional<JiraAccount> jiraAccount(const QByteArray& data);
    static QHash<QString, QList<ErrorTypes>>& accountErrorTypesAlreadyShown();
};
