#pragma once

#include <QList>

#include <algorithm>
#include <functional>
#include <utility>

/*! A stable merge sort that stays within the list whatever the comparison answers: a comparison that is
    not a strict weak order (as between issues compared by category order or by name) gives some order of
    the same elements, never a read or write outside the list. */
template <typename T>
QList<T> stableSorted(QList<T> list, const std::function<bool(const T& a, const T& b)>& lessThan) {
    const qsizetype count = list.size();
    QList<T> buffer(list);
    for (qsizetype width = 1; width < count; width *= 2) {
        for (qsizetype left = 0; left < count; left += 2 * width) {
            const qsizetype middle = std::min(left + width, count);
            const qsizetype right = std::min(left + 2 * width, count);
            qsizetype i = left;
            qsizetype j = middle;
            for (qsizetype out = left; out < right; ++out) {
                // The right element goes first only when it is strictly smaller: equal ones keep their order.
                if (i < middle && (j >= right || !lessThan(list[j], list[i])))
                    buffer[out] = std::move(list[i++]);
                else
                    buffer[out] = std::move(list[j++]);
            }
        }
        std::swap(list, buffer);
    }
    return list;
}
