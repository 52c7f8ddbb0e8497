#include "Platform/Predicate.h"
#include "Platform/PredicateValues.h"

#include <cmath>

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

// Recursive descent over the format text. Errors are thrown as ParseError and caught in fromFormat, so no
// half-built predicate escapes; the depth limit keeps the recursion shallow whatever the input.
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
            fail(QStringLiteral("parentheses and NOT are nested deeper than %1 levels")
                     .arg(Predicate::MaximumNestingDepth));
        return depth + 1;
    }

    Predicate parseOr(int depth) {
        QList<Predicate> parts{parseAnd(depth)};
        while (acceptWord(u"OR") || acceptSymbol(u"||"))
            parts.append(parseAnd(depth));
        return parts.size() == 1 ? parts.constFirst() : Predicate::orPredicate(parts);
    }

    Predicate parseAnd(int depth) {
        QList<Predicate> parts{parseUnary(depth)};
        while (acceptWord(u"AND") || acceptSymbol(u"&&"))
            parts.append(parseUnary(depth));
        return parts.size() == 1 ? parts.constFirst() : Predicate::andPredicate(parts);
    }

    Predicate parseUnary(int depth) {
        skipSpace();
        if (acceptWord(u"NOT") || (peek() == u'!' && peek(1) != u'=' && acceptSymbol(u"!")))
            return Predicate::notPredicate(parseUnary(deeper(depth)));
        if (acceptSymbol(u"(")) {
            Predicate inner = parseOr(deeper(depth));
            expectSymbol(u")");
            return inner;
        }
        if (acceptWord(u"TRUEPREDICATE"))
            return Predicate::truePredicate();
        if (acceptWord(u"FALSEPREDICATE"))
            return Predicate::falsePredicate();
        return parseComparison();
    }

    Predicate parseComparison() {
        const Expression left = parseExpression();
        const Predicate::Operator op = parseOperator();
        const Predicate::Options options = parseOptions();
        const Expression right = parseExpression();
        return Predicate::comparison(left, op, right, options);
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
            {u"CONTAINS", Op::Contains}, {u"BEGINSWITH", Op::BeginsWith}, {u"ENDSWITH", Op::EndsWith}};
        for (const auto& [word, op] : words) {
            if (acceptWord(word))
                return op;
        }
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

    Expression parseExpression() {
        skipSpace();
        if (atEnd())
            fail(QStringLiteral("expected a value or key path at the end"));
        const QChar c = peek();
        if (c == u'"' || c == u'\'')
            return Expression::constant(parseString());
        if (c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && (peek(1).isDigit() || peek(1) == u'.')))
            return Expression::constant(parseNumber());
        if (c == u'#' || isWordStart(c)) {
            if (c != u'#') {
                if (acceptWord(u"TRUE") || acceptWord(u"YES"))
                    return Expression::constant(true);
                if (acceptWord(u"FALSE") || acceptWord(u"NO"))
                    return Expression::constant(false);
                if (acceptWord(u"NIL") || acceptWord(u"NULL"))
                    return Expression::nil();
                if (acceptWord(u"CAST"))
                    return Expression::constant(parseDateCast());
            }
            return Expression::keyPath(parseKeyPath());
        }
        fail(QStringLiteral("expected a value or key path at \"%1\"").arg(excerpt()));
    }

    QString parseKeyPath() {
        QStringList components;
        while (true) {
            const bool escaped = !atEnd() && peek() == u'#';
            if (escaped)
                ++m_pos;
            const QStringView word = peekWord();
            if (word.isEmpty())
                fail(QStringLiteral("expected a key path component at \"%1\"").arg(excerpt()));
            if (!escaped && isReservedPredicateWord(word))
                fail(
                    QStringLiteral("\"%1\" is a reserved word; write #%1 to use it in a key path").arg(word));
            components.append(word.toString());
            m_pos += word.size();
            if (atEnd() || peek() != u'.')
                break;
            ++m_pos;
        }
        return components.join(u'.');
    }

    QString parseString() {
        const QChar quote = peek();
        const qsizetype start = m_pos++;
        QString value;
        while (!atEnd() && peek() != quote) {
            QChar c = m_text[m_pos++];
            if (c == u'\\') {
                if (atEnd())
                    break;
                c = m_text[m_pos++];
                switch (c.unicode()) {
                case 'n':
                    c = u'\n';
                    break;
                case 't':
                    c = u'\t';
                    break;
                case 'r':
                    c = u'\r';
                    break;
                case 'u': {
                    ushort code = 0;
                    for (int i = 0; i < 4; ++i, ++m_pos) {
                        const int digit =
                            atEnd() ? -1 : QStringLiteral("0123456789abcdef").indexOf(peek().toLower());
                        if (digit < 0)
                            fail(QStringLiteral("\\u must be followed by four hexadecimal digits"));
                        code = ushort(code * 16 + digit);
                    }
                    c = QChar(code);
                    break;
                }
                default:
                    break; // \\, \", \' and any other escaped character stand for themselves
                }
            }
            value += c;
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
        if (peek() == u'-' || peek() == u'+')
            ++m_pos;
        bool integral = true;
        while (!atEnd() && (peek().isDigit() || peek() == u'.' || peek().toLower() == u'e' ||
                            ((peek() == u'-' || peek() == u'+') && m_text[m_pos - 1].toLower() == u'e'))) {
            if (!peek().isDigit())
                integral = false;
            ++m_pos;
        }
        const QStringView text = m_text.mid(start, m_pos - start);
        bool ok = false;
        if (integral) {
            const qlonglong value = text.toLongLong(&ok);
            if (ok)
                return value;
        }
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            m_pos = start;
            fail(QStringLiteral("\"%1\" is not a number").arg(text));
        }
        return value;
    }

    QDateTime parseDateCast() {
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
        // Seconds beyond what a date can hold (about 292 million years either way) are refused.
        if (std::fabs(seconds) > 9.0e12)
            fail(QStringLiteral("the date is out of range"));
        return predicateReferenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
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
