#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <type_traits>

namespace Platform {

/*! Fills a printf-style format the way the design's texts are written: %@ (any value as text, "(null)"
    for an invalid one or a null QString), %d %i %u %x %X %o with the length modifiers h hh l ll q z t j, %f
   %e %g (flags, width and precision allowed), %s, %c (a code point; one that is no character prints as
   U+FFFD), %% and positional forms such as %1$@. The format is read exactly once: percent signs that the
   arguments bring in are shown as they are. A conversion without an argument prints as "(null)" for text and
   0 for numbers; an unknown conversion is shown unchanged. */
QString stringWithFormat(const QString& format, const QVariantList& arguments);

/*! One argument of stringWithFormat: text-like values become QString, everything else a QVariant. */
template <typename T> QVariant formatArgument(const T& value) {
    if constexpr (std::is_same_v<T, QVariant>)
        return value;
    else if constexpr (std::is_convertible_v<const T&, QString>)
        return QVariant(QString(value));
    else
        return QVariant::fromValue(value);
}

template <typename... Args> QString stringWithFormat(const QString& format, const Args&... arguments) {
    return stringWithFormat(format, QVariantList{formatArgument(arguments)...});
}

} // namespace Platform
