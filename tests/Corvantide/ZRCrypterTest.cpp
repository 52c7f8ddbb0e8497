#include "Crypto/ZRCrypter.h"
#include "Crypto/SettingsKey.h"
#include "Crypto/ZRHXExtension.h"

#include "Platform/PropertyList.h"

#include "TestUtils.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <openssl/ec.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <gtest/gtest.h>

namespace {

struct Crypter {
    explicit Crypter(const QByteArray& key, bool isPublicKey = false)
        : crypter(ZRCrypterNewWithData(key.constData(), uint32_t(key.size()), isPublicKey)) {}
    ~Crypter() { ZRCrypterFree(crypter); }
    Crypter(const Crypter&) = delete;
    Crypter& operator=(const Crypter&) = delete;
    ZRCrypter* crypter;
};

QByteArray settingsKey() {
    return QByteArray(reinterpret_cast<const char*>(ZRSettingsKey), ZRSettingsKeyLength);
}

QByteArray publicHalf(const QByteArray& privateKey) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(privateKey.constData());
    EVP_PKEY* key = d2i_AutoPrivateKey(nullptr, &bytes, long(privateKey.size()));
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key, &der);
    QByteArray result(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    EVP_PKEY_free(key);
    return result;
}

QByteArray randomBytes(qsizetype count) {
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

QString tool() {
    return QStringLiteral(CORVANTIDE_BINARY_DIR "/tools/settings-encrypter/encrypt-settings");
}

int runTool(const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess process;
    process.start(tool(), arguments);
    process.waitForFinished();
    if (errors != nullptr)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(ZRCrypterTest, EncryptsInModulusBlocksAndDecryptsBack) {
    Crypter privateKey(settingsKey());
    Crypter publicKey(publicHalf(settingsKey()), true);
    for (const qsizetype size : {1, 244, 245, 246, 490, 3000}) {
        const QByteArray plain = randomBytes(size);
        const std::optional<QByteArray> encrypted = ZRCreateEncryptedDataFromData(publicKey.crypter, plain);
        ASSERT_TRUE(encrypted.has_value());
        EXPECT_EQ(encrypted->size(), (size + 244) / 245 * 256) << size;
        EXPECT_EQ(ZRCreateDecryptedDataFromData(privateKey.crypter, *encrypted), plain) << size;
    }
    // The private key encrypts with its public half too (the build tool is given the private key).
    const std::optional<QByteArray> encrypted = ZRCreateEncryptedDataFromData(privateKey.crypter, "settings");
    ASSERT_TRUE(encrypted.has_value());
    EXPECT_EQ(ZRCreateDecryptedDataFromData(privateKey.crypter, *encrypted), QByteArray("settings"));
}

TEST(ZRCrypterTest, RejectsDataThatIsNotCiphertextForTheKey) {
    Crypter privateKey(settingsKey());
    EXPECT_FALSE(ZRCreateDecryptedDataFromData(privateKey.crypter, randomBytes(512)).has_value());
    EXPECT_FALSE(ZRCreateDecryptedDataFromData(privateKey.crypter, randomBytes(300)).has_value());
    EXPECT_FALSE(ZRCreateDecryptedDataFromData(privateKey.crypter, QByteArray()).has_value());

    Crypter garbage(randomBytes(64));
    EXPECT_EQ(ZRCrypterCopyKey(garbage.crypter), nullptr);
    Crypter publicAsPrivate(publicHalf(settingsKey()));
    EXPECT_EQ(ZRCrypterCopyKey(publicAsPrivate.crypter), nullptr);
    EXPECT_FALSE(ZRCreateEncryptedDataFromData(garbage.crypter, "x").has_value());
}

TEST(ZRCrypterTest, TakesAnRsaPrivateKeyInEitherDerFormAndRefusesOtherKinds) {
    const QByteArray keyBytes = settingsKey();
    const auto* bytes = reinterpret_cast<const unsigned char*>(keyBytes.constData());
    EVP_PKEY* rsa = d2i_AutoPrivateKey(nullptr, &bytes, long(keyBytes.size()));
    ASSERT_NE(rsa, nullptr);
    const auto encoded = [](EVP_PKEY* key, const char* structure) {
        OSSL_ENCODER_CTX* context =
            OSSL_ENCODER_CTX_new_for_pkey(key, EVP_PKEY_KEYPAIR, "DER", structure, nullptr);
        unsigned char* out = nullptr;
        size_t length = 0;
        const bool done = context != nullptr && OSSL_ENCODER_to_data(context, &out, &length) == 1;
        OSSL_ENCODER_CTX_free(context);
        QByteArray result =
            done ? QByteArray(reinterpret_cast<const char*>(out), qsizetype(length)) : QByteArray();
        OPENSSL_free(out);
        return result;
    };
    const QByteArray pkcs1 = encoded(rsa, "type-specific"); // RSAPrivateKey
    ASSERT_FALSE(pkcs1.isEmpty());
    const QByteArray pkcs8 = encoded(rsa, "PrivateKeyInfo");
    EVP_PKEY_free(rsa);
    ASSERT_NE(pkcs1, pkcs8);
    for (const QByteArray& form : {pkcs1, pkcs8}) {
        Crypter crypter(form);
        EVP_PKEY* key = ZRCrypterCopyKey(crypter.crypter);
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(EVP_PKEY_is_a(key, "RSA"));
        EVP_PKEY_free(key);
        const auto sealed = ZRCreateEncryptedDataFromData(crypter.crypter, "secret");
        ASSERT_TRUE(sealed.has_value());
        EXPECT_EQ(ZRCreateDecryptedDataFromData(crypter.crypter, *sealed), QByteArray("secret"));
    }

    EVP_PKEY* ec = EVP_EC_gen("P-256");
    ASSERT_NE(ec, nullptr);
    const QByteArray ecKey = encoded(ec, "PrivateKeyInfo");
    ASSERT_FALSE(ecKey.isEmpty());
    EVP_PKEY_free(ec);
    Crypter notRsa(ecKey);
    EXPECT_EQ(ZRCrypterCopyKey(notRsa.crypter), nullptr);
}

TEST(ZRCrypterDeathTest, AKeyThatCannotBeLoadedEndsTheProcessWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Crypter garbage(QByteArray("not a key"));
            ZRCreateDecryptedDataFromData(garbage.crypter, QByteArray(256, 'x'));
        },
        ::testing::ExitedWithCode(1), "key import failed");
    EXPECT_DEATH(ZRCrypterNewWithData(nullptr, 3, false), "NULL != data");
}

TEST(ZRCrypterTest, ReadsDecryptsAndParsesAPropertyList) {
    QTemporaryDir dir;
    Crypter privateKey(settingsKey());
    const auto write = [&](const char* name, const QVariant& value) {
        const QString path = dir.filePath(QLatin1String(name));
        TestUtils::writeFile(
            path, *ZRCreateEncryptedDataFromData(privateKey.crypter, Platform::PropertyList::write(value)));
        return path;
    };
    const QVariantMap dictionary{{"a", 1}, {"b", QVariantList{QStringLiteral("x")}}};
    const QString dictionaryPath = write("dictionary.enc", dictionary);
    int typeID = QMetaType::Nullptr;
    EXPECT_EQ(ZRCCreateDecryptedPropertyList(privateKey.crypter, dictionaryPath, &typeID).toMap(),
              dictionary);
    EXPECT_EQ(typeID, QMetaType::QVariantMap);
    EXPECT_EQ(ZRCCreateDecryptedPropertyList(privateKey.crypter, dictionaryPath, nullptr).toMap(),
              dictionary);

    const QString arrayPath = write("array.enc", QVariantList{1, 2});
    EXPECT_TRUE(ZRCCreateDecryptedPropertyList(privateKey.crypter, arrayPath, &typeID).isValid());
    EXPECT_EQ(typeID, QMetaType::QVariantList);

    typeID = QMetaType::Nullptr;
    const QString notAPlist = dir.filePath(QStringLiteral("text.enc"));
    TestUtils::writeFile(notAPlist, *ZRCreateEncryptedDataFromData(privateKey.crypter, "just text"));
    EXPECT_FALSE(ZRCCreateDecryptedPropertyList(privateKey.crypter, notAPlist, &typeID).isValid());
    EXPECT_FALSE(
        ZRCCreateDecryptedPropertyList(privateKey.crypter, dir.filePath(QStringLiteral("none")), &typeID)
            .isValid());
    EXPECT_FALSE(ZRCCreateDecryptedPropertyList(privateKey.crypter, dir.path(), &typeID).isValid());
    EXPECT_EQ(typeID, QMetaType::Nullptr) << "left alone when nothing was parsed";
    EXPECT_FALSE(zrCreateDataFromFile(dir.path()).has_value());
}

TEST(SettingsEncrypterTest, OutputDecryptsToTheSameDictionary) {
    QTemporaryDir dir;
    const QString settings = TestUtils::sourcePath(QStringLiteral("resources/dev/jira-settings.plist"));
    const QString keyPath = TestUtils::sourcePath(QStringLiteral("resources/dev/settings-key.der"));
    const QString output = dir.filePath(QStringLiteral("jira.enc"));
    ASSERT_EQ(runTool({"--private-key", keyPath, "--in", settings, "--out", output}), 0);

    Crypter privateKey(settingsKey());
    int typeID = QMetaType::Nullptr;
    const QVariant decrypted = ZRCCreateDecryptedPropertyList(privateKey.crypter, output, &typeID);
    EXPECT_EQ(typeID, QMetaType::QVariantMap);
    EXPECT_EQ(decrypted.toMap(), *Platform::PropertyList::readDictionaryFile(settings));
    EXPECT_EQ(decrypted.toMap().value(QStringLiteral("jiraAuthenticationScopes")).toStringList(),
              (QStringList{"read:jira-work", "read:jira-user", "read:board-scope:jira-software",
                           "read:sprint:jira-software", "read:project:jira", "offline_access"}));

    const QString publicKey = dir.filePath(QStringLiteral("public.der"));
    TestUtils::writeFile(publicKey, publicHalf(settingsKey()));
    const QString viaPublic = dir.filePath(QStringLiteral("public.enc"));
    ASSERT_EQ(runTool({"--public-key", publicKey, "--in", settings, "--out", viaPublic}), 0);
    EXPECT_EQ(ZRCCreateDecryptedPropertyList(privateKey.crypter, viaPublic, nullptr).toMap(),
              decrypted.toMap());
}

TEST(SettingsEncrypterTest, RefusesBadInputWithAClearMessageAndWritesNothing) {
    QTemporaryDir dir;
    const QString keyPath = TestUtils::sourcePath(QStringLiteral("resources/dev/settings-key.der"));
    const QString output = dir.filePath(QStringLiteral("jira.enc"));
    const auto plist = [&](const char* name, const QVariant& value) {
        const QString path = dir.filePath(QLatin1String(name));
        Platform::PropertyList::writeFile(path, value);
        return path;
    };
    QByteArray errors;
    EXPECT_NE(
        runTool({"--private-key", keyPath, "--in", plist("array.plist", QVariantList{1}), "--out", output},
                &errors),
        0);
    EXPECT_TRUE(errors.contains("dictionary")) << errors.constData();

    const QString incomplete = plist("incomplete.plist", QVariantMap{{"jiraClientID", "id"}});
    EXPECT_NE(runTool({"--private-key", keyPath, "--in", incomplete, "--out", output}, &errors), 0);
    EXPECT_TRUE(errors.contains("\"jiraClientSecret\" must be a non-empty string")) << errors.constData();

    const QString settings = TestUtils::sourcePath(QStringLiteral("resources/dev/jira-settings.plist"));
    EXPECT_NE(runTool({"--private-key", settings, "--in", settings, "--out", output}, &errors), 0);
    EXPECT_TRUE(errors.contains("cannot encrypt")) << errors.constData();
    EXPECT_NE(runTool({"--in", settings}, &errors), 0);
    EXPECT_TRUE(errors.contains("usage")) << errors.constData();
    EXPECT_FALSE(QFile::exists(output));
}

TEST(ZRHXExtensionTest, HexDigitsToBytesAndBack) {
    EXPECT_EQ(ZRData::dataWithHexString(QStringLiteral("0A ff\n1b-C3")), QByteArray::fromHex("0aff1bc3"));
    EXPECT_EQ(ZRData::dataWithHexString(QStringLiteral("abc")), QByteArray()) << "odd number of digits";
    EXPECT_EQ(ZRData::dataWithHexString(QStringLiteral("xyz!")), QByteArray());
    EXPECT_EQ(ZRData::hexString(QByteArray("\x00\x7f\xff", 3)), QStringLiteral("007fff"));
    EXPECT_EQ(ZRData::hexString(QByteArray()), QString());
    EXPECT_EQ(valueForHexCharacter('F'), 15);
    EXPECT_EQ(valueForHexCharacter('7'), 7);

    QString digits = QStringLiteral("stale");
    qsizetype location = 2;
    EXPECT_TRUE(ZRScanner::scanAllHexCharactersIntoString(QStringLiteral("0x1g2 3"), location, &digits));
    EXPECT_EQ(digits, QStringLiteral("123")) << "from the scan location on";
    EXPECT_EQ(location, 7);
    EXPECT_FALSE(ZRScanner::scanAllHexCharactersIntoString(QStringLiteral("zz"), location = 0, &digits));
    EXPECT_EQ(digits, QString());

    EXPECT_EQ(ZRString::cleanString(QStringLiteral(" a\tb\r\nc ")), QStringLiteral("abc"));
    EXPECT_EQ(ZRString::stringByRemovingCarriageReturnAndLineFeed(QStringLiteral("a b\r\n")),
              QStringLiteral("a b"));
}
