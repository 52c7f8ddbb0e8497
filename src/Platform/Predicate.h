#pragma once

#include <QDateTime>
#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace Platform {

/*! One side of a comparison: a dotted key path read from the evaluated object, or a constant value.
    Constants are an invalid QVariant (nil), bool, a number, a QString or a QDateTime. */
class Expression {
public:
    enum class Type { KeyPath, Constant };

    static Expression keyPath(const QString& keyPath);
    static Expression constant(const QVariant& value);
    static Expression nil() { return Expression(); }

    /*! nil. */
    Expression() = default;

    Type type() const { return m_type; }
    bool isKeyPath() const { return m_type == Type::KeyPath; }
    const QString& keyPath() const { return m_keyPath; }
    const QVariant& constantValue() const { return m_constant; }

    /*! The expression in the canonical format text. */
    QString format() const;

private:
    Type m_type = Type::Constant;
    QString m_keyPath;
    QVariant m_constant;
};

/*! A condition over an object's key paths: the format text the advanced filters are stored in, its
    canonical printed form, and evaluation. A Predicate is an immutable value; copies share their tree.

    Format: comparisons `lhs OP[options] rhs` with OP one of == != < <= > >= CONTAINS BEGINSWITH ENDSWITH
    (also = <> =< => on input) and options [c] (case-insensitive), [d] (diacritic-insensitive) or [cd];
    compounds AND, OR (also && ||) and NOT (also !) with parentheses, AND binding tighter than OR;
    TRUEPREDICATE and FALSEPREDICATE. Operands are dotted key paths (a reserved word is escaped with '#'),
    strings in double or single quotes with backslash escapes, integers, doubles, TRUE/FALSE (YES/NO),
    NIL (NULL) and dates as CAST(seconds since 2001-01-01 00:00:00 UTC, "NSDate"). Keywords are
    case-insensitive. */
class Predicate {
public:
    enum class Kind { True, False, Comparison, Compound };
    // The numeric values are the ones the predicate editor's rows are described with.
    enum class CompoundType { Not = 0, And = 1, Or = 2 };
    enum class Operator {
        LessThan = 0,
        LessThanOrEqualTo = 1,
        GreaterThan = 2,
        GreaterThanOrEqualTo = 3,
        EqualTo = 4,
        NotEqualTo = 5,
        BeginsWith = 8,
        EndsWith = 9,
        Contains = 99
    };
    enum class Option { CaseInsensitive = 1, DiacriticInsensitive = 2 };
    Q_DECLARE_FLAGS(Options, Option)

    /*! Input longer than this many characters is rejected. */
    static constexpr qsizetype MaximumFormatLength = 100000;
    /*! Parentheses and NOT nested deeper than this are rejected. */
    static constexpr int MaximumNestingDepth = 100;

    /*! Reads an object's value at a dotted key path; an invalid QVariant means no value (nil). */
    using KeyPathAccessor = std::function<QVariant(const QString& keyPath)>;

    /*! TRUEPREDICATE. */
    Predicate();

    static Predicate truePredicate();
    static Predicate falsePredicate();
    static Predicate comparison(const Expression& left, Operator op, const Expression& right,
                                Options options = {});
    /*! A compound of the given type. NOT negates the AND of its subpredicates (usually exactly one). */
    static Predicate compound(CompoundType type, const QList<Predicate>& subpredicates);
    static Predicate andPredicate(const QList<Predicate>& subpredicates);
    static Predicate orPredicate(const QList<Predicate>& subpredicates);
    static Predicate notPredicate(const Predicate& subpredicate);

    /*! Parses format text. On failure gives no value and, when asked, a message naming what and where. */
    static std::optional<Predicate> fromFormat(QStringView format, QString* errorMessage = nullptr);

    /*! The canonical format text; parsing it gives a predicate with the same format text. */
    QString format() const;

    Kind kind() const;
    bool isCompound() const { return kind() == Kind::Compound; }
    /*! Compound predicates only. */
    CompoundType compoundType() const;
    QList<Predicate> subpredicates() const;
    /*! Comparison predicates only. */
    Expression leftExpression() const;
    Expression rightExpression() const;
    Operator operatorType() const;
    Options options() const;

    /*! True when the object satisfies the predicate. */
    bool evaluate(const KeyPathAccessor& object) const;
    /*! Evaluates over a dictionary (QVariantMap or JSON object), following key paths into nested ones. */
    bool evaluate(const QVariant& object) const;

    /*! The value at a dotted key path inside nested dictionaries (QVariantMap, QVariantHash, JSON objects);
        an invalid QVariant when a step is missing or not a dictionary. */
    static QVariant valueForKeyPath(const QVariant& root, QStringView keyPath);

    /*! Structural equality (the same tree, so the same format text). */
    bool operator==(const Predicate& other) const;

    struct Node;

private:
    explicit Predicate(std::shared_ptr<const Node> node);

    std::shared_ptr<const Node> m_node;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Predicate::Options)

/*! The instant that date constants count their seconds from: 2001-01-01 00:00:00 UTC. */
QDateTime predicateReferenceDate();

} // namespace Platform
