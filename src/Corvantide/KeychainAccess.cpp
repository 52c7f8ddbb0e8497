#include "KeychainAccess.h"

#include "Platform/Keychain.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>

using Platform::Keychain;
using Platform::SystemLog::log;

namespace {

/*! Reads fail quietly when nothing matches; any other failure is worth a line. */
std::optional<QList<Platform::KeychainItem>> read(const Keychain::Query& query,
                                                  std::optional<QString>* readError = nullptr) {
    const Keychain::SearchResult result = Keychain::find(query);
    if (readError)
        readError->reset();
    if (result.status == Keychain::Success)
        return result.items;
    if (result.status != Keychain::ItemNotFound) {
        log(QStringLiteral("error accessing keychain: ") + KeychainAccess::messageForStatus(result.status));
        if (readError)
            *readError = KeychainAccess::messageForStatus(result.status);
    }
    return std::nullopt;
}

} // namespace

std::optional<QList<QByteArray>> KeychainAccess::allDatas(const QString& label,
                                                          std::optional<QString>* readError) {
    const auto items = read(Keychain::Query{label, {}, {}}, readError);
    if (!items)
        return std::nullopt;
    QList<QByteArray> datas;
    datas.reserve(items->size());
    for (const Platform::KeychainItem& item : *items)
        datas.append(item.data);
    return datas;
}

std::optional<QByteArray> KeychainAccess::data(const QString& service, const QString& label) {
    const auto items = read(Keychain::Query{label, service, {}});
    if (!items || items->isEmpty())
        return std::nullopt;
    return items->first().data;
}

bool KeychainAccess::addOrUpdate(const QByteArray& data, const QString& accountName, const QString& service,
                                 const QString& identifier, Platform::OptionalError& error,
                                 Keychain::Interaction interaction) {
    error.reset();
    std::optional<QByteArray> existing = KeychainAccess::data(identifier, service);
    if (existing && *existing == data)
        return true;

    const auto update = [&] {
        return Keychain::update(Keychain::Query{service, identifier, {}},
                                Keychain::Changes{accountName, AccessGroup, data}, interaction);
    };
    int status = Keychain::Success;
    QString prefix = QStringLiteral("could not modify keychain entry: ");
    if (existing) {
        status = update();
    } else {
        status = Keychain::add(Platform::KeychainItem{service, identifier, accountName, AccessGroup, data},
                               interaction);
        prefix = QStringLiteral("could not add keychain entry: ");
        // The item was there but could not be read before (a keyring the user has just unlocked, or
        // another copy of the application that stored it meanwhile): it is updated after all.
        if (status == Keychain::DuplicateItem && (existing = KeychainAccess::data(identifier, service))) {
            if (*existing == data)
                return true;
            status = update();
            prefix = QStringLiteral("could not modify keychain entry: ");
        }
    }
    if (status == Keychain::Success)
        return true;

    log(prefix + messageForStatus(status) + QLatin1Char(' ') + QString::number(status));
    if (status == Keychain::InteractionNotAllowed) {
        log(QStringLiteral("supressing 'no user interaction allowed' error: ") + QString::number(status));
        return false;
    }
    const std::optional<QString> message = Keychain::errorMessage(status);
    error = ZRError::zr_errorWithLocalizedDescription(
        message.value_or(QCoreApplication::translate("KeychainAccess", "Unknown Keychain error.")));
    return false;
}

bool KeychainAccess::removeEntry(const QString& service, const QString& label) {
    const int status = Keychain::remove(Keychain::Query{label, service, {}});
    if (status == Keychain::Success)
        return true;
    log(QStringLiteral("error removing from keychain: ") + messageForStatus(status));
    return false;
}

QString KeychainAccess::messageForStatus(int status) {
    return Keychain::errorMessage(status).value_or(QStringLiteral("Unknown error"));
}
