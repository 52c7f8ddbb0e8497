#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

/*! Reading model objects by key path, for predicates, tables and pop-ups. */
namespace KeyValueCoding {

/*! The value at a key path: the first key is asked of the object, every further step descends into what
    was reached so far (dictionaries, arrays with a key giving each element's value, @count, @sum, @avg,
    @min, @max, [FIRST], [LAST], [SIZE], [n]). No value is an invalid QVariant; JSON values come back as
    plain QVariants (objects as QVariantMap, arrays as QVariantList). */
QVariant valueForKeyPath(const QString& keyPath,
                         const std::function<QVariant(const QString& key)>& valueForKey);

template <typename T> QVariant optional(const std::optional<T>& value) {
    return value ? QVariant::fromValue(*value) : QVariant();
}

} // namespace KeyValueCoding
