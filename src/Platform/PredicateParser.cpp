#include "Platform/Predicate.h"
#include "Platform/PredicateValues.h"

#include <cmath>
#include <limits>

namespace Platform {

namespace {

struct ParseError {
    QString message;
    qsizetype offset;
};

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= '0' && u <= '9')
        value = u - '0';
    else if (u >= 'a' && u <= 'f')
        value = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        value = u - 'A' + 10;
    return value < base ? value : -1;
}

// Recursive descent over the format text. Errors are thrown as ParseError and caught in fromFormat, so no
// half-built predicate escapes; the depth limit keeps the recursion shallow whatever the input. Every
// node is made by the tree API, so what it refuses (text too long or too deep once printed, a pattern
// that does not compile) is refused here too.
class Parser {
public:
    explicit Parser(QStringView text)
        : m_text(text) {}

    Predicate parse() {
        skipSpace();
        if (atEnd())
            fail(QStringLiteral("the format is empty"));
        Predicate predicate = parseOr(0);
        skipSpace();
        if (!atEnd())
            fail(QStringLiteral("unexpected text \"%1\"").arg(excerpt()));
        return predicate;
    }

private:
    [[noreturn]] void fail(const QString& message) const { throw ParseError{message, m_pos}; }
    [[noreturn]] void failAt(qsizetype offset, const QString& message) const {
        throw ParseError{message, offset};
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek(qsizetype ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : QChar();
    }

    void skipSpace() {
        while (!atEnd() && peek().isSpace())
            ++m_pos;
    }

    QString excerpt() const { return m_text.mid(m_pos, 20).toString(); }

    QStringView peekWord() const {
        if (atEnd() || !isWordStart(peek()))
            return {};
        qsizetype end = m_pos + 1;
        while (end < m_text.size() && isWordChar(m_text[end]))
            ++end;
        return m_text.mid(m_pos, end - m_pos);
    }

    bool acceptWord(QStringView keyword) {
        skipSpace();
        if (peekWord().compare(keyword, Qt::CaseInsensitive) != 0)
            return false;
        m_pos += keyword.size();
        return true;
    }

    bool acceptSymbol(QStringView symbol) {
        skipSpace();
        if (!m_text.mid(m_pos).startsWith(symbol))
            return false;
        m_pos += symbol.size();
        return true;
    }

    void expectSymbol(QStringView symbol) {
        if (!acceptSymbol(symbol))
            fail(QStringLiteral("expected \"%1\"").arg(symbol));
    }

    int deeper(int depth) const {
        if (depth + 1 > Predicate::MaximumNestingDepth)
            fail(QStringLiteral("parentheses, NOT and collections are nested deeper than %1 levels")
                     .arg(Predicate::MaximumNestingDepth));
        return depth + 1;
    }

    Predicate checked(Predicate predicate, qsizetype offset) const {
        if (!predicate.isValid())
            failAt(offset, predicate.errorMessage());
        return predicate;
    }

    Predicate parseOr(int depth) {
        const qsizetype start = m_pos;
        QList<Predicate> parts{parseAnd(depth)};
        while (acceptWord(u"OR") || acceptSymbol(u"||"))
            parts.append(parseAnd(depth));
        return parts.size() == 1 ? parts.constFirst() : checked(Predicate::orPredicate(parts), start);
    }

    Predicate parseAnd(int depth) {
        const qsizetype start = m_pos;
        QList<Predicate> parts{parseUnary(depth)};
        while (acceptWord(u"AND") || acceptSymbol(u"&&"))
            parts.append(parseUnary(depth));
        return parts.size() == 1 ? parts.constFirst() : checked(Predicate::andPredicate(parts), start);
    }

    Predicate parseUnary(int depth) {
        skipSpace();
        const qsizetype start = m_pos;
        if (acceptWord(u"NOT") || (peek() == u'!' && peek(1) != u'=' && acceptSymbol(u"!")))
            return checked(Predicate::notPredicate(parseUnary(deeper(depth))), start);
        if (acceptSymbol(u"(")) {
            Predicate inner = parseOr(deeper(depth));
            expectSymbol(u")");
            return inner;
        }
        if (acceptWord(u"TRUEPREDICATE"))
            return Predicate::truePredicate();
        if (acceptWord(u"FALSEPREDICATE"))
            return Predicate::falsePredicate();
        if (acceptWord(u"ANY") || acceptWord(u"SOME"))
            return parseComparison(depth, Predicate::Modifier::Any);
        if (acceptWord(u"ALL"))
            return parseComparison(depth, Predicate::Modifier::All);
        // NONE is the negation of ANY, as the platform reads it.
        if (acceptWord(u"NONE"))
            return checked(Predicate::notPredicate(parseComparison(depth, Predicate::Modifier::Any)), start);
        return parseComparison(depth, Predicate::Modifier::Direct);
    }

    Predicate parseComparison(int depth, Predicate::Modifier modifier) {
        skipSpace();
        const qsizetype start = m_pos;
        const Expression left = parseExpression(depth);
        const Predicate::Operator op = parseOperator();
        const Predicate::Options options = parseOptions();
        const Expression right = parseExpression(depth);
        return checked(Predicate::comparison(left, op, right, options, modifier), start);
    }

    Predicate::Operator parseOperator() {
        using Op = Predicate::Operator;
        skipSpace();
        // Longest symbols first, so "<=" is not read as "<".
        static const std::pair<QStringView, Op> symbols[] = {{u"==", Op::EqualTo},
                                                             {u"!=", Op::NotEqualTo},
                                                             {u"<>", Op::NotEqualTo},
                                                             {u"<=", Op::LessThanOrEqualTo},
                                                             {u"=<", Op::LessThanOrEqualTo},
                                                             {u">=", Op::GreaterThanOrEqualTo},
                                                             {u"=>", Op::GreaterThanOrEqualTo},
                                                             {u"<", Op::LessThan},
                                                             {u">", Op::GreaterThan},
                                                             {u"=", Op::EqualTo}};
        for (const auto& [symbol, op] : symbols) {
            if (acceptSymbol(symbol))
                return op;
        }
        static const std::pair<QStringView, Op> words[] = {
            {u"CONTAINS", Op::Contains}, {u"BEGINSWITH", Op::BeginsWith}, {u"ENDSWITH", Op::EndsWith},
            {u"LIKE", Op::Like},         {u"MATCHES", Op::Matches},       {u"IN", Op::In},
            {u"BETWEEN", Op::Between}};
        for (const auto& [word, op] : words) {
            if (acceptWord(word))
                return op;
        }
        if (peekWord().compare(u"UTI", Qt::CaseInsensitive) == 0 && peek(3) == u'-')
            fail(QStringLiteral("the UTI-CONFORMS-TO and UTI-EQUALS operators are not supported"));
        if (atEnd())
            fail(QStringLiteral("expected a comparison operator at the end"));
        fail(QStringLiteral("expected a comparison operator at \"%1\"").arg(excerpt()));
    }

    Predicate::Options parseOptions() {
        Predicate::Options options;
        if (!acceptSymbol(u"["))
            return options;
        while (!atEnd() && peek() != u']') {
            const QChar c = peek().toLower();
            if (c == u'c')
                options |= Predicate::Option::CaseInsensitive;
            else if (c == u'd')
                options |= Predicate::Option::DiacriticInsensitive;
            else
                fail(QStringLiteral("unknown comparison option \"%1\"").arg(peek()));
            ++m_pos;
        }
        expectSymbol(u"]");
        return options;
    }

    // An expression, then a check that no arithmetic follows it: it would otherwise read as a
    // comparison operator that is missing.
    Expression parseExpression(int depth) {
        Expression expression = parsePrimary(depth);
        skipSpace();
        const QChar c = peek();
        if (c == u'+' || c == u'-' || c == u'*' || c == u'/')
            fail(QStringLiteral("arithmetic (%1) is not supported").arg(c));
        if (c == u':' && peek(1) == u'=')
            fail(QStringLiteral("assignments (:=) are not supported"));
        return expression;
    }

    Expression parsePrimary(int depth) {
        skipSpace();
        if (atEnd())
            fail(QStringLiteral("expected a value or key path at the end"));
        const QChar c = peek();
        if (c == u'"' || c == u'\'')
            return Expression::constant(parseString());
        if (c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && (peek(1).isDigit() || peek(1) == u'.')))
            return Expression::constant(parseNumber());
        if (c == u'{')
            return parseAggregate(deeper(depth));
        if (c == u'$')
            fail(QStringLiteral("variables ($NAME) are not supported"));
        if (c == u'%')
            fail(QStringLiteral("format arguments (%@, %K) are not supported"));
        if (c == u'(')
            fail(QStringLiteral("parenthesised expressions are not supported; parentheses group predicates"));
        if (c == u'#' || c == u'@' || isWordStart(c)) {
            if (c != u'#' && c != u'@') {
                const QStringView word = peekWord();
                const qsizetype after = m_pos + word.size();
                const bool call = after < m_text.size() && (m_text[after] == u'(' || m_text[after] == u':');
                if (word.compare(u"SUBQUERY", Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("subqueries (SUBQUERY) are not supported"));
                if (word.compare(u"FETCH", Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("FETCH expressions are not supported"));
                if (word.compare(u"ANYKEY", Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("ANYKEY is not supported"));
                if (acceptWord(u"TRUE") || acceptWord(u"YES"))
                    return Expression::constant(true);
                if (acceptWord(u"FALSE") || acceptWord(u"NO"))
                    return Expression::constant(false);
                if (acceptWord(u"NIL") || acceptWord(u"NULL"))
                    return Expression::nil();
                if (acceptWord(u"CAST"))
                    return Expression::constant(parseDateCast());
                if (call)
                    fail(QStringLiteral("function expressions (%1) are not supported").arg(word));
                if (acceptWord(u"SELF")) {
                    if (peek() == u'[')
                        fail(QStringLiteral("subscripts of SELF are not supported"));
                    if (peek() != u'.')
                        return Expression::evaluatedObject();
                    ++m_pos;
                }
            }
            return parseKeyPath();
        }
        fail(QStringLiteral("expected a value or key path at \"%1\"").arg(excerpt()));
    }

    Expression parseAggregate(int depth) {
        expectSymbol(u"{");
        QList<Expression> elements;
        if (!acceptSymbol(u"}")) {
            do {
                elements.append(parseExpression(depth));
            } while (acceptSymbol(u","));
            expectSymbol(u"}");
        }
        return Expression::aggregate(elements);
    }

    Expression parseKeyPath() {
        const qsizetype start = m_pos;
        QString path;
        while (true) {
            const bool escaped = !atEnd() && peek() == u'#';
            const bool collectionOperator = !atEnd() && peek() == u'@';
            if (escaped || collectionOperator)
                ++m_pos;
            const QStringView word = peekWord();
            if (word.isEmpty())
                fail(QStringLiteral("expected a key path component at \"%1\"").arg(excerpt()));
            if (!escaped && !collectionOperator && isReservedPredicateWord(word))
                fail(
                    QStringLiteral("\"%1\" is a reserved word; write #%1 to use it in a key path").arg(word));
            if (!path.isEmpty())
                path += u'.';
            if (collectionOperator)
                path += u'@';
            path += word;
            m_pos += word.size();
            while (peek() == u'[')
                path += parseSubscript();
            if (atEnd() || peek() != u'.')
                break;
            ++m_pos;
        }
        const Expression expression = Expression::keyPath(path);
        if (!expression.isValid())
            failAt(start, expression.errorMessage());
        return expression;
    }

    QString parseSubscript() {
        expectSymbol(u"[");
        skipSpace();
        QString index;
        if (acceptWord(u"FIRST")) {
            index = QStringLiteral("FIRST");
        } else if (acceptWord(u"LAST")) {
            index = QStringLiteral("LAST");
        } else if (acceptWord(u"SIZE")) {
            index = QStringLiteral("SIZE");
        } else if (peek().isDigit()) {
            const qsizetype start = m_pos;
            const QVariant position = parseNumber();
            if (!PredicateValues::isIntegral(position) || position.typeId() == QMetaType::ULongLong)
                failAt(start, QStringLiteral("a subscript position is a whole number"));
            index = QString::number(position.toLongLong());
        } else if (peek() == u'"' || peek() == u'\'') {
            fail(QStringLiteral("dictionary subscripts are not supported; write the key in the key path"));
        } else {
            fail(QStringLiteral("a subscript is FIRST, LAST, SIZE or a position, not \"%1\"").arg(excerpt()));
        }
        expectSymbol(u"]");
        return u'[' + index + u']';
    }

    void appendCodePoint(QString& value, char32_t code) {
        if (code > 0x10FFFF)
            fail(QStringLiteral("\\U%1 is not a character").arg(uint(code), 8, 16, QLatin1Char('0')));
        if (code >= 0x10000)
            value += QString::fromUcs4(&code, 1);
        else
            value += QChar(char16_t(code));
    }

    char32_t readDigits(int count, int base, const QString& escape) {
        char32_t code = 0;
        for (int i = 0; i < count; ++i, ++m_pos) {
            const int digit = atEnd() ? -1 : digitValue(peek(), base);
            if (digit < 0)
                fail(QStringLiteral("%1 must be followed by %2 %3 digits")
                         .arg(escape)
                         .arg(count)
                         .arg(base == 8 ? QStringLiteral("octal") : QStringLiteral("hexadecimal")));
            code = code * char32_t(base) + char32_t(digit);
        }
        return code;
    }

    QString parseString() {
        const QChar quote = peek();
        const qsizetype start = m_pos++;
        QString value;
        while (!atEnd() && peek() != quote) {
            QChar c = m_text[m_pos++];
            if (c != u'\\') {
                value += c;
                continue;
            }
            if (atEnd())
                break;
            c = m_text[m_pos++];
            switch (c.unicode()) {
            case 'n':
                value += u'\n';
                break;
            case 't':
                value += u'\t';
                break;
            case 'r':
                value += u'\r';
                break;
            case 'a':
                value += QChar(0x07);
                break;
            case 'b':
                value += QChar(0x08);
                break;
            case 'f':
                value += QChar(0x0c);
                break;
            case 'v':
                value += QChar(0x0b);
                break;
            case 'x':
                appendCodePoint(value, readDigits(2, 16, QStringLiteral("\\x")));
                break;
            case 'u':
                appendCodePoint(value, readDigits(4, 16, QStringLiteral("\\u")));
                break;
            case 'U':
                appendCodePoint(value, readDigits(8, 16, QStringLiteral("\\U")));
                break;
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
                --m_pos;
                appendCodePoint(value, readDigits(3, 8, QStringLiteral("\\ with a digit")));
                break;
            default:
                value += c; // \\, \", \' and any other escaped character stand for themselves
                break;
            }
        }
        if (atEnd()) {
            m_pos = start;
            fail(QStringLiteral("the string is not closed"));
        }
        ++m_pos;
        return value;
    }

    QVariant parseNumber() {
        const qsizetype start = m_pos;
        const bool negative = peek() == u'-';
        if (peek() == u'-' || peek() == u'+')
            ++m_pos;
        const QChar prefix = peek(1).toLower();
        if (peek() == u'0' && (prefix == u'x' || prefix == u'o' || prefix == u'b')) {
            const int base = prefix == u'x' ? 16 : prefix == u'o' ? 8 : 2;
            m_pos += 2;
            quint64 value = 0;
            qsizetype digits = 0;
            for (int digit; !atEnd() && (digit = digitValue(peek(), base)) >= 0; ++m_pos, ++digits) {
                if (value > (std::numeric_limits<quint64>::max() - quint64(digit)) / quint64(base))
                    failAt(start, QStringLiteral("\"%1\" is out of range").arg(m_text.mid(start, 24)));
                value = value * quint64(base) + quint64(digit);
            }
            if (digits == 0 || (!atEnd() && isWordChar(peek())))
                failAt(start,
                       QStringLiteral("\"%1\" is not a number").arg(m_text.mid(start, m_pos - start + 1)));
            if (!negative)
                return value;
            if (value > quint64(std::numeric_limits<qint64>::max()) + 1)
                failAt(start, QStringLiteral("\"%1\" is out of range").arg(m_text.mid(start, m_pos - start)));
            return qlonglong(0 - value);
        }
        bool integral = true;
        while (!atEnd() && (peek().isDigit() || peek() == u'.' || peek().toLower() == u'e' ||
                            ((peek() == u'-' || peek() == u'+') && m_text[m_pos - 1].toLower() == u'e'))) {
            if (!peek().isDigit())
                integral = false;
            ++m_pos;
        }
        const QStringView text = m_text.mid(start, m_pos - start);
        if (!atEnd() && isWordChar(peek())) {
            m_pos = start;
            fail(QStringLiteral("\"%1\" is not a number").arg(m_text.mid(start, text.size() + 1)));
        }
        bool ok = false;
        if (integral) {
            const qlonglong value = text.toLongLong(&ok);
            if (ok)
                return value;
            const qulonglong unsignedValue = text.toULongLong(&ok);
            if (ok && !negative)
                return unsignedValue;
        }
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            m_pos = start;
            fail(QStringLiteral("\"%1\" is not a number").arg(text));
        }
        return value;
    }

    QVariant parseDateCast() {
        expectSymbol(u"(");
        skipSpace();
        if (atEnd() || !(peek().isDigit() || peek() == u'-' || peek() == u'+' || peek() == u'.'))
            fail(QStringLiteral("CAST expects the seconds since 2001-01-01 as a number"));
        const double seconds = parseNumber().toDouble();
        expectSymbol(u",");
        skipSpace();
        if (atEnd() || (peek() != u'"' && peek() != u'\''))
            fail(QStringLiteral("CAST expects the type name \"NSDate\""));
        const QString type = parseString();
        if (type != QLatin1String("NSDate"))
            fail(QStringLiteral("CAST to \"%1\" is not supported; only \"NSDate\" is").arg(type));
        expectSymbol(u")");
        const Expression date = Expression::constant(QVariant::fromValue(PredicateDate{seconds}));
        if (!date.isValid())
            fail(date.errorMessage());
        return date.constantValue();
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

std::optional<Predicate> Predicate::fromFormat(QStringView format, QString* errorMessage) {
    if (format.size() > MaximumFormatLength) {
        if (errorMessage)
            *errorMessage =
                QStringLiteral("predicate format is longer than %1 characters").arg(MaximumFormatLength);
        return std::nullopt;
    }
    try {
        return Parser(format).parse();
    } catch (const ParseError& error) {
        if (errorMessage)
            *errorMessage =
                QStringLiteral("predicate format: %1 (at offset %2)").arg(error.message).arg(error.offset);
        return std::nullopt;
    }
}

} // namespace Platform
