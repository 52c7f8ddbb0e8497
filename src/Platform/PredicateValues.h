#pragma once

#include "Platform/Predicate.h"

#include <QString>
#include <QVariant>

// The value rules behind predicate evaluation, shared by the predicate and its parser.
namespace Platform::PredicateValues {

enum class Kind { Nil, Number, String, Date, Other };

/*! Nil is an invalid QVariant or a null pointer (JSON null); bool and every integer or floating type are
    numbers; QString is a string; QDateTime a date. */
Kind kindOf(const QVariant& value);
bool isIntegral(const QVariant& value);

/*! JSON values become the plain variants they stand for; everything else is returned as it is. */
QVariant normalized(const QVariant& value);

/*! The text as compared under [c] (case folding) and [d] (decomposed, combining marks removed). */
QString folded(const QString& text, Predicate::Options options);

/*! One comparison. foldedRight, when given, is the right side's string already folded by the options. */
bool compare(const QVariant& left, Predicate::Operator op, const QVariant& right, Predicate::Options options,
             const QString* foldedRight);

} // namespace Platform::PredicateValues

namespace Platform {
/*! Words that a key path component must escape with '#'. */
bool isReservedPredicateWord(QStringView word);
} // namespace Platform
