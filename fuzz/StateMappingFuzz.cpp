// The status-image mapping from a property-list file: reading never crashes, every top-level key becomes
// one entry in file order, and the images it names are found again.
#include "FuzzSupport.h"
#include "Model/StateMapping.h"
#include "Platform/PropertyList.h"

#include <QFile>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::scratchFolder() + QStringLiteral("/StateMapping.plist");
    if (!FuzzSupport::writeFile(path, FuzzSupport::bytes(data, size)))
        return 0;
    QString error;
    const std::optional<StateMapping> mapping = StateMapping::load(path, &error);
    if (!mapping) {
        FuzzSupport::check(!error.isEmpty(), "a refused mapping says why");
        return 0;
    }
    QStringList keys;
    const std::optional<QVariantMap> dictionary =
        Platform::PropertyList::readDictionaryFile(path, nullptr, &keys);
    FuzzSupport::check(dictionary.has_value(), "an accepted mapping is a dictionary");
    FuzzSupport::check(mapping->entries().size() == keys.size(), "one entry per key");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const StateMapping::Entry& entry = mapping->entries().at(i);
        FuzzSupport::check(entry.statusName == keys.at(i), "entries keep the file order");
        const std::optional<QString> image = mapping->imageName(entry.statusName, entry.categoryKey);
        if (entry.image) {
            // The first entry of that name with an image decides.
            FuzzSupport::check(image.has_value(), "a status with an image finds one");
        }
    }
    mapping->imageName(std::nullopt, QStringLiteral("new"));
    return 0;
}
