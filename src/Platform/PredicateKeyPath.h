#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <functional>
#include <optional>

// Key paths as predicates and tables read them: dotted keys into dictionaries, a key applied to an array
// giving the array of each element's value, the collection operators @count, @sum, @avg, @min and @max,
// and the subscripts [FIRST], [LAST], [SIZE] and [n].
namespace Platform::PredicateKeyPath {

struct Step {
    enum class Kind { Key, Count, Sum, Average, Minimum, Maximum, First, Last, Size, Position };
    Kind kind = Kind::Key;
    QString key;         // Kind::Key
    qint64 position = 0; // Kind::Position
};

/*! The steps of a key path in its stored form ("fields.components.name", "labels[FIRST]",
    "worklogs.@sum.timeSpentSeconds"); no value, with the reason, for text that is not one. */
std::optional<QList<Step>> parse(QStringView keyPath, QString* errorMessage = nullptr);

/*! The key path as the predicate format writes it: keys that are reserved words get a leading '#'. */
QString format(const QList<Step>& steps);

/*! The value at the steps from the given one on, starting at a value (dictionaries as QVariantMap,
    QVariantHash or JSON; arrays as QVariantList, QStringList or JSON). No value is an invalid QVariant.
    JSON values come back as plain QVariants (objects as QVariantMap, arrays as QVariantList). */
QVariant value(const QVariant& root, const QList<Step>& steps, qsizetype from = 0);

/*! The value at a key path whose first key is asked of an object and whose further steps descend
    through what it answers. A text that is not a key path is read as plain dotted keys. */
QVariant valueForKeyPath(const QString& keyPath,
                         const std::function<QVariant(const QString& key)>& valueForKey);

} // namespace Platform::PredicateKeyPath
