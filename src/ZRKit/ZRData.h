#pragma once

#include "Platform/StringFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

/*! Byte-buffer helpers of the kit: encodings, digests, passphrase encryption and small edits. Free
    functions taking the buffer first; nothing changes the buffer except the ones taking it by reference. */
namespace ZRData {

// Base64
/*! Base64 text; with newlines, lines of 64 characters separated by line feeds (none after the last). */
QString base64EncodedStringWithNewlines(const QByteArray& data, bool newlines);
QString base64EncodedString(const QByteArray& data);
QString dataByEncodingBase64(const QByteArray& data);
QString dataByEncodingBase64WithNewlines(const QByteArray& data, bool newlines);
/*! The decoded bytes; characters outside the Base64 alphabet (line breaks among them) are skipped.
    std::nullopt when what remains does not decode. */
std::optional<QByteArray> dataFromBase64String(const QString& string);

// Digests: the published MD5, SHA-1, SHA-256 and SHA-512 of the whole buffer.
QByteArray md5Digest(const QByteArray& data);
QByteArray sha1Digest(const QByteArray& data);
QByteArray sha256Digest(const QByteArray& data);
QByteArray sha512Digest(const QByteArray& data);
/*! The digests as lower-case hex (32, 40, 64 and 128 characters). */
QString md5DigestString(const QByteArray& data);
QString sha1DigestString(const QByteArray& data);
QString sha256DigestString(const QByteArray& data);
QString sha512DigestString(const QByteArray& data);

/*! AES-256 in CBC mode with PKCS#7 padding and an all-zero initialisation vector. The key is the
    passphrase's UTF-8 bytes padded with zero bytes to 32; a longer passphrase is cut after 32 bytes.
    std::nullopt when the cipher fails (on decryption: normally a wrong passphrase). */
std::optional<QByteArray> AES256EncryptWithKey(const QByteArray& data, const QString& passphrase);
std::optional<QByteArray> AES256DecryptWithKey(const QByteArray& data, const QString& passphrase);

// Small edits
/*! The bytes before the first occurrence of the byte; the whole buffer when it does not occur. */
QByteArray subdataUntilByte(const QByteArray& data, char byte);
QByteArray dataByRemovingNilCharacters(const QByteArray& data);
void appendString(QByteArray& data, const QString& string);
template <typename... Args>
void appendFormat(QByteArray& data, const QString& format, const Args&... arguments) {
    appendString(data, Platform::stringWithFormat(format, arguments...));
}
/*! Removes the first index bytes from the buffer and answers them; index past the end is a programming
    error ("split postion out of range"). */
QByteArray splitAtPosition(QByteArray& data, qsizetype index);

// Ascii85 (btoa) without the "<~" "~>" brackets and without line breaks.
QString ascii85String(const QByteArray& data);

/*! Why an Ascii85 text could not be decoded (the error is named "ASCII85Error"). */
struct Ascii85Error {
    QString name = QStringLiteral("ASCII85Error");
    QString reason;
};
/*! The decoded bytes, or std::nullopt with *error set for text that is not Ascii85: a character outside
    "!" to "u" (blanks and line breaks included), "z" inside a group, or a group whose value exceeds
    32 bits. No partial result is returned. */
std::optional<QByteArray> initWithASCII85String(const QString& string, Ascii85Error* error = nullptr);

} // namespace ZRData
