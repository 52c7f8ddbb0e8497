#include "ZRKit/ZRData.h"

#include "Platform/Assert.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace ZRData {

QString base64EncodedStringWithNewlines(const QByteArray& data, bool newlines) {
    const QByteArray encoded = data.toBase64();
    if (!newlines || encoded.size() <= 64)
        return QString::fromLatin1(encoded);
    QByteArray wrapped;
    wrapped.reserve(encoded.size() + encoded.size() / 64);
    for (qsizetype start = 0; start < encoded.size(); start += 64) {
        if (start > 0)
            wrapped.append('\n');
        wrapped.append(encoded.mid(start, 64));
    }
    return QString::fromLatin1(wrapped);
}

QString base64EncodedString(const QByteArray& data) {
    return base64EncodedStringWithNewlines(data, true);
}
QString dataByEncodingBase64(const QByteArray& data) {
    return base64EncodedString(data);
}
QString dataByEncodingBase64WithNewlines(const QByteArray& data, bool newlines) {
    return base64EncodedStringWithNewlines(data, newlines);
}

std::optional<QByteArray> dataFromBase64String(const QString& string) {
    QByteArray alphabet;
    const QByteArray utf8 = string.toUtf8();
    alphabet.reserve(utf8.size());
    for (const char c : utf8) {
        const bool valid = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '+' || c == '/' || c == '=';
        if (valid)
            alphabet.append(c);
    }
    if (alphabet.size() % 4 != 0)
        return std::nullopt;
    auto result = QByteArray::fromBase64Encoding(alphabet, QByteArray::AbortOnBase64DecodingErrors);
    if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
        return std::nullopt;
    return result.decoded;
}

QByteArray md5Digest(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}
QByteArray sha1Digest(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha1);
}
QByteArray sha256Digest(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}
QByteArray sha512Digest(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha512);
}
QString md5DigestString(const QByteArray& data) {
    return QString::fromLatin1(md5Digest(data).toHex());
}
QString sha1DigestString(const QByteArray& data) {
    return QString::fromLatin1(sha1Digest(data).toHex());
}
QString sha256DigestString(const QByteArray& data) {
    return QString::fromLatin1(sha256Digest(data).toHex());
}
QString sha512DigestString(const QByteArray& data) {
    return QString::fromLatin1(sha512Digest(data).toHex());
}

namespace {

std::optional<QByteArray> aes256(const QByteArray& data, const QString& passphrase, bool encrypt) {
    std::array<unsigned char, 32> key{};
    const QByteArray utf8 = passphrase.toUtf8();
    std::copy_n(utf8.constData(), std::min<qsizetype>(utf8.size(), 32), key.begin());
    const std::array<unsigned char, 16> iv{};

    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    if (!context || data.size() > std::numeric_limits<int>::max() - 32)
        return std::nullopt;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv.data(),
                          encrypt ? 1 : 0) != 1)
        return std::nullopt;
    QByteArray output(data.size() + 16, Qt::Uninitialized);
    int written = 0;
    int finalWritten = 0;
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    if (EVP_CipherUpdate(context.get(), out, &written,
                         reinterpret_cast<const unsigned char*>(data.constData()),
                         static_cast<int>(data.size())) != 1)
        return std::nullopt;
    if (EVP_CipherFinal_ex(context.get(), out + written, &finalWritten) != 1)
        return std::nullopt;
    output.truncate(written + finalWritten);
    return output;
}

} // namespace

std::optional<QByteArray> AES256EncryptWithKey(const QByteArray& data, const QString& passphrase) {
    return aes256(data, passphrase, true);
}

std::optional<QByteArray> AES256DecryptWithKey(const QByteArray& data, const QString& passphrase) {
    return aes256(data, passphrase, false);
}

QByteArray subdataUntilByte(const QByteArray& data, char byte) {
    const qsizetype index = data.indexOf(byte);
    return index < 0 ? data : data.left(index);
}

QByteArray dataByRemovingNilCharacters(const QByteArray& data) {
    QByteArray result = data;
    result.replace(QByteArray(1, '\0'), QByteArray());
    return result;
}

void appendString(QByteArray& data, const QString& string) {
    data.append(string.toUtf8());
}

QByteArray splitAtPosition(QByteArray& data, qsizetype index) {
    Platform::parameterAssert(index >= 0 && index <= data.size(), "split postion out of range");
    QByteArray head = data.left(index);
    data.remove(0, index);
    return head;
}

QString ascii85String(const QByteArray& data) {
    QString result;
    result.reserve(data.size() / 4 * 5 + 5);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    for (qsizetype i = 0; i < size; i += 4) {
        const qsizetype n = std::min<qsizetype>(4, size - i);
        quint32 value = 0;
        for (qsizetype k = 0; k < 4; ++k)
            value = (value << 8) | (k < n ? bytes[i + k] : 0u);
        if (n == 4 && value == 0) {
            result.append(QLatin1Char('z'));
            continue;
        }
        char digits[5];
        for (int k = 4; k >= 0; --k) {
            digits[k] = static_cast<char>(value % 85 + 33);
            value /= 85;
        }
        result.append(QLatin1String(digits, n + 1));
    }
    return result;
}

std::optional<QByteArray> initWithASCII85String(const QString& string, Ascii85Error* error) {
    auto fail = [error](const QString& reason) -> std::optional<QByteArray> {
        if (error)
            error->reason = reason;
        return std::nullopt;
    };
    for (const QChar c : string)
        if (c.unicode() > 127)
            return fail(QStringLiteral("ASCII85: the text is not ASCII"));

    static constexpr quint64 weights[5] = {85ull * 85 * 85 * 85, 85ull * 85 * 85, 85ull * 85, 85ull, 1ull};
    QByteArray result;
    result.reserve(string.size() / 5 * 4 + 4);
    quint64 tuple = 0;
    int count = 0;
    auto appendTuple = [&result](quint64 value, int bytes) {
        for (int k = 0; k < bytes; ++k)
            result.append(static_cast<char>((value >> (24 - 8 * k)) & 0xFF));
    };
    for (const QChar qc : string) {
        const char16_t c = qc.unicode();
        if (c == u'z') {
            if (count != 0)
                return fail(QStringLiteral("ASCII85: z inside ascii85 5-tuple"));
            result.append(4, '\0');
            continue;
        }
        if (c < u'!' || c > u'u')
            return fail(QStringLiteral("ASCII85: bad character in ascii85 string: %1")
                            .arg(QStringLiteral("0") + QString::number(c, 8)));
        tuple += (c - 33) * weights[count];
        if (++count == 5) {
            if (tuple > 0xFFFFFFFFull)
                return fail(QStringLiteral("ASCII85: ascii85 5-tuple out of range"));
            appendTuple(tuple, 4);
            tuple = 0;
            count = 0;
        }
    }
    if (count >= 2) {
        tuple += weights[count - 1];
        if (tuple > 0xFFFFFFFFull)
            return fail(QStringLiteral("ASCII85: ascii85 5-tuple out of range"));
        appendTuple(tuple, count - 1);
    }
    return result;
}

} // namespace ZRData
