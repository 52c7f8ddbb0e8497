// glib's headers use "signals" as a field name, which Qt defines as a keyword; keep them apart.
#pragma push_macro("signals")
#undef signals
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include "Platform/Keychain.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace Platform {

namespace {

const char* const LabelAttribute = "label";
const char* const ServiceAttribute = "service";
const char* const AccountAttribute = "account";
const char* const AccessGroupAttribute = "accessGroup";
// Secret Service items only know their creation second; this keeps the order of items made together.
const char* const CreationOrderAttribute = "creationOrder";

const SecretSchema& schema() {
    static const SecretSchema schema = {"com.dunwarbeck.Corvantide.GenericPassword",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {LabelAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {ServiceAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {AccountAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {AccessGroupAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {CreationOrderAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        }};
    return schema;
}

std::mutex& injectionMutex() {
    static std::mutex mutex;
    return mutex;
}
std::optional<int>& injectedReadStatus() {
    static std::optional<int> status;
    return status;
}
std::optional<int>& injectedWriteStatus() {
    static std::optional<int> status;
    return status;
}
std::optional<int> injected(std::optional<int>& (*which)()) {
    std::lock_guard lock(injectionMutex());
    return which();
}

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* pointer) const {
        if (pointer != nullptr)
            Free(pointer);
    }
};
void unrefObject(GObject* object) {
    g_object_unref(object);
}
void unrefService(SecretService* service) {
    unrefObject(G_OBJECT(service));
}
void unrefCollection(SecretCollection* collection) {
    unrefObject(G_OBJECT(collection));
}
void unrefItem(SecretItem* item) {
    unrefObject(G_OBJECT(item));
}
void unrefValue(SecretValue* value) {
    secret_value_unref(value);
}
using ServicePtr = std::unique_ptr<SecretService, Deleter<SecretService, unrefService>>;
using CollectionPtr = std::unique_ptr<SecretCollection, Deleter<SecretCollection, unrefCollection>>;
using ItemPtr = std::unique_ptr<SecretItem, Deleter<SecretItem, unrefItem>>;
using ErrorPtr = std::unique_ptr<GError, Deleter<GError, g_error_free>>;
using HashPtr = std::unique_ptr<GHashTable, Deleter<GHashTable, g_hash_table_unref>>;
using ValuePtr = std::unique_ptr<SecretValue, Deleter<SecretValue, unrefValue>>;

int statusForError(const GError* error) {
    if (error == nullptr)
        return Keychain::Success;
    if (error->domain == SECRET_ERROR) {
        switch (error->code) {
        case SECRET_ERROR_IS_LOCKED:
            return Keychain::InteractionNotAllowed;
        case SECRET_ERROR_NO_SUCH_OBJECT:
            return Keychain::ItemNotFound;
        case SECRET_ERROR_ALREADY_EXISTS:
            return Keychain::DuplicateItem;
        default:
            return Keychain::Decode;
        }
    }
    if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED)
        return Keychain::UserCanceled;
    // No session bus, nobody owning org.freedesktop.secrets, or a service that does not answer.
    return Keychain::NotAvailable;
}

/*! Another process removed the item between our search and our reading it. */
bool isVanished(const GError* error) {
    if (error->domain == SECRET_ERROR)
        return error->code == SECRET_ERROR_NO_SUCH_OBJECT;
    return error->domain == G_DBUS_ERROR &&
           (error->code == G_DBUS_ERROR_UNKNOWN_METHOD || error->code == G_DBUS_ERROR_UNKNOWN_OBJECT);
}

HashPtr newAttributes() {
    return HashPtr(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free));
}

void insert(GHashTable* attributes, const char* name, const QString& value) {
    g_hash_table_insert(attributes, g_strdup(name), g_strdup(value.toUtf8().constData()));
}

HashPtr attributesFor(const Keychain::Query& query) {
    HashPtr attributes = newAttributes();
    if (query.label)
        insert(attributes.get(), LabelAttribute, *query.label);
    if (query.service)
        insert(attributes.get(), ServiceAttribute, *query.service);
    if (query.account)
        insert(attributes.get(), AccountAttribute, *query.account);
    return attributes;
}

QString attribute(GHashTable* attributes, const char* name) {
    const auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, name));
    return value != nullptr ? QString::fromUtf8(value) : QString();
}

QString nextCreationOrder() {
    // Increasing within the process even when the clock does not advance between two adds.
    static std::atomic<qint64> last{0};
    const qint64 now = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    qint64 previous = last.load();
    qint64 next = 0;
    do {
        next = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, next));
    return QStringLiteral("%1").arg(next, 20, 10, QLatin1Char('0'));
}

int openService(ServicePtr& service) {
    GError* error = nullptr;
    // No session yet: libsecret opens the one that carries secrets when a secret is first read or
    // written, so a search that finds nothing (no account yet) does without its key exchange.
    service.reset(secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error));
    ErrorPtr owned(error);
    if (service == nullptr)
        return owned ? statusForError(owned.get()) : Keychain::NotAvailable;
    return Keychain::Success;
}

struct FoundItem {
    ItemPtr item;
    QString creationOrder;
    QString path;
    bool locked = false;
};

/*! Our own items matching the query, oldest first. Items that vanish while we look are left out. */
int search(SecretService* service, const Keychain::Query& query, std::vector<FoundItem>& found) {
    HashPtr attributes = attributesFor(query);
    GError* error = nullptr;
    gchar** unlocked = nullptr;
    gchar** locked = nullptr;
    secret_service_search_for_dbus_paths_sync(service, &schema(), attributes.get(), nullptr, &unlocked,
                                              &locked, &error);
    ErrorPtr owned(error);
    const auto collect = [&](gchar** paths, bool isLocked) -> int {
        for (gchar** path = paths; path != nullptr && *path != nullptr; ++path) {
            GError* itemError = nullptr;
            ItemPtr item(
                secret_item_new_for_dbus_path_sync(service, *path, SECRET_ITEM_NONE, nullptr, &itemError));
            ErrorPtr ownedItemError(itemError);
            if (ownedItemError) {
                if (isVanished(ownedItemError.get()))
                    continue;
                return statusForError(ownedItemError.get());
            }
            HashPtr itemAttributes(secret_item_get_attributes(item.get()));
            const QString creationOrder = attribute(itemAttributes.get(), CreationOrderAttribute);
            found.push_back(FoundItem{std::move(item), creationOrder, QString::fromUtf8(*path), isLocked});
        }
        return Keychain::Success;
    };
    int status = owned ? statusForError(owned.get()) : collect(unlocked, false);
    if (status == Keychain::Success)
        status = collect(locked, true);
    g_strfreev(unlocked);
    g_strfreev(locked);
    if (status != Keychain::Success)
        return status;
    std::stable_sort(found.begin(), found.end(), [](const FoundItem& a, const FoundItem& b) {
        if (a.creationOrder != b.creationOrder)
            return a.creationOrder < b.creationOrder;
        return a.path < b.path;
    });
    return found.empty() ? Keychain::ItemNotFound : Keychain::Success;
}

bool anyLocked(const std::vector<FoundItem>& found) {
    return std::any_of(found.begin(), found.end(), [](const FoundItem& entry) { return entry.locked; });
}

/*! Asks the Secret Service to unlock the objects, which prompts the user. Success only when every one of
    them was unlocked; a prompt the user dismissed (or that could not be shown) is UserCanceled. */
int unlockWithPrompt(SecretService* service, const std::vector<gpointer>& objects) {
    GList* list = nullptr;
    for (gpointer object : objects)
        list = g_list_append(list, object);
    GList* unlocked = nullptr;
    GError* error = nullptr;
    const gint count = secret_service_unlock_sync(service, list, nullptr, &unlocked, &error);
    ErrorPtr owned(error);
    g_list_free(list);
    g_list_free_full(unlocked, g_object_unref);
    if (owned)
        return statusForError(owned.get());
    return count >= gint(objects.size()) ? Keychain::Success : Keychain::UserCanceled;
}

/*! Locked items answer InteractionNotAllowed, unless the user may be asked to unlock them. */
int unlockFound(SecretService* service, const std::vector<FoundItem>& found,
                Keychain::Interaction interaction) {
    if (!anyLocked(found))
        return Keychain::Success;
    if (interaction != Keychain::Interaction::Allowed)
        return Keychain::InteractionNotAllowed;
    std::vector<gpointer> locked;
    for (const FoundItem& entry : found) {
        if (entry.locked)
            locked.push_back(entry.item.get());
    }
    return unlockWithPrompt(service, locked);
}

/*! The collection new items go to, unlocked. Without one, only a write the user started may have the
    Secret Service create it (it asks for the new keyring's password). */
int defaultCollection(SecretService* service, Keychain::Interaction interaction, CollectionPtr& collection) {
    GError* error = nullptr;
    collection.reset(secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                      SECRET_COLLECTION_NONE, nullptr, &error));
    if (ErrorPtr owned(error); owned)
        return statusForError(owned.get());
    if (collection == nullptr) {
        if (interaction != Keychain::Interaction::Allowed)
            return Keychain::NoDefaultKeychain;
        collection.reset(secret_collection_create_sync(
            service, QCoreApplication::translate("Keychain", "Login").toUtf8().constData(),
            SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_CREATE_NONE, nullptr, &error));
        if (ErrorPtr owned(error); owned)
            return statusForError(owned.get());
        if (collection == nullptr)
            return Keychain::NoDefaultKeychain;
    }
    if (!secret_collection_get_locked(collection.get()))
        return Keychain::Success;
    if (interaction != Keychain::Interaction::Allowed)
        return Keychain::InteractionNotAllowed;
    return unlockWithPrompt(service, {collection.get()});
}

/*! Runs the change on every matching item; items that vanish meanwhile do not count. */
int changeEach(const Keychain::Query& query, Keychain::Interaction interaction,
               const std::function<void(SecretItem*, GError**)>& change) {
    if (const std::optional<int> status = injected(injectedWriteStatus))
        return *status;
    ServicePtr service;
    if (const int status = openService(service); status != Keychain::Success)
        return status;
    std::vector<FoundItem> found;
    if (const int status = search(service.get(), query, found); status != Keychain::Success)
        return status;
    if (const int status = unlockFound(service.get(), found, interaction); status != Keychain::Success)
        return status;
    bool changed = false;
    for (FoundItem& entry : found) {
        GError* error = nullptr;
        change(entry.item.get(), &error);
        if (ErrorPtr owned(error); owned) {
            if (isVanished(owned.get()))
                continue;
            return statusForError(owned.get());
        }
        changed = true;
    }
    return changed ? Keychain::Success : Keychain::ItemNotFound;
}

} // namespace

Keychain::SearchResult Keychain::find(const Query& query, int limit) {
    SearchResult result;
    if (const std::optional<int> status = injected(injectedReadStatus)) {
        result.status = *status;
        return result;
    }
    ServicePtr service;
    result.status = openService(service);
    if (result.status != Success)
        return result;
    std::vector<FoundItem> found;
    result.status = search(service.get(), query, found);
    if (result.status != Success)
        return result;
    if (anyLocked(found)) {
        result.status = InteractionNotAllowed;
        return result;
    }
    for (FoundItem& entry : found) {
        if (limit > 0 && result.items.size() >= limit)
            break;
        SecretItem* item = entry.item.get();
        GError* error = nullptr;
        secret_item_load_secret_sync(item, nullptr, &error);
        if (ErrorPtr owned(error); owned) {
            if (isVanished(owned.get()))
                continue;
            result.items.clear();
            result.status = statusForError(owned.get());
            return result;
        }
        ValuePtr value(secret_item_get_secret(item));
        if (value == nullptr)
            continue;
        gsize length = 0;
        const gchar* bytes = secret_value_get(value.get(), &length);
        HashPtr attributes(secret_item_get_attributes(item));
        KeychainItem keychainItem;
        keychainItem.label = attribute(attributes.get(), LabelAttribute);
        keychainItem.service = attribute(attributes.get(), ServiceAttribute);
        keychainItem.account = attribute(attributes.get(), AccountAttribute);
        keychainItem.accessGroup = attribute(attributes.get(), AccessGroupAttribute);
        keychainItem.data = QByteArray(bytes, qsizetype(length));
        result.items.append(keychainItem);
    }
    if (result.items.isEmpty())
        result.status = ItemNotFound;
    return result;
}

int Keychain::add(const KeychainItem& item, Interaction interaction) {
    if (const std::optional<int> status = injected(injectedWriteStatus))
        return *status;
    ServicePtr service;
    if (const int status = openService(service); status != Success)
        return status;

    // The collection first: a locked keyring hides whether the item exists, so it answers as locked.
    CollectionPtr collection;
    if (const int status = defaultCollection(service.get(), interaction, collection); status != Success)
        return status;
    std::vector<FoundItem> existing;
    const int searchStatus = search(service.get(), Query{{}, item.service, item.account}, existing);
    if (searchStatus == Success)
        return anyLocked(existing) ? InteractionNotAllowed : DuplicateItem;
    if (searchStatus != ItemNotFound)
        return searchStatus;

    GError* error = nullptr;
    HashPtr attributes = newAttributes();
    insert(attributes.get(), LabelAttribute, item.label);
    insert(attributes.get(), ServiceAttribute, item.service);
    insert(attributes.get(), AccountAttribute, item.account);
    insert(attributes.get(), AccessGroupAttribute, item.accessGroup);
    insert(attributes.get(), CreationOrderAttribute, nextCreationOrder());
    ValuePtr value(secret_value_new(item.data.constData(), item.data.size(), "application/octet-stream"));
    ItemPtr created(secret_item_create_sync(collection.get(), &schema(), attributes.get(),
                                            item.label.toUtf8().constData(), value.get(),
                                            SECRET_ITEM_CREATE_NONE, nullptr, &error));
    ErrorPtr createError(error);
    return createError ? statusForError(createError.get()) : Success;
}

int Keychain::update(const Query& query, const Changes& changes, Interaction interaction) {
    return changeEach(query, interaction, [&](SecretItem* item, GError** error) {
        if (changes.account || changes.accessGroup) {
            HashPtr current(secret_item_get_attributes(item));
            HashPtr attributes = newAttributes();
            for (const char* name : {LabelAttribute, ServiceAttribute, AccountAttribute, AccessGroupAttribute,
                                     CreationOrderAttribute})
                insert(attributes.get(), name, attribute(current.get(), name));
            if (changes.account)
                insert(attributes.get(), AccountAttribute, *changes.account);
            if (changes.accessGroup)
                insert(attributes.get(), AccessGroupAttribute, *changes.accessGroup);
            if (!secret_item_set_attributes_sync(item, &schema(), attributes.get(), nullptr, error))
                return;
        }
        if (changes.data) {
            ValuePtr value(secret_value_new(changes.data->constData(), changes.data->size(),
                                            "application/octet-stream"));
            secret_item_set_secret_sync(item, value.get(), nullptr, error);
        }
    });
}

int Keychain::remove(const Query& query) {
    return changeEach(query, Interaction::Never, [](SecretItem* item, GError** error) {
        secret_item_delete_sync(item, nullptr, error);
    });
}

std::optional<QString> Keychain::errorMessage(int status) {
    switch (status) {
    case Success:
        return QCoreApplication::translate("Keychain", "No error.");
    case Param:
        return QCoreApplication::translate("Keychain",
                                           "One or more parameters passed to a function were not valid.");
    case UserCanceled:
        return QCoreApplication::translate("Keychain", "The user canceled the operation.");
    case NotAvailable:
        return QCoreApplication::translate("Keychain",
                                           "No keychain is available: the Secret Service is not running.");
    case DuplicateItem:
        return QCoreApplication::translate("Keychain", "The specified item already exists in the keychain.");
    case ItemNotFound:
        return QCoreApplication::translate("Keychain",
                                           "The specified item could not be found in the keychain.");
    case NoDefaultKeychain:
        return QCoreApplication::translate(
            "Keychain", "No default keyring: the Secret Service is running but has no keyring to keep "
                        "passwords in. Create a default keyring (for example a \"Login\" keyring in "
                        "Passwords and Keys, or a wallet in KWallet), then sign in again.");
    case InteractionNotAllowed:
        return QCoreApplication::translate("Keychain",
                                           "User interaction is not allowed: the keychain is locked.");
    case Decode:
        return QCoreApplication::translate("Keychain", "Unable to decode the provided data.");
    default:
        return std::nullopt;
    }
}

void Keychain::setInjectedReadStatusForTesting(std::optional<int> status) {
    std::lock_guard lock(injectionMutex());
    injectedReadStatus() = status;
}

void Keychain::setInjectedWriteStatusForTesting(std::optional<int> status) {
    std::lock_guard lock(injectionMutex());
    injectedWriteStatus() = status;
}

} // namespace Platform
