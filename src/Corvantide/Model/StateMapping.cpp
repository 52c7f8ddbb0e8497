#include "Model/StateMapping.h"

#include "Platform/Bundle.h"
#include "Platform/PropertyList.h"
#include "Platform/SystemLog.h"

#include <algorithm>

std::optional<StateMapping> StateMapping::load(const QString& path, QString* errorMessage) {
    QStringList order;
    const std::optional<QVariantMap> dictionary =
        Platform::PropertyList::readDictionaryFile(path, errorMessage, &order);
    if (!dictionary)
        return std::nullopt;

    StateMapping mapping;
    for (const QString& name : order) {
        const QVariant value = dictionary->value(name);
        if (value.typeId() != QMetaType::QVariantMap) {
            if (errorMessage != nullptr)
                *errorMessage = QStringLiteral("the entry '%1' is not a dictionary").arg(name);
            return std::nullopt;
        }
        const QVariantMap strings = value.toMap();
        for (auto it = strings.begin(); it != strings.end(); ++it) {
            if (it.value().typeId() != QMetaType::QString) {
                if (errorMessage != nullptr)
                    *errorMessage =
                        QStringLiteral("the value '%1' of '%2' is not a string").arg(it.key(), name);
                return std::nullopt;
            }
        }
        Entry entry{name, {}, {}};
        if (strings.contains(QStringLiteral("image")))
            entry.image = strings.value(QStringLiteral("image")).toString();
        if (strings.contains(QStringLiteral("categoryKey")))
            entry.categoryKey = strings.value(QStringLiteral("categoryKey")).toString();
        mapping.m_entries.append(entry);
    }
    return mapping;
}

const std::optional<StateMapping>& StateMapping::application() {
    static const std::optional<StateMapping> mapping = [] {
        const QString path = Platform::Bundle::mainBundle().pathForResource(QStringLiteral("StateMapping"),
                                                                            QStringLiteral("plist"));
        QString error;
        std::optional<StateMapping> loaded = path.isNull() ? std::nullopt : load(path, &error);
        if (!loaded)
            Platform::SystemLog::log(QStringLiteral("Could not load StateMapping.plist") +
                                     (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return loaded;
    }();
    return mapping;
}

std::optional<QString> StateMapping::imageName(const std::optional<QString>& statusName,
                                               const std::optional<QString>& categoryKey) const {
    if (statusName) {
        for (const Entry& entry : m_entries) {
            if (entry.statusName == *statusName && entry.image)
                return entry.image;
        }
    }
    if (categoryKey) {
        // The first entry of the category decides; without an image it gives nothing and "Unknown" follows.
        const auto entry = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& candidate) {
            return candidate.categoryKey == *categoryKey;
        });
        if (entry != m_entries.end() && entry->image)
            return entry->image;
    }
    for (const Entry& entry : m_entries) {
        if (entry.statusName == u"Unknown" && entry.image)
            return entry.image;
    }
    Platform::SystemLog::log(QStringLiteral("Could not get key 'Unknown' from StateMapping"));
    return std::nullopt;
}
