#include "Crypto/ZRCrypter.h"

#include "Platform/Assert.h"
#include "Platform/PropertyList.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using ContextPtr = std::unique_ptr<EVP_PKEY_CTX, ContextDeleter>;

/*! Prints and clears OpenSSL's error queue after the prefix. */
void printOpenSSLErrors(const char* prefix) {
    unsigned long code = ERR_get_error();
    if (code == 0) {
        std::fprintf(stderr, "%s\n", prefix);
        return;
    }
    for (; code != 0; code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        std::fprintf(stderr, "%s: %s\n", prefix, text);
    }
}

[[noreturn]] void endProcess(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

/*! A context for the key set up for PKCS#1 v1.5 padding. */
ContextPtr rsaContext(EVP_PKEY* key, bool decrypt) {
    ContextPtr context(EVP_PKEY_CTX_new(key, nullptr));
    const bool ready =
        context != nullptr &&
        (decrypt ? EVP_PKEY_decrypt_init(context.get()) : EVP_PKEY_encrypt_init(context.get())) > 0 &&
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) > 0;
    if (!ready) {
        printOpenSSLErrors("could not create the RSA transform");
        return nullptr;
    }
    return context;
}

} // namespace

ZRCrypter* ZRCrypterNewWithData(const void* data, uint32_t length, bool isPublicKey) {
    Platform::parameterAssert(data != nullptr, "NULL != data");
    auto* crypter = new ZRCrypter;
    crypter->key = new unsigned char[length > 0 ? length : 1];
    std::memcpy(crypter->key, data, length);
    crypter->keyLength = length;
    crypter->isPublicKey = isPublicKey;
    return crypter;
}

void ZRCrypterFree(ZRCrypter* crypter) {
    Platform::parameterAssert(crypter != nullptr, "NULL != crypter");
    delete[] crypter->key;
    delete crypter;
}

EVP_PKEY* ZRCrypterCopyKey(const ZRCrypter* crypter) {
    const unsigned char* bytes = crypter->key;
    const long length = long(crypter->keyLength);
    // Naming the key type spares the decoder trying every other kind first (about a millisecond of
    // start-up, when the settings are read).
    EVP_PKEY* key = crypter->isPublicKey ? d2i_PUBKEY(nullptr, &bytes, length)
                                         : d2i_PrivateKey(EVP_PKEY_RSA, nullptr, &bytes, length);
    if (key == nullptr) {
        printOpenSSLErrors("key import failed");
        return nullptr;
    }
    if (!EVP_PKEY_is_a(key, "RSA")) {
        std::fprintf(stderr, "key import failed: not an RSA key\n");
        EVP_PKEY_free(key);
        return nullptr;
    }
    return key;
}

std::optional<QByteArray> ZRCreateDecryptedDataFromData(const ZRCrypter* crypter, const QByteArray& data) {
    KeyPtr key(ZRCrypterCopyKey(crypter));
    if (key == nullptr) {
        std::printf("Couldn't load crypt key\n");
        endProcess(1);
    }
    ContextPtr context = rsaContext(key.get(), true);
    if (context == nullptr)
        endProcess(1);
    const int blockSize = EVP_PKEY_get_size(key.get());
    if (data.isEmpty() || blockSize <= 0 || data.size() % blockSize != 0) {
        std::fprintf(stderr, "decryption failed: %lld bytes are not whole blocks of %d bytes\n",
                     static_cast<long long>(data.size()), blockSize);
        return std::nullopt;
    }
    QByteArray plain;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qsizetype offset = 0; offset < data.size(); offset += blockSize) {
        size_t length = size_t(block.size());
        if (EVP_PKEY_decrypt(context.get(), reinterpret_cast<unsigned char*>(block.data()), &length,
                             reinterpret_cast<const unsigned char*>(data.constData() + offset),
                             size_t(blockSize)) <= 0) {
            printOpenSSLErrors("decryption failed");
            return std::nullopt;
        }
        plain.append(block.constData(), qsizetype(length));
    }
    return plain;
}

std::optional<QByteArray> ZRCreateEncryptedDataFromData(const ZRCrypter* crypter, const QByteArray& data) {
    KeyPtr key(ZRCrypterCopyKey(crypter));
    ContextPtr context = key != nullptr ? rsaContext(key.get(), false) : nullptr;
    if (context == nullptr)
        return std::nullopt;
    const int blockSize = EVP_PKEY_get_size(key.get());
    // PKCS#1 v1.5 padding takes 11 bytes of every block.
    const qsizetype chunkSize = blockSize - 11;
    QByteArray encrypted;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qsizetype offset = 0; offset < data.size(); offset += chunkSize) {
        const qsizetype chunk = std::min(chunkSize, data.size() - offset);
        size_t length = size_t(block.size());
        if (EVP_PKEY_encrypt(context.get(), reinterpret_cast<unsigned char*>(block.data()), &length,
                             reinterpret_cast<const unsigned char*>(data.constData() + offset),
                             size_t(chunk)) <= 0) {
            printOpenSSLErrors("encryption failed");
            return std::nullopt;
        }
        encrypted.append(block.constData(), qsizetype(length));
    }
    return encrypted;
}

QVariant ZRCCreateDecryptedPropertyList(const ZRCrypter* crypter, const QString& path, int* typeID) {
    const std::optional<QByteArray> file = zrCreateDataFromFile(path);
    if (!file)
        return QVariant();
    const std::optional<QByteArray> plain = ZRCreateDecryptedDataFromData(crypter, *file);
    if (!plain)
        return QVariant();
    QString error;
    const QVariant list = Platform::PropertyList::read(*plain, &error);
    if (!list.isValid()) {
        std::fprintf(stderr, "could not read the decrypted property list: %s\n", qPrintable(error));
        return QVariant();
    }
    if (typeID != nullptr)
        *typeID = list.typeId();
    return list;
}

std::optional<QByteArray> zrCreateDataFromFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "could not read %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return std::nullopt;
    }
    return file.readAll();
}
