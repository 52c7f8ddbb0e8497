#include "Platform/Predicate.h"

#include "Platform/PredicateValues.h"

#include <QJsonObject>
#include <QJsonValue>

#include <array>
#include <charconv>
#include <cmath>

namespace Platform {

struct Predicate::Node {
    Kind kind = Kind::True;

    Expression left;
    Expression right;
    Operator op = Operator::EqualTo;
    Options options;
    // A constant string on the right is folded once for [c]/[d], not at every evaluation.
    std::optional<QString> foldedRight;

    CompoundType compoundType = CompoundType::And;
    QList<Predicate> subpredicates;
};

namespace {

const std::array<QStringView, 33> ReservedWords = {u"AND",
                                                   u"OR",
                                                   u"NOT",
                                                   u"IN",
                                                   u"ALL",
                                                   u"ANY",
                                                   u"SOME",
                                                   u"NONE",
                                                   u"LIKE",
                                                   u"MATCHES",
                                                   u"CONTAINS",
                                                   u"BEGINSWITH",
                                                   u"ENDSWITH",
                                                   u"BETWEEN",
                                                   u"NULL",
                                                   u"NIL",
                                                   u"SELF",
                                                   u"TRUE",
                                                   u"YES",
                                                   u"FALSE",
                                                   u"NO",
                                                   u"FIRST",
                                                   u"LAST",
                                                   u"SIZE",
                                                   u"ANYKEY",
                                                   u"SUBQUERY",
                                                   u"FETCH",
                                                   u"CAST",
                                                   u"TRUEPREDICATE",
                                                   u"FALSEPREDICATE",
                                                   u"UTI",
                                                   u"CASEINSENSITIVE",
                                                   u"CI"};

QString formatDouble(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    // Keep a double a double when the text is read back.
    if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text;
}

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString operatorText(Predicate::Operator op) {
    switch (op) {
    case Predicate::Operator::LessThan:
        return QStringLiteral("<");
    case Predicate::Operator::LessThanOrEqualTo:
        return QStringLiteral("<=");
    case Predicate::Operator::GreaterThan:
        return QStringLiteral(">");
    case Predicate::Operator::GreaterThanOrEqualTo:
        return QStringLiteral(">=");
    case Predicate::Operator::EqualTo:
        return QStringLiteral("==");
    case Predicate::Operator::NotEqualTo:
        return QStringLiteral("!=");
    case Predicate::Operator::BeginsWith:
        return QStringLiteral("BEGINSWITH");
    case Predicate::Operator::EndsWith:
        return QStringLiteral("ENDSWITH");
    case Predicate::Operator::Contains:
        return QStringLiteral("CONTAINS");
    }
    return {};
}

// A single-element AND/OR means its element; print and parenthesise by what it stands for.
const Predicate* effective(const Predicate* predicate) {
    while (predicate->isCompound() && predicate->compoundType() != Predicate::CompoundType::Not &&
           predicate->subpredicates().size() == 1)
        predicate = &predicate->subpredicates().constFirst();
    return predicate;
}

bool printsAsJunction(const Predicate& predicate) {
    const Predicate* p = effective(&predicate);
    return p->isCompound() && p->compoundType() != Predicate::CompoundType::Not &&
           p->subpredicates().size() > 1;
}

QString operand(const Predicate& predicate) {
    const QString text = effective(&predicate)->format();
    return printsAsJunction(predicate) ? QLatin1Char('(') + text + QLatin1Char(')') : text;
}

} // namespace

bool isReservedPredicateWord(QStringView word) {
    for (const QStringView reserved : ReservedWords) {
        if (word.compare(reserved, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QDateTime predicateReferenceDate() {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return reference;
}

// Expression

Expression Expression::keyPath(const QString& keyPath) {
    Expression expression;
    expression.m_type = Type::KeyPath;
    expression.m_keyPath = keyPath;
    return expression;
}

Expression Expression::constant(const QVariant& value) {
    Expression expression;
    expression.m_constant = PredicateValues::normalized(value);
    if (expression.m_constant.typeId() == QMetaType::Double &&
        !std::isfinite(expression.m_constant.toDouble()))
        expression.m_constant = QVariant();
    return expression;
}

QString Expression::format() const {
    if (m_type == Type::KeyPath) {
        QStringList components = m_keyPath.split(u'.');
        for (QString& component : components) {
            if (isReservedPredicateWord(component))
                component.prepend(u'#');
        }
        return components.join(u'.');
    }
    switch (PredicateValues::kindOf(m_constant)) {
    case PredicateValues::Kind::Nil:
        return QStringLiteral("nil");
    case PredicateValues::Kind::Number:
        if (m_constant.typeId() == QMetaType::Bool)
            return m_constant.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        if (PredicateValues::isIntegral(m_constant))
            return m_constant.toString();
        return formatDouble(m_constant.toDouble());
    case PredicateValues::Kind::Date: {
        const qint64 ms = predicateReferenceDate().msecsTo(m_constant.toDateTime());
        return QStringLiteral("CAST(%1, \"NSDate\")").arg(formatDouble(double(ms) / 1000.0));
    }
    case PredicateValues::Kind::String:
    case PredicateValues::Kind::Other:
        break;
    }
    return quoted(m_constant.toString());
}

// Predicate

Predicate::Predicate()
    : m_node(std::make_shared<Node>()) {}

Predicate::Predicate(std::shared_ptr<const Node> node)
    : m_node(std::move(node)) {}

Predicate Predicate::truePredicate() {
    return Predicate();
}

Predicate Predicate::falsePredicate() {
    auto node = std::make_shared<Node>();
    node->kind = Kind::False;
    return Predicate(std::move(node));
}

Predicate Predicate::comparison(const Expression& left, Operator op, const Expression& right,
                                Options options) {
    auto node = std::make_shared<Node>();
    node->kind = Kind::Comparison;
    node->left = left;
    node->op = op;
    node->right = right;
    node->options = options;
    if (!right.isKeyPath() && options &&
        PredicateValues::kindOf(right.constantValue()) == PredicateValues::Kind::String)
        node->foldedRight = PredicateValues::folded(right.constantValue().toString(), options);
    return Predicate(std::move(node));
}

Predicate Predicate::compound(CompoundType type, const QList<Predicate>& subpredicates) {
    auto node = std::make_shared<Node>();
    node->kind = Kind::Compound;
    node->compoundType = type;
    node->subpredicates = subpredicates;
    return Predicate(std::move(node));
}

Predicate Predicate::andPredicate(const QList<Predicate>& subpredicates) {
    return compound(CompoundType::And, subpredicates);
}

Predicate Predicate::orPredicate(const QList<Predicate>& subpredicates) {
    return compound(CompoundType::Or, subpredicates);
}

Predicate Predicate::notPredicate(const Predicate& subpredicate) {
    return compound(CompoundType::Not, {subpredicate});
}

Predicate::Kind Predicate::kind() const {
    return m_node->kind;
}

Predicate::CompoundType Predicate::compoundType() const {
    return m_node->compoundType;
}

QList<Predicate> Predicate::subpredicates() const {
    return m_node->subpredicates;
}

Expression Predicate::leftExpression() const {
    return m_node->left;
}

Expression Predicate::rightExpression() const {
    return m_node->right;
}

Predicate::Operator Predicate::operatorType() const {
    return m_node->op;
}

Predicate::Options Predicate::options() const {
    return m_node->options;
}

QString Predicate::format() const {
    const Node& node = *m_node;
    switch (node.kind) {
    case Kind::True:
        return QStringLiteral("TRUEPREDICATE");
    case Kind::False:
        return QStringLiteral("FALSEPREDICATE");
    case Kind::Comparison: {
        QString options;
        if (node.options)
            options = QLatin1Char('[') + QLatin1String(node.options & Option::CaseInsensitive ? "c" : "") +
                      QLatin1String(node.options & Option::DiacriticInsensitive ? "d" : "") +
                      QLatin1Char(']');
        return node.left.format() + QLatin1Char(' ') + operatorText(node.op) + options + QLatin1Char(' ') +
               node.right.format();
    }
    case Kind::Compound:
        break;
    }
    if (node.compoundType == CompoundType::Not) {
        const Predicate negated = node.subpredicates.size() == 1 ? node.subpredicates.constFirst()
                                                                 : andPredicate(node.subpredicates);
        return QStringLiteral("NOT ") + operand(negated);
    }
    const bool isAnd = node.compoundType == CompoundType::And;
    if (node.subpredicates.isEmpty())
        return isAnd ? QStringLiteral("TRUEPREDICATE") : QStringLiteral("FALSEPREDICATE");
    if (node.subpredicates.size() == 1)
        return effective(this)->format();
    QStringList parts;
    parts.reserve(node.subpredicates.size());
    for (const Predicate& sub : node.subpredicates)
        parts.append(operand(sub));
    return parts.join(isAnd ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
}

bool Predicate::operator==(const Predicate& other) const {
    return m_node == other.m_node || format() == other.format();
}

bool Predicate::evaluate(const KeyPathAccessor& object) const {
    const Node& node = *m_node;
    switch (node.kind) {
    case Kind::True:
        return true;
    case Kind::False:
        return false;
    case Kind::Comparison: {
        const auto value = [&object](const Expression& e) {
            return e.isKeyPath() ? PredicateValues::normalized(object(e.keyPath())) : e.constantValue();
        };
        return PredicateValues::compare(value(node.left), node.op, value(node.right), node.options,
                                        node.foldedRight ? &*node.foldedRight : nullptr);
    }
    case Kind::Compound:
        break;
    }
    switch (node.compoundType) {
    case CompoundType::And:
        for (const Predicate& sub : node.subpredicates) {
            if (!sub.evaluate(object))
                return false;
        }
        return true;
    case CompoundType::Or:
        for (const Predicate& sub : node.subpredicates) {
            if (sub.evaluate(object))
                return true;
        }
        return false;
    case CompoundType::Not:
        for (const Predicate& sub : node.subpredicates) {
            if (!sub.evaluate(object))
                return true;
        }
        return false;
    }
    return false;
}

bool Predicate::evaluate(const QVariant& object) const {
    return evaluate([&object](const QString& keyPath) { return valueForKeyPath(object, keyPath); });
}

QVariant Predicate::valueForKeyPath(const QVariant& root, QStringView keyPath) {
    QVariant current = root;
    for (const QStringView key : keyPath.split(u'.')) {
        const int type = current.typeId();
        if (type == QMetaType::QVariantMap) {
            const QVariantMap& map = *static_cast<const QVariantMap*>(current.constData());
            const auto it = map.constFind(key.toString());
            current = it == map.cend() ? QVariant() : *it;
        } else if (type == QMetaType::QVariantHash) {
            const QVariantHash& hash = *static_cast<const QVariantHash*>(current.constData());
            const auto it = hash.constFind(key.toString());
            current = it == hash.cend() ? QVariant() : *it;
        } else if (type == QMetaType::QJsonObject) {
            current = QVariant::fromValue(static_cast<const QJsonObject*>(current.constData())->value(key));
        } else if (type == QMetaType::QJsonValue &&
                   static_cast<const QJsonValue*>(current.constData())->isObject()) {
            current = QVariant::fromValue(
                static_cast<const QJsonValue*>(current.constData())->toObject().value(key));
        } else {
            return QVariant();
        }
    }
    return PredicateValues::normalized(current);
}

} // namespace Platform
