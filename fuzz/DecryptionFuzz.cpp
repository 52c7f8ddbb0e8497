// Bytes in place of the encrypted settings: decryption with the application's key refuses them or gives
// plain bytes, and what it gives parses as a property list or is refused, without a crash.
#include "Crypto/SettingsKey.h"
#include "Crypto/ZRCrypter.h"
#include "FuzzSupport.h"

#include <QFile>

namespace {
ZRCrypter* g_crypter = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    g_crypter = ZRCrypterNewWithData(ZRSettingsKey, ZRSettingsKeyLength, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const std::optional<QByteArray> plain = ZRCreateDecryptedDataFromData(g_crypter, input);
    if (plain) {
        const std::optional<QByteArray> again = ZRCreateEncryptedDataFromData(g_crypter, *plain);
        if (again)
            FuzzSupport::check(ZRCreateDecryptedDataFromData(g_crypter, *again) == plain,
                               "what was decrypted encrypts and decrypts back");
    }
    const QString path = FuzzSupport::scratchFolder() + QStringLiteral("/jira.enc");
    if (!FuzzSupport::writeFile(path, input))
        return 0;
    int type = 0;
    ZRCCreateDecryptedPropertyList(g_crypter, path, &type);
    return 0;
}
