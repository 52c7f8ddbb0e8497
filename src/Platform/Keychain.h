#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Platform {

/*! One secret of the keychain: a generic password with its attributes. */
struct KeychainItem {
    QString label;
    QString service;
    QString account;
    QString accessGroup;
    QByteArray data;
};

/*! The application's generic-password items in the Secret Service (gnome-keyring, KWallet) through
    libsecret. Only items of this application's own schema are ever seen, changed or removed; another
    program's secret with the same service stays untouched. Calls are synchronous. Unless a write is told
    that the user asked for it (Interaction::Allowed), nothing prompts: a locked collection answers
    InteractionNotAllowed to reads, updates and adds alike. */
class Keychain {
public:
    /*! Status codes, numbered like the keychain services the callers were written for. */
    enum Status : int {
        Success = 0,
        Param = -50,
        UserCanceled = -128,
        NotAvailable = -25291,
        DuplicateItem = -25299,
        ItemNotFound = -25300,
        NoDefaultKeychain = -25307,
        InteractionNotAllowed = -25308,
        Decode = -26275,
    };

    /*! Whether a write may ask the user: a write the user started may let the Secret Service prompt to
        unlock the keyring, or to create a default one when there is none; a background write never does,
        and the call blocks while the prompt is up. */
    enum class Interaction { Never, Allowed };

    /*! What a search, update or removal matches; an empty field matches anything. */
    struct Query {
        std::optional<QString> label;
        std::optional<QString> service;
        std::optional<QString> account;
    };

    /*! The attributes an update changes; the label, service and creation order stay. */
    struct Changes {
        std::optional<QString> account;
        std::optional<QString> accessGroup;
        std::optional<QByteArray> data;
    };

    struct SearchResult {
        int status = Success;
        QList<KeychainItem> items;
    };

    Keychain() = delete;

    /*! The matching items with their data, oldest first, at most `limit` of them (0: all).
        No match gives ItemNotFound. */
    static SearchResult find(const Query& query, int limit = 0);
    /*! Adds an item to the default collection; an item with the same service and account gives
        DuplicateItem, no default collection NoDefaultKeychain. */
    static int add(const KeychainItem& item, Interaction interaction = Interaction::Never);
    /*! Changes every matching item in place; no match gives ItemNotFound. */
    static int update(const Query& query, const Changes& changes,
                      Interaction interaction = Interaction::Never);
    /*! Removes every matching item; no match gives ItemNotFound. */
    static int remove(const Query& query);

    /*! The text for a status, or nothing for a status this keychain does not know. */
    static std::optional<QString> errorMessage(int status);

    /*! Test seam for faults a private keychain cannot produce on demand (a locked collection): while
        set, reads or writes answer the given status without reaching the Secret Service. */
    static void setInjectedReadStatusForTesting(std::optional<int> status);
    static void setInjectedWriteStatusForTesting(std::optional<int> status);
};

} // namespace Platform
