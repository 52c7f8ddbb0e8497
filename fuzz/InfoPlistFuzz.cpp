// A bundle's Info.plist and its localized InfoPlist.strings from outside (an update's bundle is read by the
// updater): the two documents are the input split at its first NUL byte. Reading never crashes, plain values
// stay plain, and a localized value wins only where the localized table has the key.
#include "FuzzSupport.h"
#include "Platform/Bundle.h"
#include "ZRKit/ZRBundle.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const qsizetype split = input.indexOf('\0');
    const QByteArray info = split < 0 ? input : input.left(split);
    const QByteArray strings = split < 0 ? QByteArray() : input.mid(split + 1);

    const QString bundlePath = FuzzSupport::scratchFolder() + QStringLiteral("/Fuzzed.app");
    QDir().mkpath(bundlePath + QStringLiteral("/Resources/en.lproj"));
    if (!FuzzSupport::writeFile(bundlePath + QStringLiteral("/Info.plist"), info) ||
        !FuzzSupport::writeFile(bundlePath + QStringLiteral("/Resources/en.lproj/InfoPlist.strings"),
                                strings))
        return 0;

    const Platform::Bundle bundle(bundlePath, {QStringLiteral("en")});
    const QVariantMap plain = bundle.infoDictionary();
    const QVariantMap localized = bundle.localizedInfoDictionary();
    for (const QString& key : {QStringLiteral("CFBundleName"), QStringLiteral("CFBundleShortVersionString"),
                               QStringLiteral("CFBundleIdentifier")}) {
        const QVariant value = bundle.objectForInfoDictionaryKey(key);
        if (localized.contains(key))
            FuzzSupport::check(value == localized.value(key), "a localized value wins");
        else
            FuzzSupport::check(value == plain.value(key), "otherwise the plain value answers");
    }
    const QVariant version = plain.value(QStringLiteral("CFBundleVersion"));
    FuzzSupport::check(ZRBundle::bundleVersion(bundle) ==
                           (version.isValid() ? version.toString() : QString()),
                       "the bundle version is the plain one");
    ZRBundle::versionInfo(bundle);
    ZRBundle::bundleDisplayName(bundle);
    ZRBundle::humanReadableCopyright(bundle);
    const QString support = ZRBundle::applicationSupportFolder(bundle);
    FuzzSupport::check(!support.isEmpty(), "there is always an Application Support folder");
    bundle.executablePath();
    bundle.localizations();
    return 0;
}
