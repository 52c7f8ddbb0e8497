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

using Operator = Predicate::Operator;

bool fitsInt64(const QVariant& value) {
    return value.typeId() != QMetaType::ULongLong && value.typeId() != QMetaType::ULong
               ? true
               : value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
}

// Exact across the number types: a long double holds every 64-bit integer and every double.
long double exactValue(const QVariant& value) {
    if (!isIntegral(value))
        return value.toDouble();
    if (!fitsInt64(value))
        return static_cast<long double>(value.toULongLong());
    return static_cast<long double>(value.toLongLong());
}

std::partial_ordering compareNumbers(const QVariant& left, const QVariant& right) {
    if (isIntegral(left) && isIntegral(right) && fitsInt64(left) && fitsInt64(right))
        return left.toLongLong() <=> right.toLongLong();
    return exactValue(left) <=> exactValue(right);
}

struct FoldedPair {
    QString left;
    QString right;
    Qt::CaseSensitivity sensitivity;
};

// Case-insensitivity alone is left to Qt's case-insensitive comparisons, which fold as toCaseFolded does;
// diacritic-insensitivity needs the decomposed text of both sides. A side already folded is taken as it is.
FoldedPair foldedPair(const QString& left, const QString& right, Predicate::Options options,
                      const QString* foldedLeft, const QString* foldedRight) {
    FoldedPair pair{foldedLeft ? *foldedLeft : left, foldedRight ? *foldedRight : right,
                    options & Predicate::Option::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive};
    if (options & Predicate::Option::DiacriticInsensitive) {
        if (!foldedLeft)
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
        const FoldedPair pair = foldedPair(left.toString(), right.toString(), options, nullptr, foldedRight);
        return QString::compare(pair.left, pair.right, pair.sensitivity) <=> 0;
    }
    case Kind::Date:
        return *predicateDateSeconds(left) <=> *predicateDateSeconds(right);
    case Kind::Nil:
    case Kind::Collection:
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
    if (kind == Kind::Collection) {
        if (kindOf(right) != Kind::Collection)
            return false;
        const QVariantList a = left.toList();
        const QVariantList b = right.toList();
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!equal(normalized(a[i]), normalized(b[i]), options, nullptr))
                return false;
        }
        return true;
    }
    if (kind == Kind::Other)
        return left.typeId() == right.typeId() && left == right;
    return order(left, right, options, foldedRight) == std::partial_ordering::equivalent;
}

// LIKE: '*' stands for any run of characters, '?' for one, a backslash makes the next one plain.
bool likeMatch(QStringView text, QStringView pattern, Qt::CaseSensitivity sensitivity) {
    const auto same = [sensitivity](QChar a, QChar b) {
        return a == b || (sensitivity == Qt::CaseInsensitive && a.toCaseFolded() == b.toCaseFolded());
    };
    qsizetype t = 0;
    qsizetype p = 0;
    qsizetype starPattern = -1;
    qsizetype starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starPattern = ++p;
            starText = t;
            continue;
        }
        if (p < pattern.size()) {
            const bool escaped = pattern[p] == u'\\' && p + 1 < pattern.size();
            const QChar wanted = escaped ? pattern[p + 1] : pattern[p];
            if ((!escaped && wanted == u'?') || same(text[t], wanted)) {
                p += escaped ? 2 : 1;
                ++t;
                continue;
            }
        }
        if (starPattern < 0)
            return false;
        p = starPattern;
        t = ++starText;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// A string operator of a text against a pattern text; an empty pattern is never found, as on the
// platform whose predicates these are (LIKE and MATCHES match the whole text, so they take it as it is).
bool matchesText(const QString& subject, Operator op, const QString& pattern, Predicate::Options options,
                 const Prepared& prepared, const QString* foldedSubject = nullptr,
                 const QString* foldedPattern = nullptr) {
    if (op == Operator::Matches) {
        std::optional<QRegularExpression> compiled;
        const QRegularExpression* regex = prepared.regex;
        if (!regex) {
            compiled = matchesExpression(pattern, options);
            if (!compiled)
                return false;
            regex = &*compiled;
        }
        const QString text = options & Predicate::Option::DiacriticInsensitive
                                 ? folded(subject, Predicate::Option::DiacriticInsensitive)
                                 : subject;
        return regex->match(text).hasMatch();
    }
    const FoldedPair pair = foldedPair(subject, pattern, options, foldedSubject, foldedPattern);
    if (op == Operator::Like)
        return likeMatch(pair.left, pair.right, pair.sensitivity);
    if (pair.right.isEmpty())
        return false;
    switch (op) {
    case Operator::BeginsWith:
        return pair.left.startsWith(pair.right, pair.sensitivity);
    case Operator::EndsWith:
        return pair.left.endsWith(pair.right, pair.sensitivity);
    default:
        return pair.left.contains(pair.right, pair.sensitivity);
    }
}

// The elements that CONTAINS and IN look among: a collection's, or a dictionary's values.
std::optional<QVariantList> members(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList();
    case QMetaType::QVariantMap:
        return value.toMap().values();
    case QMetaType::QVariantHash:
        return value.toHash().values();
    default:
        return std::nullopt;
    }
}

bool isMember(const QVariant& element, const QVariant& collection, Predicate::Options options,
              const QString* foldedElement) {
    const std::optional<QVariantList> list = members(collection);
    if (!list)
        return false;
    for (const QVariant& member : *list) {
        if (equal(normalized(member), element, options, foldedElement))
            return true;
    }
    return false;
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
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Kind::Collection;
    default:
        return value.typeId() == qMetaTypeId<PredicateDate>() ? Kind::Date : Kind::Other;
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

QVariantList elementsOf(const QVariant& value) {
    if (kindOf(value) == Kind::Nil)
        return {};
    if (std::optional<QVariantList> list = members(value)) {
        for (QVariant& element : *list)
            element = normalized(element);
        return *list;
    }
    return {value};
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

std::optional<QRegularExpression> matchesExpression(const QString& pattern, Predicate::Options options,
                                                    QString* errorMessage) {
    QRegularExpression::PatternOptions patternOptions = QRegularExpression::UseUnicodePropertiesOption;
    if (options & Predicate::Option::CaseInsensitive)
        patternOptions |= QRegularExpression::CaseInsensitiveOption;
    const QString text = options & Predicate::Option::DiacriticInsensitive
                             ? folded(pattern, Predicate::Option::DiacriticInsensitive)
                             : pattern;
    QRegularExpression regex(QRegularExpression::anchoredPattern(text), patternOptions);
    if (!regex.isValid()) {
        if (errorMessage)
            *errorMessage =
                QStringLiteral("the regular expression \"%1\" cannot be compiled: %2 at offset %3")
                    .arg(pattern, regex.errorString())
                    .arg(regex.patternErrorOffset());
        return std::nullopt;
    }
    return regex;
}

bool compare(const QVariant& left, Predicate::Operator op, const QVariant& right, Predicate::Options options,
             const Prepared& prepared) {
    const QString* foldedRight = prepared.foldedRight;
    switch (op) {
    case Operator::EqualTo:
        return equal(left, right, options, foldedRight);
    case Operator::NotEqualTo:
        return !equal(left, right, options, foldedRight);
    case Operator::LessThan:
        return order(left, right, options, foldedRight) < 0;
    case Operator::LessThanOrEqualTo:
        return order(left, right, options, foldedRight) <= 0;
    case Operator::GreaterThan:
        return order(left, right, options, foldedRight) > 0;
    case Operator::GreaterThanOrEqualTo:
        return order(left, right, options, foldedRight) >= 0;
    case Operator::Between: {
        const QVariantList bounds = kindOf(right) == Kind::Collection ? right.toList() : QVariantList();
        if (bounds.size() != 2)
            return false;
        return order(left, normalized(bounds[0]), options, nullptr) >= 0 &&
               order(left, normalized(bounds[1]), options, nullptr) <= 0;
    }
    case Operator::Contains:
        if (members(left))
            return isMember(right, left, options, foldedRight);
        break;
    case Operator::In:
        if (members(right))
            return isMember(left, right, options, nullptr);
        // A text IN a text is found in it.
        if (kindOf(left) != Kind::String || kindOf(right) != Kind::String)
            return false;
        return matchesText(right.toString(), Operator::Contains, left.toString(), options, {}, foldedRight,
                           nullptr);
    case Operator::BeginsWith:
    case Operator::EndsWith:
    case Operator::Like:
    case Operator::Matches:
        break;
    }
    if (kindOf(left) != Kind::String || kindOf(right) != Kind::String)
        return false;
    return matchesText(left.toString(), op, right.toString(), options, prepared, nullptr, foldedRight);
}

} // namespace Platform::PredicateValues
