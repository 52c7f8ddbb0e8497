#pragma once

#include "Platform/Error.h"
#include "Platform/Keychain.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/*! The application's secrets in the keychain: one generic-password item per entry, found by its label
    (listing) or its service (one entry). Reads and removals only ever match items that carry the
    label, so another item with the same service is neither read nor removed. */
class KeychainAccess {
public:
    /*! The label of the items that hold the Jira accounts. */
    static inline const QString AccountCredentialsLabel =
        QStringLiteral("dunwarbeck Jira Account Credentials");
    static inline const QString AccessGroup = QStringLiteral("QH4WX8LD2P.com.dunwarbeck.jira");

    KeychainAccess() = delete;

    /*! The data of every item with the label, oldest first; nothing when none exists or the keychain
        cannot be read, and then, in readError, the keychain's text for a failure other than "not found". */
    static std::optional<QList<QByteArray>> allDatas(const QString& label,
                                                     std::optional<QString>* readError = nullptr);

    /*! The data of the item with the service (and label); nothing when there is none or on a read error. */
    static std::optional<QByteArray> data(const QString& service,
                                          const QString& label = AccountCredentialsLabel);

    /*! Stores the data under the label `service` and the service attribute `identifier`; data equal to
        what is stored is not written again. False with no error when the keychain is locked; false with
        an error for every other failure. Only a store the user started may let the keychain prompt. */
    static bool
    addOrUpdate(const QByteArray& data, const QString& accountName, const QString& service,
                const QString& identifier, Platform::OptionalError& error,
                Platform::Keychain::Interaction interaction = Platform::Keychain::Interaction::Never);

    /*! Removes the item with the service (and label); false, with a log line, when that fails or there
        is no such item. */
    static bool removeEntry(const QString& service, const QString& label = AccountCredentialsLabel);

    /*! The keychain's text for a status, or "Unknown error". */
    static QString messageForStatus(int status);
};
