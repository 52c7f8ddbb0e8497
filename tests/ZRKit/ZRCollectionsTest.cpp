#include "ZRKit/ZRCollections.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

#include <gtest/gtest.h>

namespace {

QVariantMap item(int id, const QVariant& name) {
    QVariantMap map{{QStringLiteral("id"), id}};
    if (name.isValid())
        map.insert(QStringLiteral("name"), name);
    return map;
}

QVariantList letters(int count) {
    QVariantList list;
    for (int i = 0; i < count; ++i)
        list.append(QString(QChar(u'a' + i)));
    return list;
}

QList<QVariantList> split(const QList<QVariantList>& parts) {
    return parts;
}

} // namespace

TEST(ZRCollectionsTest, QueriesMatchByValueAndAMissingValueMatchesNothing) {
    const QVariantList items{item(1, QStringLiteral("x")), item(2, QVariant()), item(3, QStringLiteral("x"))};
    EXPECT_EQ(
        ZRArray::objectsWithValueForKeyEqualTo(items, QStringLiteral("name"), QStringLiteral("x")).size(), 2);
    EXPECT_TRUE(ZRArray::objectsWithValueForKeyEqualTo(items, QStringLiteral("name"), QVariant()).isEmpty());
    EXPECT_EQ(ZRArray::firstObjectWithValueForKeyEqualTo(items, QStringLiteral("name"), QStringLiteral("x"))
                  .toMap()
                  .value(QStringLiteral("id")),
              1);
    EXPECT_EQ(ZRArray::lastObjectWithValueForKeyEqualTo(items, QStringLiteral("name"), QStringLiteral("x"))
                  .toMap()
                  .value(QStringLiteral("id")),
              3);
    EXPECT_EQ(ZRArray::indexOfFirstObjectWithValueForKeyEqualTo({}, QStringLiteral("id"), 1),
              ZRArray::NotFound);
    EXPECT_EQ(ZRArray::indexOfFirstObjectWithValueForKeyEqualTo(items, QStringLiteral("id"), 3), 2);
    EXPECT_EQ(ZRArray::arrayByMergingObjectValuesForKey(items, QStringLiteral("name")).size(), 2);

    QObject object;
    object.setObjectName(QStringLiteral("obj"));
    const QVariantList objects{QVariant::fromValue(&object)};
    EXPECT_TRUE(ZRArray::firstObjectWithValueForKeyEqualTo(objects, QStringLiteral("objectName"),
                                                           QStringLiteral("obj"))
                    .isValid());

    const QVariantMap nested{
        {QStringLiteral("fields"), QVariantMap{{QStringLiteral("key"), QStringLiteral("K-1")}}}};
    EXPECT_TRUE(ZRArray::firstObjectWithValueForKeyPathEqualTo({nested}, QStringLiteral("fields.key"),
                                                               QStringLiteral("K-1"))
                    .isValid());
    EXPECT_TRUE(ZRArray::containsAllObjectsFromArray(letters(3), {}));
    EXPECT_TRUE(ZRArray::containsAllObjectsFromArray(letters(3), {QStringLiteral("c"), QStringLiteral("a")}));
    EXPECT_FALSE(ZRArray::containsAllObjectsFromArray(letters(3), {QStringLiteral("d")}));
}

TEST(ZRCollectionsTest, EqualValuesForKeys) {
    const QVariantList same{item(1, QStringLiteral("x")), item(2, QStringLiteral("x"))};
    EXPECT_TRUE(ZRArray::allObjectsHaveEqualValuesForKeys(same, {QStringLiteral("name")}));
    EXPECT_FALSE(
        ZRArray::allObjectsHaveEqualValuesForKeys(same, {QStringLiteral("name"), QStringLiteral("id")}));
    EXPECT_TRUE(ZRArray::allObjectsHaveEqualValuesForKeys({}, {QStringLiteral("id")}));
    EXPECT_TRUE(ZRArray::allObjectsHaveEqualValuesForKeys(same, {}));
    EXPECT_FALSE(ZRArray::allObjectsHaveEqualValuesForKeys(
        {item(1, QStringLiteral("x")), item(1, QVariant())}, {QStringLiteral("name")}));
    EXPECT_FALSE(ZRArray::allObjectsHaveEqualValuesForKeys(
        {item(1, QVariant()), item(1, QStringLiteral("x"))}, {QStringLiteral("name")}));
}

TEST(ZRCollectionsTest, SplitsFollowTheDocumentedShapes) {
    const QVariantList five = letters(5);
    EXPECT_EQ(split(ZRArray::splitIntoSubarrays(five, 3)),
              (QList<QVariantList>{{QStringLiteral("a"), QStringLiteral("d")},
                                   {QStringLiteral("b"), QStringLiteral("e")},
                                   {QStringLiteral("c")}}));
    EXPECT_EQ(ZRArray::splitIntoSubarrays(letters(2), 3).size(), 2);
    EXPECT_EQ(split(ZRArray::splitIntoContinousSubarrays(five, 2)),
              (QList<QVariantList>{{QStringLiteral("a"), QStringLiteral("b")},
                                   {QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}}));
    const auto ten = ZRArray::splitIntoContinousSubarrays(letters(10), 3);
    ASSERT_EQ(ten.size(), 3);
    EXPECT_EQ(ten[0].size(), 3);
    EXPECT_EQ(ten[1].size(), 3);
    EXPECT_EQ(ten[2].size(), 4);
    EXPECT_EQ(ZRArray::splitIntoSubarraysOfMaxLength(five, 2).size(), 3);
    EXPECT_EQ(ZRArray::splitIntoSubarraysOfMaxLength(five, 2).last(), QVariantList{QStringLiteral("e")});
    EXPECT_EQ(ZRArray::splitIntoSubarraysOfMaxLength(five, 5), QList<QVariantList>{five});
    EXPECT_TRUE(ZRArray::splitIntoSubarrays({}, 2).isEmpty());
    EXPECT_TRUE(ZRArray::splitIntoContinousSubarrays({}, 2).isEmpty());
}

TEST(ZRCollectionsDeathTest, SplittingIntoNoSubarraysIsAProgrammingError) {
    EXPECT_DEATH(ZRArray::splitIntoSubarrays(letters(3), 0),
                 "number of subarrays has to be greater than zero");
    EXPECT_DEATH(ZRArray::splitIntoSubarraysOfMaxLength(letters(3), 0),
                 "maximum length has to be greater than zero");
}

TEST(ZRCollectionsTest, SortingIsStableAndDeepCopiesAreEditable) {
    const QVariantList numbers{QStringLiteral("10"), 2, QStringLiteral("2"), 1};
    const QVariantList sorted = ZRArray::sortedArrayByIntValue(numbers);
    EXPECT_EQ(sorted, (QVariantList{1, 2, QStringLiteral("2"), QStringLiteral("10")}));
    // Values as integerValue reads them: leading digits of text, whole parts of numbers, the limits kept.
    const QVariantList mixed{QStringLiteral("12abc"), 3.7,
                             QStringLiteral(" 5"),    QStringLiteral("99999999999999999999"),
                             QStringLiteral("-2"),    QStringLiteral("x"),
                             QStringLiteral("4.9"),   -1e30};
    EXPECT_EQ(ZRArray::sortedArrayByIntValue(mixed),
              (QVariantList{-1e30, QStringLiteral("-2"), QStringLiteral("x"), 3.7, QStringLiteral("4.9"),
                            QStringLiteral(" 5"), QStringLiteral("12abc"),
                            QStringLiteral("99999999999999999999")}));
    EXPECT_EQ(ZRArray::sortedArrayByLocalizedStringValue(
                  {QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a")}),
              (QVariantList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b")}));

    const QVariantList json{
        QJsonObject{{QStringLiteral("list"), QJsonArray{1, QJsonObject{{QStringLiteral("k"), 2}}}}}};
    const QVariantList copy = ZRArray::dnMakeMutableArrayDeep(json);
    ASSERT_EQ(copy.first().typeId(), QMetaType::QVariantMap);
    const QVariantList inner = copy.first().toMap().value(QStringLiteral("list")).toList();
    ASSERT_EQ(inner.size(), 2);
    EXPECT_EQ(inner.at(1).typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(inner.at(1).toMap().value(QStringLiteral("k")), 2);

    QVariantList maps{item(1, QStringLiteral("x")), item(2, QStringLiteral("y"))};
    ZRArray::setObjectValuesForKeysWithDictionary(maps, {{QStringLiteral("name"), QStringLiteral("z")}});
    EXPECT_TRUE(ZRArray::allObjectsHaveEqualValuesForKeys(maps, {QStringLiteral("name")}));
}

TEST(ZRCollectionsTest, DictionaryHelpers) {
    EXPECT_EQ(ZRDictionary::sortedURLParameterString(
                  {{QStringLiteral("b"), QStringLiteral("2")}, {QStringLiteral("a"), QStringLiteral("1")}}),
              QStringLiteral("a=1&b=2"));
    EXPECT_EQ(ZRDictionary::sortedURLParameterString({{QStringLiteral("q"), QStringLiteral("x&y=z")}}),
              QStringLiteral("q=x%26y%3Dz"));
    EXPECT_EQ(ZRDictionary::sortedURLParameterString({}), QString());
    QVariantMap map{{QStringLiteral("a"), 1}};
    ZRDictionary::setObjectForKeyIfNotExistant(map, 2, QStringLiteral("a"));
    ZRDictionary::setObjectForKeyIfNotExistant(map, 3, QStringLiteral("b"));
    EXPECT_EQ(map.value(QStringLiteral("a")), 1);
    EXPECT_EQ(map.value(QStringLiteral("b")), 3);
    EXPECT_EQ(
        ZRDictionary::dictionaryBySettingObjectForKey(map, 9, QStringLiteral("a")).value(QStringLiteral("a")),
        9);
    EXPECT_EQ(map.value(QStringLiteral("a")), 1);
}
