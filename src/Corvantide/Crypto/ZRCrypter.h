#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

typedef struct evp_pkey_st EVP_PKEY;

/*! An RSA key to decrypt (private key, PKCS#8 DER) or encrypt (public key, SubjectPublicKeyInfo DER)
    with. Made by ZRCrypterNewWithData, owned by the caller, freed with ZRCrypterFree. */
struct ZRCrypter {
    bool isPublicKey = false;
    unsigned char* key = nullptr;
    uint32_t keyLength = 0;
};

/*! A crypter holding a copy of the key bytes. data must not be null. */
ZRCrypter* ZRCrypterNewWithData(const void* data, uint32_t length, bool isPublicKey);
/*! Frees the key copy and the record. crypter must not be null. */
void ZRCrypterFree(ZRCrypter* crypter);

/*! The crypter's key as a new OpenSSL key (free it with EVP_PKEY_free), or null with a line on stderr
    when the bytes are not an RSA key of the crypter's kind. */
EVP_PKEY* ZRCrypterCopyKey(const ZRCrypter* crypter);

/*! Decrypts data encrypted for the crypter's key: RSA with PKCS#1 v1.5 padding, in blocks of the modulus
    size. Nothing (with a line on stderr) when the data is not such ciphertext. Ends the process with
    status 1 when the key cannot be loaded. */
std::optional<QByteArray> ZRCreateDecryptedDataFromData(const ZRCrypter* crypter, const QByteArray& data);

/*! The reverse of ZRCreateDecryptedDataFromData, with the public half of the crypter's key: the data in
    chunks of (modulus size - 11) bytes, each one encrypted into one block. Nothing when the key cannot
    be loaded or encryption fails. */
std::optional<QByteArray> ZRCreateEncryptedDataFromData(const ZRCrypter* crypter, const QByteArray& data);

/*! Reads, decrypts and parses the property list at the path. Nothing (an invalid QVariant) when any
    step fails; on success *typeID, when given, is the QMetaType id of the result (QVariantMap for a
    dictionary, QVariantList for an array, ...). */
QVariant ZRCCreateDecryptedPropertyList(const ZRCrypter* crypter, const QString& path, int* typeID);

/*! The whole file, or nothing when it is missing, not a file or unreadable. */
std::optional<QByteArray> zrCreateDataFromFile(const QString& path);
