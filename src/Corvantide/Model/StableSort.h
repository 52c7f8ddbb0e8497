#pragma once

#include <QList>

#include <algorithm>
#include <functional>
#include <utility>

/*! The positions 0 to count - 1 in a stable merge-sorted order: position b goes before position a only
    when lessThan(b, a). It stays within its lists whatever the comparison answers: a comparison that is
    not a strict weak order (as between issues compared by category order or by name) gives some order of
    the same positions, never a read or write outside the list. Only positions move while sorting, so
    the elements themselves are never copied or moved. */
inline QList<qsizetype> stableSortedPositions(qsizetype count,
                                              const std::function<bool(qsizetype a, qsizetype b)>& lessThan) {
    QList<qsizetype> order(count);
    for (qsizetype i = 0; i < count; ++i)
        order[i] = i;
    QList<qsizetype> buffer(count);
    for (qsizetype width = 1; width < count; width *= 2) {
        for (qsizetype left = 0; left < count; left += 2 * width) {
            const qsizetype middle = std::min(left + width, count);
            const qsizetype right = std::min(left + 2 * width, count);
            qsizetype i = left;
            qsizetype j = middle;
            for (qsizetype out = left; out < right; ++out) {
                // The right element goes first only when it is strictly smaller: equal ones keep their order.
                if (i < middle && (j >= right || !lessThan(order.at(j), order.at(i))))
                    buffer[out] = order.at(i++);
                else
                    buffer[out] = order.at(j++);
            }
        }
        std::swap(order, buffer);
    }
    return order;
}

/*! The list stably sorted by lessThan, with the guarantees of stableSortedPositions. */
template <typename T>
QList<T> stableSorted(const QList<T>& list, const std::function<bool(const T& a, const T& b)>& lessThan) {
    const QList<qsizetype> order =
        stableSortedPositions(list.size(), [&list, &lessThan](qsizetype a, qsizetype b) {
            return lessThan(list.at(a), list.at(b));
        });
    QList<T> sorted;
    sorted.reserve(list.size());
    for (const qsizetype position : order)
        sorted.append(list.at(position));
    return sorted;
}
