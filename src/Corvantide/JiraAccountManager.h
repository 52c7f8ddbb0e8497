#pragma once

#include "Model/JiraAccount.h"
#include "Platform/Error.h"
#include "Platform/Keychain.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

/*! The registry of signed-in accounts: every account is one keychain item holding its JSON form. The
    keychain is asked again on each call; the one exception is an account whose store failed (a locked
    keyring, no keyring at all): it is kept in memory for the run, answered by the listing and the lookup
    in place of the stored one, and written by storePendingAccounts() at the next chance, because a
    refreshed token replaces the only refresh token the server still takes. Main thread only. */
class JiraAccountManager {
public:
    JiraAccountManager() = delete;

    /*! Posted on the default notification centre, with no object, after an account was stored or
        removed; the status menu is rebuilt on it. */
    static inline const QString AccountsChangedNotification = QStringLiteral("jiraAccountsChanged");

    /*! Every account, sorted by account id (case-insensitive, stable); nothing when the keychain holds no
        account or cannot be read and none is kept in memory. Items that do not decode are left out. A
        keychain that cannot be read (not running, no default keyring, locked) also gives its text in
        readError, so that an account that cannot be read is not taken for no account. */
    static std::optional<QList<JiraAccount>> allJiraAccounts(std::optional<QString>* readError = nullptr);

    static std::optional<JiraAccount> jiraAccount(const QString& accountID);

    /*! Adds or updates the account's item; an unchanged account costs no write. False with no error when
        the keychain is locked. On any failure the account is kept in memory until a later store
        succeeds. Only a store the user started (signing in) may let the keychain prompt. */
    static bool
    storeAccount(const JiraAccount& account, Platform::OptionalError& error,
                 Platform::Keychain::Interaction interaction = Platform::Keychain::Interaction::Never);

    /*! Writes the accounts kept in memory, without prompting; each one that is stored leaves memory. Called
        at the start of every update pass; every store tries them too. False while some are still kept. */
    static bool storePendingAccounts();
    static bool hasPendingAccounts();

    /*! Removes the account's item and forgets a copy kept in memory; false, with a log line, when there
        was neither. */
    static bool removeAccount(const QString& accountID);

    /*! True the first time an authorization failure of the account is to be shown in this run. */
    static bool shouldShowAuthorizationError(const JiraAccount& account);

private:
    enum class ErrorTypes { authorization };

    static std::optional<JiraAccount> jiraAccount(const QByteArray& data);
    static bool write(const JiraAccount& account, Platform::OptionalError& error,
                      Platform::Keychain::Interaction interaction);
    static QHash<QString, QList<ErrorTypes>>& accountErrorTypesAlreadyShown();
    static QHash<QString, JiraAccount>& pendingAccounts();
};
