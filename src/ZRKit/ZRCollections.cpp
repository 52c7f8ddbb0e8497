#include "ZRKit/ZRCollections.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "ZRKit/ZRKeyValue.h"
#include "ZRKit/ZRString.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

QVariant deepMutable(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantList:
        return ZRArray::dnMakeMutableArrayDeep(value.toList());
    case QMetaType::QStringList:
        return value.toList();
    case QMetaType::QVariantMap:
        return ZRDictionary::dnMakeMutableDictionaryDeep(value.toMap());
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return ZRDictionary::dnMakeMutableDictionaryDeep(map);
    }
    case QMetaType::QJsonArray:
        return ZRArray::dnMakeMutableArrayDeep(value.toJsonArray().toVariantList());
    case QMetaType::QJsonObject:
        return ZRDictionary::dnMakeMutableDictionaryDeep(value.toJsonObject().toVariantMap());
    default:
        return value;
    }
}

} // namespace

namespace ZRArray {

QVariantList objectsWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                           const QVariant& value) {
    QVariantList result;
    for (const QVariant& element : array)
        if (ZRKeyValue::isEqual(ZRKeyValue::valueForKey(element, key), value))
            result.append(element);
    return result;
}

QVariant firstObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                           const QVariant& value) {
    const qsizetype index = indexOfFirstObjectWithValueForKeyEqualTo(array, key, value);
    return index == NotFound ? QVariant() : array.at(index);
}

QVariant firstObjectWithValueForKeyPathEqualTo(const QVariantList& array, const QString& keyPath,
                                               const QVariant& value) {
    for (const QVariant& element : array)
        if (ZRKeyValue::isEqual(ZRKeyValue::valueForKeyPath(element, keyPath), value))
            return element;
    return QVariant();
}

qsizetype indexOfFirstObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                                   const QVariant& value) {
    for (qsizetype i = 0; i < array.size(); ++i)
        if (ZRKeyValue::isEqual(ZRKeyValue::valueForKey(array.at(i), key), value))
            return i;
    return NotFound;
}

QVariant lastObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                          const QVariant& value) {
    for (qsizetype i = array.size() - 1; i >= 0; --i)
        if (ZRKeyValue::isEqual(ZRKeyValue::valueForKey(array.at(i), key), value))
            return array.at(i);
    return QVariant();
}

QVariantList arrayByMergingObjectValuesForKey(const QVariantList& array, const QString& key) {
    QVariantList result;
    for (const QVariant& element : array) {
        const QVariant value = ZRKeyValue::valueForKey(element, key);
        if (value.isValid() && !value.isNull())
            result.append(value);
    }
    return result;
}

bool containsAllObjectsFromArray(const QVariantList& array, const QVariantList& other) {
    return std::all_of(other.cbegin(), other.cend(), [&array](const QVariant& wanted) {
        return std::any_of(array.cbegin(), array.cend(), [&wanted](const QVariant& element) {
            return ZRKeyValue::isEqual(element, wanted);
        });
    });
}

bool allObjectsHaveEqualValuesForKeys(const QVariantList& array, const QStringList& keyPaths) {
    if (array.isEmpty())
        return true;
    auto missing = [](const QVariant& v) { return !v.isValid() || v.isNull(); };
    for (const QString& keyPath : keyPaths) {
        const QVariant reference = ZRKeyValue::valueForKeyPath(array.first(), keyPath);
        for (const QVariant& element : array) {
            const QVariant value = ZRKeyValue::valueForKeyPath(element, keyPath);
            if (missing(value) && missing(reference))
                continue;
            if (missing(value) != missing(reference) || !ZRKeyValue::isEqual(value, reference))
                return false;
        }
    }
    return true;
}

void setObjectValuesForKeysWithDictionary(QVariantList& array, const QVariantMap& values) {
    for (QVariant& element : array)
        ZRKeyValue::setValuesForKeysWithDictionary(element, values);
}

QVariantList sortedArrayByLocalizedStringValue(const QVariantList& array) {
    QVariantList sorted = array;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QVariant& a, const QVariant& b) {
        return ZRString::compareByLocalizedStringValue(a.toString(), b.toString()) < 0;
    });
    return sorted;
}

QVariantList sortedArrayByIntValue(const QVariantList& array) {
    QVariantList sorted = array;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QVariant& a, const QVariant& b) { return a.toLongLong() < b.toLongLong(); });
    return sorted;
}

QString localizedComponentsFromTableJoinedByString(const QVariantList& array, const QString& table,
                                                   const QString& separator) {
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    QStringList parts;
    parts.reserve(array.size());
    for (const QVariant& element : array)
        parts.append(bundle.localizedString(element.toString(), QString(), table));
    return parts.join(separator);
}

QString localizedComponentsJoinedByString(const QVariantList& array, const QString& separator) {
    return localizedComponentsFromTableJoinedByString(array, QString(), separator);
}

QList<QVariantList> splitIntoSubarrays(const QVariantList& array, qsizetype n) {
    Platform::parameterAssert(n >= 1, "number of subarrays has to be greater than zero");
    const qsizetype k = std::min(n, array.size());
    QList<QVariantList> result(k);
    for (qsizetype i = 0; i < array.size(); ++i)
        result[i % k].append(array.at(i));
    return result;
}

QList<QVariantList> splitIntoContinousSubarrays(const QVariantList& array, qsizetype n) {
    Platform::parameterAssert(n >= 1, "number of subarrays has to be greater than zero");
    const qsizetype k = std::min(n, array.size());
    QList<QVariantList> result(k);
    if (k == 0)
        return result;
    const qsizetype chunk = array.size() / k;
    for (qsizetype i = 0; i < array.size(); ++i)
        result[std::min(i / chunk, k - 1)].append(array.at(i));
    return result;
}

QList<QVariantList> splitIntoSubarraysOfMaxLength(const QVariantList& array, qsizetype m) {
    if (array.size() <= m || array.isEmpty())
        return {array};
    Platform::parameterAssert(m >= 1, "maximum length has to be greater than zero");
    QList<QVariantList> result;
    for (qsizetype start = 0; start < array.size(); start += m)
        result.append(array.mid(start, m));
    return result;
}

QVariantList dnMakeMutableArrayDeep(const QVariantList& array) {
    QVariantList copy;
    copy.reserve(array.size());
    for (const QVariant& element : array)
        copy.append(deepMutable(element));
    return copy;
}

} // namespace ZRArray

namespace ZRDictionary {

QVariantMap dnMakeMutableDictionaryDeep(const QVariantMap& dictionary) {
    QVariantMap copy;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        copy.insert(it.key(), deepMutable(it.value()));
    return copy;
}

QVariantMap dictionaryBySettingObjectForKey(const QVariantMap& dictionary, const QVariant& object,
                                            const QString& key) {
    QVariantMap copy = dictionary;
    copy.insert(key, object);
    return copy;
}

QString sortedURLParameterString(const QVariantMap& dictionary) {
    QStringList pairs;
    // QVariantMap keeps its keys sorted.
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        pairs.append(ZRString::stringByAddingURLParameterPercentEscapes(it.key()) + QLatin1Char('=') +
                     ZRString::stringByAddingURLParameterPercentEscapes(it.value().toString()));
    return pairs.join(QLatin1Char('&'));
}

void setObjectForKeyIfNotExistant(QVariantMap& dictionary, const QVariant& object, const QString& key) {
    const auto it = dictionary.constFind(key);
    if (it == dictionary.cend() || !it->isValid() || it->isNull())
        dictionary.insert(key, object);
}

} // namespace ZRDictionary
