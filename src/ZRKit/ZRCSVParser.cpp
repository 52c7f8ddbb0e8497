#include "ZRKit/ZRCSVParser.h"

#include "Platform/MainThread.h"
#include "ZRKit/ZRString.h"

#include <algorithm>

namespace {

bool isNewline(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

} // namespace

ZRCSVParser::ZRCSVParser(const QString& csvString, const QString& separator, bool hasHeader,
                         const QStringList& fieldNames)
    : m_csvString(csvString)
    , m_separator(separator)
    , m_hasHeader(hasHeader)
    , m_fieldNames(fieldNames) {
    const bool valid = !separator.isEmpty() && !separator.contains(QLatin1Char('"')) &&
                       std::none_of(separator.cbegin(), separator.cend(), isNewline);
    if (!valid)
        Platform::fatalError(QStringLiteral("CSV separator string must not be empty and must not contain the "
                                            "double quote character or newline characters."));
}

std::optional<QList<QVariantMap>> ZRCSVParser::arrayOfParsedRows() {
    m_receiver = nullptr;
    m_rows.clear();
    if (!parseFile())
        return std::nullopt;
    return std::move(m_rows);
}

bool ZRCSVParser::parseRowsForReceiver(const std::function<void(const QVariantMap&)>& receiver) {
    m_receiver = receiver;
    const bool parsed = parseFile();
    m_receiver = nullptr;
    return parsed;
}

bool ZRCSVParser::fail(const QString& what) {
    const qsizetype line = QStringView(m_csvString).left(m_position).count(QLatin1Char('\n')) + 1;
    m_errorMessage = QStringLiteral("%1 (line %2, character %3)").arg(what).arg(line).arg(m_position + 1);
    return false;
}

void ZRCSVParser::deliver(const QVariantMap& row) {
    if (m_receiver)
        m_receiver(row);
    else
        m_rows.append(row);
}

bool ZRCSVParser::parseFile() {
    m_position = 0;
    m_unterminatedQuote = false;
    m_errorMessage.clear();
    if (m_hasHeader) {
        const std::optional<QStringList> header = parseHeader();
        if (!header)
            return fail(QStringLiteral("no header line"));
        m_fieldNames = *header;
        if (!parseLineSeparator())
            return fail(m_unterminatedQuote ? QStringLiteral("unterminated quoted field")
                                            : QStringLiteral("no record after the header"));
    }
    std::optional<QVariantMap> record = parseRecord();
    if (!record)
        return fail(QStringLiteral("no record"));
    while (true) {
        deliver(*record);
        if (!parseLineSeparator())
            break;
        record = parseRecord();
        if (!record)
            break;
    }
    if (m_unterminatedQuote)
        return fail(QStringLiteral("unterminated quoted field"));
    if (!atEnd())
        return fail(m_csvString.at(m_position) == QLatin1Char('"')
                        ? QStringLiteral("unexpected double quote")
                        : QStringLiteral("unexpected text after a field"));
    return true;
}

std::optional<QStringList> ZRCSVParser::parseHeader() {
    std::optional<QString> field = parseField();
    if (!field)
        return std::nullopt;
    QStringList names{*field};
    while (parseSeparator()) {
        field = parseField();
        if (!field)
            break;
        names.append(*field);
    }
    return names;
}

std::optional<QVariantMap> ZRCSVParser::parseRecord() {
    if (atLineSeparator() || atEnd())
        return std::nullopt;
    std::optional<QString> field = parseField();
    if (!field)
        return std::nullopt;
    QVariantMap record;
    qsizetype column = 0;
    while (true) {
        if (column >= m_fieldNames.size())
            m_fieldNames.append(QStringLiteral("FIELD_%1").arg(column + 1));
        record.insert(m_fieldNames.at(column), *field);
        ++column;
        if (!parseSeparator())
            break;
        field = parseField();
        if (!field)
            break;
    }
    return record;
}

std::optional<QString> ZRCSVParser::parseField() {
    if (std::optional<QString> escaped = parseEscaped())
        return escaped;
    if (m_unterminatedQuote)
        return QString(QLatin1String(""));
    if (std::optional<QString> text = parseTextData())
        return text;
    if (atSeparator() || atLineSeparator() || atEnd())
        return QString(QLatin1String(""));
    return std::nullopt;
}

std::optional<QString> ZRCSVParser::parseEscaped() {
    if (!parseDoubleQuote())
        return std::nullopt;
    QString collected;
    while (true) {
        if (std::optional<QString> text = parseTextData()) {
            collected += *text;
        } else if (parseSeparator()) {
            collected += m_separator;
        } else if (std::optional<QString> newlines = parseLineSeparator()) {
            collected += *newlines;
        } else if (parseTwoDoubleQuotes()) {
            collected += QLatin1Char('"');
        } else {
            break;
        }
    }
    if (!parseDoubleQuote()) {
        m_unterminatedQuote = true; // the characters read so far stay consumed
        return std::nullopt;
    }
    return collected;
}

bool ZRCSVParser::isEndTextCharacter(QChar c) const {
    return isNewline(c) || c == QLatin1Char('"') || c == m_separator.at(0);
}

std::optional<QString> ZRCSVParser::parseTextData() {
    const qsizetype start = m_position;
    while (!atEnd()) {
        const QChar c = m_csvString.at(m_position);
        if (!isEndTextCharacter(c)) {
            ++m_position;
            continue;
        }
        if (m_separator.size() > 1 && c == m_separator.at(0) && !atSeparator()) {
            ++m_position; // the first character of a longer separator alone is text
            continue;
        }
        break;
    }
    if (m_position == start)
        return std::nullopt;
    return m_csvString.mid(start, m_position - start);
}

bool ZRCSVParser::parseTwoDoubleQuotes() {
    if (QStringView(m_csvString).mid(m_position, 2) == QLatin1String("\"\"")) {
        m_position += 2;
        return true;
    }
    return false;
}

bool ZRCSVParser::parseDoubleQuote() {
    if (!atEnd() && m_csvString.at(m_position) == QLatin1Char('"')) {
        ++m_position;
        return true;
    }
    return false;
}

bool ZRCSVParser::atSeparator() const {
    return QStringView(m_csvString).mid(m_position).startsWith(m_separator);
}

bool ZRCSVParser::parseSeparator() {
    if (!atSeparator())
        return false;
    m_position += m_separator.size();
    return true;
}

bool ZRCSVParser::atLineSeparator() const {
    return !atEnd() && isNewline(m_csvString.at(m_position));
}

std::optional<QString> ZRCSVParser::parseLineSeparator() {
    const qsizetype start = m_position;
    while (atLineSeparator())
        ++m_position;
    if (m_position == start)
        return std::nullopt;
    return m_csvString.mid(start, m_position - start);
}

QVariant ZRCSVSaveValueTransformer::transformedValue(const QVariant& value) const {
    if (value.typeId() != QMetaType::QString)
        return QVariant();
    return ZRString::stringByRemovingCSVUnsafeCharacters(value.toString());
}
