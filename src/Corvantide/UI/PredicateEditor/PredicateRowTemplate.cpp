#include "PredicateEditor/PredicateRowTemplate.h"

#include <QDateTime>

#include <limits>

using Platform::Expression;
using Platform::Predicate;

PredicateRowTemplate PredicateRowTemplate::compound(const QList<Predicate::CompoundType>& types) {
    PredicateRowTemplate rowTemplate;
    rowTemplate.m_kind = Kind::Compound;
    rowTemplate.m_compoundTypes = types;
    return rowTemplate;
}

PredicateRowTemplate PredicateRowTemplate::comparison(const QString& keyPath, AttributeType attributeType,
                                                      const QList<Predicate::Operator>& operators,
                                                      Predicate::Options options) {
    PredicateRowTemplate rowTemplate;
    rowTemplate.m_kind = Kind::Comparison;
    rowTemplate.m_keyPath = keyPath;
    rowTemplate.m_attributeType = attributeType;
    rowTemplate.m_operators = operators;
    rowTemplate.m_options = options;
    return rowTemplate;
}

PredicateRowTemplate PredicateRowTemplate::constants(const QString& keyPath, const QVariantList& constants,
                                                     const QList<Predicate::Operator>& operators,
                                                     Predicate::Options options) {
    PredicateRowTemplate rowTemplate = comparison(keyPath, AttributeType::Undefined, operators, options);
    rowTemplate.m_constants = constants;
    return rowTemplate;
}

bool PredicateRowTemplate::isSameConstant(const QVariant& constant, const QVariant& value) {
    // Booleans are written as 1 and 0 and read back as those integers.
    if (constant.typeId() == QMetaType::Bool && value.typeId() != QMetaType::Bool)
        return (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) &&
               value.toLongLong() == (constant.toBool() ? 1 : 0);
    return constant.typeId() == value.typeId() && constant == value;
}

bool PredicateRowTemplate::acceptsValue(const QVariant& value) const {
    if (!m_constants.isEmpty()) {
        for (const QVariant& constant : m_constants) {
            if (isSameConstant(constant, value))
                return true;
        }
        return false;
    }
    switch (m_attributeType) {
    case AttributeType::String:
        return value.typeId() == QMetaType::QString;
    case AttributeType::Integer64:
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
            return true;
        case QMetaType::ULongLong:
            return value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
        default:
            return false;
        }
    case AttributeType::Double:
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Double:
            return true;
        default:
            return false;
        }
    case AttributeType::Date:
        return value.typeId() == QMetaType::QDateTime && value.toDateTime().isValid();
    case AttributeType::Undefined:
        return false;
    }
    return false;
}

bool PredicateRowTemplate::matchesComparison(const Predicate& predicate) const {
    if (m_kind != Kind::Comparison || predicate.kind() != Predicate::Kind::Comparison ||
        predicate.comparisonModifier() != Predicate::Modifier::Direct)
        return false;
    const Expression left = predicate.leftExpression();
    const Expression right = predicate.rightExpression();
    if (left.type() != Expression::Type::KeyPath || left.keyPath() != m_keyPath)
        return false;
    if (right.type() != Expression::Type::Constant || !acceptsValue(right.constantValue()))
        return false;
    if (!m_operators.contains(predicate.operatorType()))
        return false;
    // Options the row does not offer would be lost once the row is edited.
    return (predicate.options() & ~m_options) == Predicate::Options();
}

QVariant PredicateRowTemplate::defaultValue() const {
    if (!m_constants.isEmpty())
        return m_constants.first();
    switch (m_attributeType) {
    case AttributeType::String:
        return QString();
    case AttributeType::Integer64:
        return qint64(0);
    case AttributeType::Double:
        return 0.0;
    case AttributeType::Date: {
        const QDateTime today(QDate::currentDate(), QTime(0, 0));
        return today.toUTC();
    }
    case AttributeType::Undefined:
        break;
    }
    return {};
}
