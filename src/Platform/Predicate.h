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

/*! A date constant that keeps its full precision: seconds since 2001-01-01 00:00:00 UTC. Date constants
    that fall on a whole millisecond are QDateTime values; others are this. Converts to QDateTime. */
struct PredicateDate {
    double secondsSinceReferenceDate = 0;
    bool operator==(const PredicateDate&) const = default;
};

/*! One side of a comparison: a key path read from the evaluated object (see PredicateKeyPath.h for the
    collection steps it may hold), a constant value, the evaluated object itself (SELF) or a collection
    of expressions ({a, b}). Constants are an invalid QVariant (nil), bool, a number, a QString, a
    QDateTime or a PredicateDate. An expression that the format cannot write (a key path that is not
    one, collections nested too deeply) is not valid, and a predicate built from it is not valid either. */
class Expression {
public:
    enum class Type { KeyPath, Constant, EvaluatedObject, Aggregate };

    static Expression keyPath(const QString& keyPath);
    static Expression constant(const QVariant& value);
    static Expression nil() { return Expression(); }
    static Expression evaluatedObject();
    static Expression aggregate(const QList<Expression>& elements);

    /*! nil. */
    Expression() = default;

    Type type() const { return m_type; }
    bool isKeyPath() const { return m_type == Type::KeyPath; }
    const QString& keyPath() const { return m_keyPath; }
    const QVariant& constantValue() const { return m_constant; }
    /*! Aggregate expressions only. */
    QList<Expression> aggregateElements() const;

    bool isValid() const { return m_error.isEmpty(); }
    /*! Why the expression is not valid; empty when it is. */
    const QString& errorMessage() const { return m_error; }
    /*! Levels of nested collections ({...}) in the format text. */
    int nestingDepth() const { return m_depth; }

    /*! The expression in the canonical format text; a null string when it is not valid. */
    QString format() const;

private:
    Type m_type = Type::Constant;
    QString m_keyPath;
    QVariant m_constant;
    std::shared_ptr<const QList<Expression>> m_elements;
    QString m_error;
    int m_depth = 0;
};

/*! A condition over an object's key paths: the format text the advanced filters are stored in, its
    canonical printed form, and evaluation. A Predicate is an immutable value; copies share their tree.

    Format: comparisons `[ANY|SOME|ALL|NONE] lhs OP[options] rhs` with OP one of == != < <= > >= CONTAINS
    BEGINSWITH ENDSWITH LIKE MATCHES IN BETWEEN (also = <> =< => on input) and options [c]
    (case-insensitive), [d] (diacritic-insensitive) or [cd]; compounds AND, OR (also && ||) and NOT (also
    !) with parentheses, AND binding tighter than OR; TRUEPREDICATE and FALSEPREDICATE. Operands are key
    paths (a reserved word is escaped with '#'; collection operators @count @sum @avg @min @max;
    subscripts [FIRST] [LAST] [SIZE] [n]), SELF, strings in double or single quotes with backslash
    escapes (\n \t \r \" \' \\ \xHH \uHHHH \UHHHHHHHH and three octal digits), integers (also 0x, 0o,
    0b), doubles, TRUE/FALSE (YES/NO), NIL (NULL), collections {a, b} and dates as CAST(seconds since
    2001-01-01 00:00:00 UTC, "NSDate"). Keywords are case-insensitive. NONE reads as NOT ANY. Variables,
    arithmetic, function expressions and subqueries are refused with a message naming them.

    A predicate is valid when its canonical text is at most MaximumFormatLength characters and nested at
    most MaximumNestingDepth levels, so that it can always be read back; building one past the limits
    gives a predicate that is not valid (see isValid), which evaluates to false and has no format text. */
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
        Matches = 6,
        Like = 7,
        BeginsWith = 8,
        EndsWith = 9,
        In = 10,
        Contains = 99,
        Between = 100
    };
    /*! How the left side is compared: as it is, or element by element (ALL: every element, ANY: at least
        one). The numeric values are the platform's. */
    enum class Modifier { Direct = 0, All = 1, Any = 2 };
    enum class Option { CaseInsensitive = 1, DiacriticInsensitive = 2 };
    Q_DECLARE_FLAGS(Options, Option)

    /*! Input longer than this many characters is rejected, and so is a predicate whose canonical text
        would be longer. */
    static constexpr qsizetype MaximumFormatLength = 100000;
    /*! Parentheses, NOT and collections nested deeper than this are rejected, in the input and in the
        canonical text. */
    static constexpr int MaximumNestingDepth = 100;

    /*! Reads an object's value at a dotted key path; an invalid QVariant means no value (nil). */
    using KeyPathAccessor = std::function<QVariant(const QString& keyPath)>;

    /*! TRUEPREDICATE. */
    Predicate();

    static Predicate truePredicate();
    static Predicate falsePredicate();
    /*! A MATCHES comparison with a constant pattern that cannot be compiled is not valid; so is BETWEEN
        with a constant collection that does not hold exactly two values. */
    static Predicate comparison(const Expression& left, Operator op, const Expression& right,
                                Options options = {}, Modifier modifier = Modifier::Direct);
    /*! A compound of the given type. NOT negates the AND of its subpredicates (usually exactly one). */
    static Predicate compound(CompoundType type, const QList<Predicate>& subpredicates);
    static Predicate andPredicate(const QList<Predicate>& subpredicates);
    static Predicate orPredicate(const QList<Predicate>& subpredicates);
    static Predicate notPredicate(const Predicate& subpredicate);

    /*! Parses format text. On failure gives no value and, when asked, a message naming what and where. */
    static std::optional<Predicate> fromFormat(QStringView format, QString* errorMessage = nullptr);

    /*! The canonical format text; parsing it gives a predicate with the same format text. A null string
        for a predicate that is not valid. */
    QString format() const;

    /*! Whether the predicate keeps within the limits and can be written and read back. */
    bool isValid() const;
    /*! Why the predicate is not valid; empty when it is. */
    QString errorMessage() const;

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
    Modifier comparisonModifier() const;

    /*! True when the object satisfies the predicate. */
    bool evaluate(const KeyPathAccessor& object) const;
    /*! Evaluates over a dictionary (QVariantMap or JSON object), following key paths into nested ones. */
    bool evaluate(const QVariant& object) const;

    /*! The value at a key path inside nested dictionaries (QVariantMap, QVariantHash, JSON objects) and
        arrays; an invalid QVariant when a step is missing. The empty key path is the root itself. */
    static QVariant valueForKeyPath(const QVariant& root, QStringView keyPath);

    /*! Structural equality (the same tree, so the same format text). */
    bool operator==(const Predicate& other) const;

    struct Node;

private:
    explicit Predicate(std::shared_ptr<const Node> node);

    std::shared_ptr<const Node> m_node;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Predicate::Options)

/*! The seconds since the reference date of a date value (QDateTime or PredicateDate). */
std::optional<double> predicateDateSeconds(const QVariant& value);

/*! The instant that date constants count their seconds from: 2001-01-01 00:00:00 UTC. */
QDateTime predicateReferenceDate();

} // namespace Platform

Q_DECLARE_METATYPE(Platform::PredicateDate)
