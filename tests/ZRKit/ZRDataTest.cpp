#include "ZRKit/ZRData.h"

#include <gtest/gtest.h>

TEST(ZRDataTest, Base64WrapsAtSixtyFourCharactersAndDecodingSkipsForeignCharacters) {
    EXPECT_FALSE(ZRData::base64EncodedString(QByteArray(48, 'x')).contains(QLatin1Char('\n')));
    const QString wrapped = ZRData::base64EncodedString(QByteArray(49, 'x'));
    EXPECT_EQ(wrapped.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(wrapped.indexOf(QLatin1Char('\n')), 64);
    EXPECT_FALSE(
        ZRData::base64EncodedStringWithNewlines(QByteArray(200, 'x'), false).contains(QLatin1Char('\n')));
    const QByteArray bytes =
        QByteArrayLiteral("\x00\x01\xfe\xffhello world, some longer text to wrap over lines");
    EXPECT_EQ(ZRData::dataFromBase64String(ZRData::base64EncodedString(bytes)), bytes);
    EXPECT_EQ(ZRData::dataFromBase64String(QStringLiteral("aGVs\r\nbG8=")), QByteArray("hello"));
    EXPECT_FALSE(ZRData::dataFromBase64String(QStringLiteral("aGVsbG8")).has_value());
    EXPECT_FALSE(ZRData::dataFromBase64String(QStringLiteral("a===")).has_value());
}

TEST(ZRDataTest, DigestsAreTheStandardOnes) {
    EXPECT_EQ(ZRData::md5DigestString(QByteArray()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(ZRData::sha1DigestString("abc"), QStringLiteral("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(ZRData::sha256DigestString("abc"),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(ZRData::sha512DigestString(QByteArray()).size(), 128);
    EXPECT_EQ(ZRData::sha512Digest("abc").size(), 64);
}

TEST(ZRDataTest, AESRoundTripsAndRefusesTheWrongPassphrase) {
    const auto empty = ZRData::AES256EncryptWithKey(QByteArray(), QStringLiteral("secret"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->size(), 16);
    const QByteArray plain = QByteArrayLiteral("the quick brown fox jumps over the lazy dog");
    const auto cipher = ZRData::AES256EncryptWithKey(plain, QStringLiteral("pässwörd"));
    ASSERT_TRUE(cipher.has_value());
    EXPECT_EQ(cipher->size(), 48);
    EXPECT_EQ(ZRData::AES256DecryptWithKey(*cipher, QStringLiteral("pässwörd")), plain);
    const auto wrong = ZRData::AES256DecryptWithKey(*cipher, QStringLiteral("password"));
    EXPECT_TRUE(!wrong.has_value() || *wrong != plain);
    EXPECT_FALSE(ZRData::AES256DecryptWithKey(QByteArray(15, 'x'), QStringLiteral("k")).has_value());
    // The key is the passphrase padded with zero bytes: a shorter and a zero-padded key are the same.
    EXPECT_EQ(ZRData::AES256EncryptWithKey(plain, QStringLiteral("k")),
              ZRData::AES256EncryptWithKey(plain, QString::fromLatin1("k\0", 2)));
}

TEST(ZRDataTest, Ascii85EncodesTheDocumentedGroups) {
    EXPECT_EQ(ZRData::ascii85String(QByteArray(4, '\0')), QStringLiteral("z"));
    EXPECT_EQ(ZRData::ascii85String(QByteArray(5, '\0')), QStringLiteral("z!!"));
    EXPECT_EQ(ZRData::ascii85String(QByteArray()), QString());
    EXPECT_EQ(ZRData::ascii85String("Man "), QStringLiteral("9jqo^"));
    for (const QByteArray& sample :
         {QByteArray("M"), QByteArray("Ma"), QByteArray("Man"), QByteArray("Man is d"),
          QByteArray("\xff\xff\xff\xff\xff"), QByteArray("\0\0\0\0x", 5)}) {
        const auto back = ZRData::initWithASCII85String(ZRData::ascii85String(sample));
        ASSERT_TRUE(back.has_value()) << sample.toHex().constData();
        EXPECT_EQ(*back, sample);
    }
}

TEST(ZRDataTest, Ascii85DecodingRefusesWhatIsNotAscii85) {
    EXPECT_EQ(ZRData::initWithASCII85String(QStringLiteral("z")), QByteArray(4, '\0'));
    EXPECT_EQ(ZRData::initWithASCII85String(QStringLiteral("!!")), QByteArray(1, '\0'));
    EXPECT_EQ(ZRData::initWithASCII85String(QStringLiteral("!")), QByteArray());

    ZRData::Ascii85Error error;
    EXPECT_FALSE(ZRData::initWithASCII85String(QStringLiteral("9jq o^"), &error).has_value());
    EXPECT_EQ(error.name, QStringLiteral("ASCII85Error"));
    EXPECT_EQ(error.reason, QStringLiteral("ASCII85: bad character in ascii85 string: 040"));
    EXPECT_FALSE(ZRData::initWithASCII85String(QStringLiteral("9jzqo"), &error).has_value());
    EXPECT_EQ(error.reason, QStringLiteral("ASCII85: z inside ascii85 5-tuple"));
    // "s8W-!" is 0xFFFFFFFF; "s8W-\"" and "uuuuu" lie above it and must not wrap around to small values.
    EXPECT_EQ(ZRData::initWithASCII85String(QStringLiteral("s8W-!")), QByteArray(4, '\xff'));
    EXPECT_FALSE(ZRData::initWithASCII85String(QStringLiteral("s8W-\""), &error).has_value());
    EXPECT_FALSE(ZRData::initWithASCII85String(QStringLiteral("uuuuu")).has_value());
    EXPECT_FALSE(ZRData::initWithASCII85String(QStringLiteral("uuu")).has_value());
}

TEST(ZRDataTest, BufferEdits) {
    EXPECT_EQ(ZRData::subdataUntilByte("abc", 'a'), QByteArray());
    EXPECT_EQ(ZRData::subdataUntilByte("abc", 'x'), QByteArray("abc"));
    EXPECT_EQ(ZRData::subdataUntilByte("ab\ncd", '\n'), QByteArray("ab"));
    EXPECT_EQ(ZRData::dataByRemovingNilCharacters(QByteArray("\0\0A\0", 4)), QByteArray("A"));
    QByteArray data("head:tail");
    EXPECT_EQ(ZRData::splitAtPosition(data, 5), QByteArray("head:"));
    EXPECT_EQ(data, QByteArray("tail"));
    ZRData::appendFormat(data, QStringLiteral(" %@=%d"), QStringLiteral("ü"), 7);
    EXPECT_EQ(data, QByteArray("tail \xc3\xbc=7"));
}

TEST(ZRDataDeathTest, SplittingPastTheEndIsAProgrammingError) {
    QByteArray data("abc");
    EXPECT_DEATH(ZRData::splitAtPosition(data, 4), "split postion out of range");
}
