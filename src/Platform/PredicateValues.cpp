#include "Platform/PredicateValues.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <compare>
#include <limits>

namespace Platform::PredicateValues {

namespace {

bool fitsInt64(const QVariant& value) {
    return value.typeId() != QMetaType::ULongLong && value.typeId() != QMetaType::ULong
               ? true
               : value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
}

std::partial_ordering compareNumbers(const QVariant& left, const QVariant& right) {
    if (isIntegral(left) && isIntegral(right) && fitsInt64(left) && fitsInt64(right))
        return left.toLongLong() <=> right.toLongLong();
    return left.toDouble() <=> right.toDouble();
}

struct FoldedPair {
    QString left;
    QString right;
    Qt::CaseSensitivity sensitivity;
};

// Case-insensitivity alone is left to Qt's case-insensitive comparisons, which fold as toCaseFolded does;
// diacritic-insensitivity needs the decomposed text of both sides.
FoldedPair foldedPair(const QVariant& left, const QVariant& right, Predicate::Options options,
                      const QString* foldedRight) {
    FoldedPair pair{left.toString(), foldedRight ? *foldedRight : right.toString(),
                    options & Predicate::Option::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive};
    if (options & Predicate::Option::DiacriticInsensitive) {
        pair.left = folded(pair.left, options);
        if (!foldedRight)
            pair.right = folded(pair.right, options);
    }
    return pair;
}

std::partial_ordering order(const QVariant& left, const QVariant& right, Predicate::Options options,
                            const QString* foldedRight) {
    const Kind kind = kindOf(left);
    if (kind != kindOf(right))
        return std::partial_ordering::unordered;
    switch (kind) {
    case Kind::Number:
        return compareNumbers(left, right);
    case Kind::String: {
        const FoldedPair pair = foldedPair(left, right, options, foldedRight);
        return QString::compare(pair.left, pair.right, pair.sensitivity) <=> 0;
    }
    case Kind::Date:
        return left.toDateTime().toMSecsSinceEpoch() <=> right.toDateTime().toMSecsSinceEpoch();
    case Kind::Nil:
    case Kind::Other:
        break;
    }
    return std::partial_ordering::unordered;
}

bool equal(const QVariant& left, const QVariant& right, Predicate::Options options,
           const QString* foldedRight) {
    const Kind kind = kindOf(left);
    if (kind == Kind::Nil || kindOf(right) == Kind::Nil)
        return kind == kindOf(right);
    if (kind == Kind::Other)
        return left.typeId() == right.typeId() && left == right;
    return order(left, right, options, foldedRight) == std::partial_ordering::equivalent;
}

bool matchesText(const QVariant& left, Predicate::Operator op, const QVariant& right,
                 Predicate::Options options, const QString* foldedRight) {
    if (kindOf(left) != Kind::String || kindOf(right) != Kind::String)
        return false;
    const FoldedPair pair = foldedPair(left, right, options, foldedRight);
    // As on the platform whose predicates these are, an empty pattern is never found.
    if (pair.right.isEmpty())
        return false;
    switch (op) {
    case Predicate::Operator::BeginsWith:
        return pair.left.startsWith(pair.right, pair.sensitivity);
    case Predicate::Operator::EndsWith:
        return pair.left.endsWith(pair.right, pair.sensitivity);
    default:
        return pair.left.contains(pair.right, pair.sensitivity);
    }
}

} // namespace

Kind kindOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return Kind::Nil;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Number;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? Kind::Date : Kind::Nil;
    default:
        return Kind::Other;
    }
}

bool isIntegral(const QVariant& value) {
    return kindOf(value) == Kind::Number && value.typeId() != QMetaType::Double &&
           value.typeId() != QMetaType::Float;
}

QVariant normalized(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QJsonValue:
        return value.value<QJsonValue>().toVariant();
    case QMetaType::QJsonObject:
        return value.value<QJsonObject>().toVariantMap();
    case QMetaType::QJsonArray:
        return value.value<QJsonArray>().toVariantList();
    default:
        return value;
    }
}

QString folded(const QString& text, Predicate::Options options) {
    const bool diacritics = options.testFlag(Predicate::Option::DiacriticInsensitive);
    const bool caseFolding = options.testFlag(Predicate::Option::CaseInsensitive);
    if (!diacritics)
        return caseFolding ? text.toCaseFolded() : text;

    // Decomposing whole strings is slow; a character's base letters are looked up once per thread and
    // reused. Text outside the basic plane goes the slow way.
    thread_local QHash<char32_t, QString> baseLetters; // keyed by character, plus 0x10000 when case-folded
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            result += caseFolding ? QChar(QChar::toCaseFolded(c.unicode())) : c;
            continue;
        }
        if (c.isSurrogate()) {
            result = text.normalized(QString::NormalizationForm_D);
            result.removeIf([](QChar mark) { return mark.category() == QChar::Mark_NonSpacing; });
            return caseFolding ? result.toCaseFolded() : result;
        }
        const char32_t cacheKey = c.unicode() | (caseFolding ? 0x10000 : 0);
        auto base = baseLetters.constFind(cacheKey);
        if (base == baseLetters.cend()) {
            QString letters = QString(c).normalized(QString::NormalizationForm_D);
            letters.removeIf([](QChar mark) { return mark.category() == QChar::Mark_NonSpacing; });
            base = baseLetters.insert(cacheKey, caseFolding ? letters.toCaseFolded() : letters);
        }
        result += *base;
    }
    return result;
}

bool compare(const QVariant& left, Predicate::Operator op, const QVariant& right, Predicate::Options options,
             const QString* foldedRight) {
    switch (op) {
    case Predicate::Operator::EqualTo:
        return equal(left, right, options, foldedRight);
    case Predicate::Operator::NotEqualTo:
        return !equal(left, right, options, foldedRight);
    case Predicate::Operator::LessThan:
        return order(left, right, options, foldedRight) < 0;
    case Predicate::Operator::LessThanOrEqualTo:
        return order(left, right, options, foldedRight) <= 0;
    case Predicate::Operator::GreaterThan:
        return order(left, right, options, foldedRight) > 0;
    case Predicate::Operator::GreaterThanOrEqualTo:
        return order(left, right, options, foldedRight) >= 0;
    case Predicate::Operator::Contains:
        if (left.typeId() == QMetaType::QVariantList || left.typeId() == QMetaType::QStringList) {
            for (const QVariant& element : left.toList()) {
                if (equal(normalized(element), right, options, foldedRight))
                    return true;
            }
            return false;
        }
        return matchesText(left, op, right, options, foldedRight);
    case Predicate::Operator::BeginsWith:
    case Predicate::Operator::EndsWith:
        return matchesText(left, op, right, options, foldedRight);
    }
    return false;
}

} // namespace Platform::PredicateValues
