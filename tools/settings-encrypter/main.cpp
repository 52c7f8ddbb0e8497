// Encrypts the application's settings property list for the settings key, so that the built bundle
// carries it as Resources/jira.enc:
//   encrypt-settings (--private-key KEY.der | --public-key KEY.der) --in SETTINGS.plist --out jira.enc
// The key is DER: PKCS#8 for a private key (its public half is used), SubjectPublicKeyInfo for a public
// one. The settings must be a dictionary with the keys the application reads.
#include "Crypto/ZRCrypter.h"
#include "Platform/PropertyList.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "encrypt-settings: %s\n", qPrintable(message));
    return 1;
}

/*! What is wrong with the settings, or an empty string. */
QString checkSettings(const QVariantMap& settings) {
    for (const char* key : {"jiraClientID", "jiraClientSecret", "jiraCallbackURL", "sentryDSN"}) {
        const QVariant value = settings.value(QLatin1String(key));
        if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
            return QStringLiteral("\"%1\" must be a non-empty string").arg(QLatin1String(key));
    }
    const QVariant scopes = settings.value(QStringLiteral("jiraAuthenticationScopes"));
    if (scopes.typeId() != QMetaType::QVariantList)
        return QStringLiteral("\"jiraAuthenticationScopes\" must be an array of strings");
    for (const QVariant& scope : scopes.toList()) {
        if (scope.typeId() != QMetaType::QString)
            return QStringLiteral("\"jiraAuthenticationScopes\" must be an array of strings");
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString keyPath;
    bool isPublicKey = false;
    QString inputPath;
    QString outputPath;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
        const QString& option = arguments[i];
        if (option == u"--private-key" || option == u"--public-key") {
            keyPath = arguments[i + 1];
            isPublicKey = option == u"--public-key";
        } else if (option == u"--in") {
            inputPath = arguments[i + 1];
        } else if (option == u"--out") {
            outputPath = arguments[i + 1];
        } else {
            return fail(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (keyPath.isEmpty() || inputPath.isEmpty() || outputPath.isEmpty() || arguments.size() % 2 != 0)
        return fail(QStringLiteral("usage: encrypt-settings (--private-key KEY.der | --public-key KEY.der) "
                                   "--in SETTINGS.plist --out FILE"));

    QString error;
    const std::optional<QVariantMap> settings = Platform::PropertyList::readDictionaryFile(inputPath, &error);
    if (!settings)
        return fail(QStringLiteral("%1: %2").arg(inputPath, error));
    if (const QString problem = checkSettings(*settings); !problem.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(inputPath, problem));

    const std::optional<QByteArray> key = zrCreateDataFromFile(keyPath);
    const std::optional<QByteArray> plain = zrCreateDataFromFile(inputPath);
    if (!key || !plain)
        return fail(QStringLiteral("cannot read %1").arg(!key ? keyPath : inputPath));
    ZRCrypter* crypter = ZRCrypterNewWithData(key->constData(), uint32_t(key->size()), isPublicKey);
    const std::optional<QByteArray> encrypted = ZRCreateEncryptedDataFromData(crypter, *plain);
    ZRCrypterFree(crypter);
    if (!encrypted)
        return fail(QStringLiteral("cannot encrypt with the key %1").arg(keyPath));

    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(*encrypted) != encrypted->size() ||
        !output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, output.errorString()));
    return 0;
}
