#pragma once

#include "Platform/Predicate.h"

#include <QList>
#include <QString>
#include <QVariant>

/*! What one kind of row of the predicate editor can show: either a compound row (all / any / none of the
    rows below it) or a comparison of one key path with a typed value (or one of a few constants), with
    the operators and comparison options the row offers. */
class PredicateRowTemplate {
public:
    enum class Kind { Compound, Comparison };
    /*! The value types of comparison rows, numbered like the attribute types of a data model;
        Undefined for rows that offer constants. */
    enum class AttributeType { Undefined = 0, Integer64 = 300, Double = 500, String = 700, Date = 900 };

    static PredicateRowTemplate compound(const QList<Platform::Predicate::CompoundType>& types);
    static PredicateRowTemplate comparison(const QString& keyPath, AttributeType attributeType,
                                           const QList<Platform::Predicate::Operator>& operators,
                                           Platform::Predicate::Options options);
    static PredicateRowTemplate constants(const QString& keyPath, const QVariantList& constants,
                                          const QList<Platform::Predicate::Operator>& operators,
                                          Platform::Predicate::Options options);

    Kind kind() const { return m_kind; }
    const QList<Platform::Predicate::CompoundType>& compoundTypes() const { return m_compoundTypes; }
    const QString& keyPath() const { return m_keyPath; }
    AttributeType attributeType() const { return m_attributeType; }
    /*! The constants a row chooses from (empty for typed values). */
    const QVariantList& constantValues() const { return m_constants; }
    const QList<Platform::Predicate::Operator>& operators() const { return m_operators; }
    Platform::Predicate::Options options() const { return m_options; }

    /*! Whether a comparison row of this template shows the comparison as it is: a direct comparison (no
        ANY or ALL) of the same key path on the left with a constant of the row's type (or one of its
        constants) on the right, one of its operators and no comparison option beyond its own. */
    bool matchesComparison(const Platform::Predicate& predicate) const;
    /*! Whether two constants are the same choice: the same type and value, or a boolean and the integer
        it is written as. */
    static bool isSameConstant(const QVariant& constant, const QVariant& value);
    /*! Whether the value is one this row's value editor holds. */
    bool acceptsValue(const QVariant& value) const;
    /*! The value a new row starts with. */
    QVariant defaultValue() const;

private:
    PredicateRowTemplate() = default;

    Kind m_kind = Kind::Compound;
    QList<Platform::Predicate::CompoundType> m_compoundTypes;
    QString m_keyPath;
    AttributeType m_attributeType = AttributeType::Undefined;
    QVariantList m_constants;
    QList<Platform::Predicate::Operator> m_operators;
    Platform::Predicate::Options m_options;
};
