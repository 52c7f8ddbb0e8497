#include "FileDecrypter.h"

#include "Crypto/SettingsKey.h"
#include "Crypto/ZRCrypter.h"
#include "Platform/Bundle.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/MainThread.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void damagedInstallation() {
    FileDecrypter::showErrorPanel();
    std::fflush(nullptr);
    // Ends at once: the application has not started anything that would need an orderly shutdown.
    std::_Exit(-1);
}

QVariantMap decrypt() {
    const QString path =
        Platform::Bundle::mainBundle().pathForResource(QStringLiteral("jira"), QStringLiteral("enc"));
    if (path.isNull())
        damagedInstallation();

    ZRCrypter* crypter = ZRCrypterNewWithData(ZRSettingsKey, ZRSettingsKeyLength, false);
    int typeID = QMetaType::Nullptr;
    const QVariant settings = ZRCCreateDecryptedPropertyList(crypter, path, &typeID);
    ZRCrypterFree(crypter);
    if (!settings.isValid())
        damagedInstallation();
    if (typeID != QMetaType::QVariantMap)
        Platform::fatalError(QStringLiteral("Wrong type of decrypted file"));
    // Property-list dictionaries have string keys only, so every one of them is a settings key.
    return settings.toMap();
}

} // namespace

const QVariantMap& FileDecrypter::decryptedJiraSettings() {
    static const QVariantMap settings = decrypt();
    return settings;
}

void FileDecrypter::showErrorPanel() {
    const auto show = [] {
        Platform::presentError(ZRError::zr_errorWithLocalizedDescription(
            QCoreApplication::translate("FileDecrypter", "Corvantide is damaged. Please re-install it.")));
    };
    if (Platform::isMainThread())
        show();
    else
        QMetaObject::invokeMethod(QCoreApplication::instance(), show, Qt::BlockingQueuedConnection);
}
