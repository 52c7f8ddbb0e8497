#pragma once

#include "Platform/Predicate.h"

#include <QRegularExpression>
#include <QString>
#include <QVariant>

#include <optional>

// The value rules behind predicate evaluation, shared by the predicate, its parser and its key paths.
namespace Platform::PredicateValues {

enum class Kind { Nil, Number, String, Date, Collection, Other };

/*! Nil is an invalid QVariant or a null pointer (JSON null); bool and every integer or floating type are
    numbers; QString is a string; QDateTime and PredicateDate are dates; lists are collections. */
Kind kindOf(const QVariant& value);
bool isIntegral(const QVariant& value);

/*! JSON values become the plain variants they stand for; everything else is returned as it is. */
QVariant normalized(const QVariant& value);

/*! The elements an ANY or ALL comparison goes through: a collection's elements, a dictionary's values,
    nothing for nil, and any other value alone. */
QVariantList elementsOf(const QVariant& value);

/*! The text as compared under [c] (case folding) and [d] (decomposed, combining marks removed). */
QString folded(const QString& text, Predicate::Options options);

/*! The expression of a MATCHES pattern: the whole string must match, [c] ignores case, [d] compares the
    texts without their diacritics. No value, with the reason, for a pattern that cannot be compiled. */
std::optional<QRegularExpression> matchesExpression(const QString& pattern, Predicate::Options options,
                                                    QString* errorMessage = nullptr);

/*! What a comparison with a constant right side prepares once instead of at every evaluation. */
struct Prepared {
    const QString* foldedRight = nullptr;      // the right string folded by the options
    const QRegularExpression* regex = nullptr; // the compiled MATCHES pattern
};

/*! One comparison of two values, without a modifier. */
bool compare(const QVariant& left, Predicate::Operator op, const QVariant& right, Predicate::Options options,
             const Prepared& prepared = {});

} // namespace Platform::PredicateValues

namespace Platform {
/*! Words that a key path component must escape with '#'. */
bool isReservedPredicateWord(QStringView word);
} // namespace Platform
