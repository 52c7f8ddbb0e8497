#include "ZRKit/ZRCollections.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "ZRKit/ZRKeyValue.h"
#include "ZRKit/ZRString.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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

namespace {

// A value as integerValue reads it: text by its leading blanks, sign and digits (the rest ignored, too
// many digits held at the limit), a number by its whole part (held at the limits; NaN as 0), else 0.
qint64 integerValue(const QVariant& value) {
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    constexpr qint64 smallest = std::numeric_limits<qint64>::min();
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString();
        qsizetype i = 0;
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        const bool negative = i < text.size() && text.at(i) == QLatin1Char('-');
        if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
            ++i;
        quint64 magnitude = 0;
        const quint64 limit = negative ? quint64(largest) + 1 : quint64(largest);
        for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
            const quint64 digit = quint64(text.at(i).unicode() - u'0');
            magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
        }
        return negative ? (magnitude == quint64(largest) + 1 ? smallest : -qint64(magnitude))
                        : qint64(magnitude);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isnan(number))
            return 0;
        if (number >= 9223372036854775807.0)
            return largest;
        if (number <= -9223372036854775808.0)
            return smallest;
        return static_cast<qint64>(number); // truncated towards zero
    }
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return value.toULongLong() > quint64(largest) ? largest : qint64(value.toULongLong());
    default:
        return value.canConvert<qlonglong>() && value.typeId() != QMetaType::UnknownType ? value.toLongLong()
                                                                                         : 0;
    }
}

} // namespace

QVariantList sortedArrayByIntValue(const QVariantList& array) {
    QList<std::pair<qint64, QVariant>> keyed;
    keyed.reserve(array.size());
    for (const QVariant& element : array)
        keyed.append({integerValue(element), element});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QVariantList sorted;
    sorted.reserve(keyed.size());
    for (const auto& entry : std::as_const(keyed))
        sorted.append(entry.second);
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
