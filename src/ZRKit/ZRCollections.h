#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <limits>

/*! Queries, splits, sorts and deep copies over lists of values, read by key-value access (ZRKeyValue):
    the list helpers of the kit. A value that reads as missing never matches, not even a missing
    comparison value. */
namespace ZRArray {

/*! The index answered when nothing matches. */
inline constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();

QVariantList objectsWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                           const QVariant& value);
/*! The first matching element, or an invalid QVariant. */
QVariant firstObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                           const QVariant& value);
QVariant firstObjectWithValueForKeyPathEqualTo(const QVariantList& array, const QString& keyPath,
                                               const QVariant& value);
qsizetype indexOfFirstObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                                   const QVariant& value);
QVariant lastObjectWithValueForKeyEqualTo(const QVariantList& array, const QString& key,
                                          const QVariant& value);
/*! Every element's value for the key, missing ones left out; a list value stays one element. */
QVariantList arrayByMergingObjectValuesForKey(const QVariantList& array, const QString& key);
bool containsAllObjectsFromArray(const QVariantList& array, const QVariantList& other);
/*! True when, for every key path, every element's value equals the first element's (both missing
    counts as equal here; one missing is not). True for an empty list. */
bool allObjectsHaveEqualValuesForKeys(const QVariantList& array, const QStringList& keyPaths);
/*! Sets the dictionary's values on every element (dictionaries in place, QObjects as properties). */
void setObjectValuesForKeysWithDictionary(QVariantList& array, const QVariantMap& values);

/*! Sorted by the case-insensitive comparison of the elements' localized forms (stable). */
QVariantList sortedArrayByLocalizedStringValue(const QVariantList& array);
/*! Sorted by the elements' integer values, ascending (stable). */
QVariantList sortedArrayByIntValue(const QVariantList& array);
/*! Each element's text localized in the main bundle's table (the default table for an empty one),
    joined with the separator. */
QString localizedComponentsFromTableJoinedByString(const QVariantList& array, const QString& table,
                                                   const QString& separator);
QString localizedComponentsJoinedByString(const QVariantList& array, const QString& separator);

/*! Round robin into min(n, count) lists; n must be at least 1 ("number of subarrays has to be greater
    than zero"). */
QList<QVariantList> splitIntoSubarrays(const QVariantList& array, qsizetype n);
/*! Contiguous runs into min(n, count) lists, the last one taking the remainder. */
QList<QVariantList> splitIntoContinousSubarrays(const QVariantList& array, qsizetype n);
/*! Slices of at most m elements; the list itself when it has at most m. m must be at least 1 for a
    list that is not empty ("maximum length has to be greater than zero"). */
QList<QVariantList> splitIntoSubarraysOfMaxLength(const QVariantList& array, qsizetype m);

/*! A copy whose nested lists and dictionaries (also JSON arrays and objects) are plain, editable
    QVariantLists and QVariantMaps all the way down. */
QVariantList dnMakeMutableArrayDeep(const QVariantList& array);

} // namespace ZRArray

namespace ZRDictionary {

QVariantMap dnMakeMutableDictionaryDeep(const QVariantMap& dictionary);
QVariantMap dictionaryBySettingObjectForKey(const QVariantMap& dictionary, const QVariant& object,
                                            const QString& key);
/*! key=value pairs sorted by key and joined with "&"; every key and value percent-escaped so that
    "&", "=", "+" and "#" in them stay data. */
QString sortedURLParameterString(const QVariantMap& dictionary);
/*! Sets the object only when the key has no value yet. */
void setObjectForKeyIfNotExistant(QVariantMap& dictionary, const QVariant& object, const QString& key);

} // namespace ZRDictionary
