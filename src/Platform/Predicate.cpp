#include "Platform/Predicate.h"

#include "Platform/PredicateKeyPath.h"
#include "Platform/PredicateValues.h"

#include <QRegularExpression>

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
    Modifier modifier = Modifier::Direct;
    // A constant string on the right is folded once for [c]/[d], and a constant MATCHES pattern compiled
    // once, not at every evaluation.
    std::optional<QString> foldedRight;
    std::optional<QRegularExpression> regex;
    QString text; // a comparison's format text

    CompoundType compoundType = CompoundType::And;
    QList<Predicate> subpredicates;

    // What the format text will be like, known without printing it: its length, how deeply its
    // parentheses, NOTs and collections nest, and whether it is an AND or OR of several (which needs
    // parentheses as an operand). treeDepth bounds the recursion of printing and evaluation.
    qsizetype printedLength = 13; // TRUEPREDICATE
    int printedDepth = 0;
    bool junction = false;
    int treeDepth = 0;
    QString error;
};

namespace {

// Compounds that print as one of their elements may nest deeper than the text does; this bounds them.
constexpr int MaximumTreeDepth = 4 * Predicate::MaximumNestingDepth;

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

void registerDateType() {
    static const bool registered = [] {
        QMetaType::registerConverter<PredicateDate, QDateTime>([](const PredicateDate& date) {
            return predicateReferenceDate().addMSecs(
                qint64(std::floor(date.secondsSinceReferenceDate * 1000.0)));
        });
        return true;
    }();
    Q_UNUSED(registered);
}

// Seconds a date can count from the reference date either way (about 292 million years).
constexpr double MaximumDateSeconds = 9.0e12;

QString shortestDouble(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

// As the platform prints numbers: whole values without a fraction; otherwise the shortest text that
// reads back as the same value.
QString formatDouble(double value) {
    if (value == 0)
        return QStringLiteral("0"); // also -0, which reads back as the integer 0
    return shortestDouble(value);
}

// As the platform prints date constants, with six decimals, unless they would not give the same instant
// back; then with as many as it takes.
QString formatDateSeconds(double seconds) {
    if (std::fabs(seconds) < 1e15) {
        const QString fixed = QString::asprintf("%.6f", seconds);
        if (fixed.toDouble() == seconds)
            return fixed;
    }
    QString text = shortestDouble(seconds);
    if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text;
}

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
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
            if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += c;
                out += text[++i];
            } else if (c.isSurrogate()) {
                // A surrogate on its own has no UTF-8 form; the escape keeps it through a save.
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
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
    case Predicate::Operator::Matches:
        return QStringLiteral("MATCHES");
    case Predicate::Operator::Like:
        return QStringLiteral("LIKE");
    case Predicate::Operator::BeginsWith:
        return QStringLiteral("BEGINSWITH");
    case Predicate::Operator::EndsWith:
        return QStringLiteral("ENDSWITH");
    case Predicate::Operator::In:
        return QStringLiteral("IN");
    case Predicate::Operator::Contains:
        return QStringLiteral("CONTAINS");
    case Predicate::Operator::Between:
        return QStringLiteral("BETWEEN");
    }
    return {};
}

bool knownOperator(Predicate::Operator op) {
    return !operatorText(op).isEmpty();
}

// A single-element AND/OR means its element; print and parenthesise by what it stands for.
const Predicate* effective(const Predicate* predicate) {
    while (predicate->isCompound() && predicate->compoundType() != Predicate::CompoundType::Not &&
           predicate->subpredicates().size() == 1)
        predicate = &predicate->subpredicates().constFirst();
    return predicate;
}

struct PrintInfo {
    qsizetype length;
    int depth;
    bool junction;
};

PrintInfo operandInfo(const PrintInfo& info) {
    return {info.length + (info.junction ? 2 : 0), info.depth + (info.junction ? 1 : 0), false};
}

// The text of an AND or OR of the given parts, as format() prints it.
PrintInfo junctionInfo(bool isAnd, const QList<PrintInfo>& parts) {
    if (parts.isEmpty())
        return {isAnd ? 13 : 14, 0, false}; // TRUEPREDICATE, FALSEPREDICATE
    if (parts.size() == 1)
        return parts.constFirst();
    PrintInfo info{(parts.size() - 1) * (isAnd ? 5 : 4), 0, true};
    for (const PrintInfo& part : parts) {
        const PrintInfo operand = operandInfo(part);
        info.length += operand.length;
        info.depth = std::max(info.depth, operand.depth);
    }
    return info;
}

QString limitError(qsizetype length, int depth) {
    if (length > Predicate::MaximumFormatLength)
        return QStringLiteral("the predicate's text would be longer than %1 characters")
            .arg(Predicate::MaximumFormatLength);
    if (depth > Predicate::MaximumNestingDepth)
        return QStringLiteral("the predicate's text would be nested deeper than %1 levels")
            .arg(Predicate::MaximumNestingDepth);
    return {};
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

std::optional<double> predicateDateSeconds(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return std::nullopt;
        return double(predicateReferenceDate().msecsTo(date)) / 1000.0;
    }
    if (value.typeId() == qMetaTypeId<PredicateDate>())
        return value.value<PredicateDate>().secondsSinceReferenceDate;
    return std::nullopt;
}

// Expression

Expression Expression::keyPath(const QString& keyPath) {
    Expression expression;
    expression.m_type = Type::KeyPath;
    expression.m_keyPath = keyPath;
    QString error;
    if (!PredicateKeyPath::parse(keyPath, &error))
        expression.m_error = error;
    return expression;
}

Expression Expression::constant(const QVariant& input) {
    registerDateType();
    Expression expression;
    const QVariant value = PredicateValues::normalized(input);
    switch (PredicateValues::kindOf(value)) {
    case PredicateValues::Kind::Nil:
        return expression;
    case PredicateValues::Kind::Number:
        // One form per number, as it reads back from the text.
        if (value.typeId() == QMetaType::Bool)
            expression.m_constant = value;
        else if (!PredicateValues::isIntegral(value))
            expression.m_constant = std::isfinite(value.toDouble()) ? QVariant(value.toDouble()) : QVariant();
        else if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong ||
                 value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::UShort ||
                 value.typeId() == QMetaType::UChar)
            expression.m_constant = value.toULongLong() > quint64(std::numeric_limits<qint64>::max())
                                        ? QVariant(value.toULongLong())
                                        : QVariant(value.toLongLong());
        else
            expression.m_constant = QVariant(value.toLongLong());
        return expression;
    case PredicateValues::Kind::String:
        expression.m_constant = value;
        return expression;
    case PredicateValues::Kind::Date: {
        const double seconds = *predicateDateSeconds(value);
        if (!std::isfinite(seconds))
            return expression;
        if (std::fabs(seconds) > MaximumDateSeconds) {
            expression.m_error = QStringLiteral("the date is out of range");
            return expression;
        }
        // A whole millisecond is a QDateTime, whichever way the date came.
        const double milliseconds = std::nearbyint(seconds * 1000.0);
        if (milliseconds / 1000.0 == seconds)
            expression.m_constant = predicateReferenceDate().addMSecs(qint64(milliseconds));
        else
            expression.m_constant = QVariant::fromValue(PredicateDate{seconds});
        return expression;
    }
    case PredicateValues::Kind::Collection: {
        QList<Expression> elements;
        for (const QVariant& element : value.toList())
            elements.append(constant(element));
        return aggregate(elements);
    }
    case PredicateValues::Kind::Other:
        break;
    }
    if (value.canConvert<QString>()) {
        expression.m_constant = value.toString();
    } else {
        expression.m_constant = value;
        expression.m_error = QStringLiteral("a constant of type %1 cannot be written as text")
                                 .arg(QString::fromLatin1(value.metaType().name()));
    }
    return expression;
}

Expression Expression::evaluatedObject() {
    Expression expression;
    expression.m_type = Type::EvaluatedObject;
    return expression;
}

Expression Expression::aggregate(const QList<Expression>& elements) {
    Expression expression;
    expression.m_type = Type::Aggregate;
    expression.m_elements = std::make_shared<const QList<Expression>>(elements);
    for (const Expression& element : elements) {
        expression.m_depth = std::max(expression.m_depth, element.m_depth + 1);
        if (expression.m_error.isEmpty() && !element.isValid())
            expression.m_error = element.m_error;
    }
    if (elements.isEmpty())
        expression.m_depth = 1;
    if (expression.m_error.isEmpty() && expression.m_depth > Predicate::MaximumNestingDepth)
        expression.m_error = QStringLiteral("collections are nested deeper than %1 levels")
                                 .arg(Predicate::MaximumNestingDepth);
    return expression;
}

QList<Expression> Expression::aggregateElements() const {
    return m_elements ? *m_elements : QList<Expression>();
}

QString Expression::format() const {
    if (!isValid())
        return {};
    switch (m_type) {
    case Type::KeyPath:
        return PredicateKeyPath::format(*PredicateKeyPath::parse(m_keyPath));
    case Type::EvaluatedObject:
        return QStringLiteral("SELF");
    case Type::Aggregate: {
        QStringList parts;
        for (const Expression& element : aggregateElements())
            parts.append(element.format());
        return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    case Type::Constant:
        break;
    }
    switch (PredicateValues::kindOf(m_constant)) {
    case PredicateValues::Kind::Nil:
        return QStringLiteral("nil");
    case PredicateValues::Kind::Number:
        // Booleans are numbers, and print as the platform prints them.
        if (m_constant.typeId() == QMetaType::Bool)
            return m_constant.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        if (PredicateValues::isIntegral(m_constant))
            return m_constant.toString();
        return formatDouble(m_constant.toDouble());
    case PredicateValues::Kind::Date:
        return QStringLiteral("CAST(%1, \"NSDate\")")
            .arg(formatDateSeconds(*predicateDateSeconds(m_constant)));
    case PredicateValues::Kind::String:
    case PredicateValues::Kind::Collection:
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
    node->printedLength = 14;
    return Predicate(std::move(node));
}

Predicate Predicate::comparison(const Expression& left, Operator op, const Expression& right, Options options,
                                Modifier modifier) {
    auto node = std::make_shared<Node>();
    node->kind = Kind::Comparison;
    node->left = left;
    node->op = op;
    node->right = right;
    node->options = options & (Option::CaseInsensitive | Option::DiacriticInsensitive);
    node->modifier = modifier;
    const auto invalid = [&node](const QString& error) {
        node->error = error;
        node->printedLength = 0;
        return Predicate(std::move(node));
    };
    if (!left.isValid())
        return invalid(left.errorMessage());
    if (!right.isValid())
        return invalid(right.errorMessage());
    if (!knownOperator(op))
        return invalid(QStringLiteral("the comparison operator %1 is not supported").arg(int(op)));
    if (modifier != Modifier::Direct && modifier != Modifier::Any && modifier != Modifier::All)
        return invalid(QStringLiteral("the comparison modifier %1 is not supported").arg(int(modifier)));
    const bool rightIsString =
        right.type() == Expression::Type::Constant &&
        PredicateValues::kindOf(right.constantValue()) == PredicateValues::Kind::String;
    if (op == Operator::Between && right.type() != Expression::Type::KeyPath &&
        (right.type() != Expression::Type::Aggregate || right.aggregateElements().size() != 2))
        return invalid(QStringLiteral("BETWEEN needs a collection of two values, {low, high}"));
    if (op == Operator::Matches && rightIsString) {
        QString error;
        node->regex =
            PredicateValues::matchesExpression(right.constantValue().toString(), node->options, &error);
        if (!node->regex)
            return invalid(error);
    }
    if (rightIsString && node->options)
        node->foldedRight = PredicateValues::folded(right.constantValue().toString(), node->options);

    QString optionText;
    if (node->options)
        optionText = QLatin1Char('[') + QLatin1String(node->options & Option::CaseInsensitive ? "c" : "") +
                     QLatin1String(node->options & Option::DiacriticInsensitive ? "d" : "") +
                     QLatin1Char(']');
    const QString prefix = modifier == Modifier::Any   ? QStringLiteral("ANY ")
                           : modifier == Modifier::All ? QStringLiteral("ALL ")
                                                       : QString();
    node->text = prefix + left.format() + QLatin1Char(' ') + operatorText(op) + optionText +
                 QLatin1Char(' ') + right.format();
    node->printedLength = node->text.size();
    node->printedDepth = std::max(left.nestingDepth(), right.nestingDepth());
    if (const QString error = limitError(node->printedLength, node->printedDepth); !error.isEmpty())
        return invalid(error);
    return Predicate(std::move(node));
}

Predicate Predicate::compound(CompoundType type, const QList<Predicate>& subpredicates) {
    auto node = std::make_shared<Node>();
    node->kind = Kind::Compound;
    node->compoundType = type;
    node->subpredicates = subpredicates;
    QList<PrintInfo> parts;
    parts.reserve(subpredicates.size());
    for (const Predicate& sub : subpredicates) {
        const Node& child = *sub.m_node;
        if (node->error.isEmpty() && !child.error.isEmpty())
            node->error = child.error;
        node->treeDepth = std::max(node->treeDepth, child.treeDepth + 1);
        parts.append({child.printedLength, child.printedDepth, child.junction});
    }
    if (subpredicates.isEmpty())
        node->treeDepth = 1;
    if (type != CompoundType::And && type != CompoundType::Or && type != CompoundType::Not)
        node->error = QStringLiteral("the compound type %1 is not supported").arg(int(type));
    if (!node->error.isEmpty())
        return Predicate(std::move(node));
    if (node->treeDepth > MaximumTreeDepth) {
        node->error = QStringLiteral("the predicate is nested deeper than %1 levels").arg(MaximumTreeDepth);
        return Predicate(std::move(node));
    }
    PrintInfo info;
    if (type == CompoundType::Not) {
        // NOT of several negates their AND.
        const PrintInfo negated =
            operandInfo(parts.size() == 1 ? parts.constFirst() : junctionInfo(true, parts));
        info = {4 + negated.length, 1 + negated.depth, false};
    } else {
        info = junctionInfo(type == CompoundType::And, parts);
    }
    node->printedLength = info.length;
    node->printedDepth = info.depth;
    node->junction = info.junction;
    node->error = limitError(info.length, info.depth);
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

Predicate::Modifier Predicate::comparisonModifier() const {
    return m_node->modifier;
}

bool Predicate::isValid() const {
    return m_node->error.isEmpty();
}

QString Predicate::errorMessage() const {
    return m_node->error;
}

QString Predicate::format() const {
    const Node& node = *m_node;
    if (!node.error.isEmpty())
        return {};
    switch (node.kind) {
    case Kind::True:
        return QStringLiteral("TRUEPREDICATE");
    case Kind::False:
        return QStringLiteral("FALSEPREDICATE");
    case Kind::Comparison:
        return node.text;
    case Kind::Compound:
        break;
    }
    const auto operand = [](const Predicate& predicate) {
        const Predicate* p = effective(&predicate);
        return p->m_node->junction ? QLatin1Char('(') + p->format() + QLatin1Char(')') : p->format();
    };
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
    QString text;
    text.reserve(node.printedLength);
    for (const Predicate& sub : node.subpredicates) {
        if (!text.isEmpty())
            text += isAnd ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
        text += operand(sub);
    }
    return text;
}

bool Predicate::operator==(const Predicate& other) const {
    if (m_node == other.m_node)
        return true;
    if (!isValid() || !other.isValid())
        return false;
    return format() == other.format();
}

bool Predicate::evaluate(const KeyPathAccessor& object) const {
    const Node& node = *m_node;
    if (!node.error.isEmpty())
        return false;
    switch (node.kind) {
    case Kind::True:
        return true;
    case Kind::False:
        return false;
    case Kind::Comparison: {
        std::function<QVariant(const Expression&)> value = [&object,
                                                            &value](const Expression& e) -> QVariant {
            switch (e.type()) {
            case Expression::Type::KeyPath:
                return PredicateValues::normalized(object(e.keyPath()));
            case Expression::Type::EvaluatedObject:
                return PredicateValues::normalized(object(QString()));
            case Expression::Type::Aggregate: {
                QVariantList list;
                for (const Expression& element : e.aggregateElements())
                    list.append(value(element));
                return list;
            }
            case Expression::Type::Constant:
                break;
            }
            return e.constantValue();
        };
        const QVariant left = value(node.left);
        const QVariant right = value(node.right);
        const PredicateValues::Prepared prepared{node.foldedRight ? &*node.foldedRight : nullptr,
                                                 node.regex ? &*node.regex : nullptr};
        if (node.modifier == Modifier::Direct)
            return PredicateValues::compare(left, node.op, right, node.options, prepared);
        const bool any = node.modifier == Modifier::Any;
        for (const QVariant& element : PredicateValues::elementsOf(left)) {
            if (PredicateValues::compare(element, node.op, right, node.options, prepared) == any)
                return any;
        }
        return !any;
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
    if (keyPath.isEmpty())
        return PredicateValues::normalized(root);
    const std::optional<QList<PredicateKeyPath::Step>> steps = PredicateKeyPath::parse(keyPath);
    if (!steps)
        return {};
    return PredicateKeyPath::value(root, *steps);
}

} // namespace Platform
