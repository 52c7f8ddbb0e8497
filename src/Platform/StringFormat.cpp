#include "Platform/StringFormat.h"

#include <algorithm>

namespace Platform {

namespace {

const QString Null = QStringLiteral("(null)");

// Widths and precisions beyond this are clipped, so a hostile format cannot ask for gigabytes.
constexpr int MaximumWidth = 10000;

QString pad(const QString& text, const QString& flags, int width) {
    if (width <= text.size())
        return text;
    const QString fill(width - text.size(), QLatin1Char(' '));
    return flags.contains(QLatin1Char('-')) ? text + fill : fill + text;
}

QString textOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return Null;
    // A null QString is the kit's nil string; an empty one prints as nothing.
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return Null;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.canConvert<QString>())
        return value.toString();
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        QStringList parts;
        for (const QVariant& element : value.toList())
            parts.append(textOf(element));
        return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
    }
    return QString::fromLatin1(value.metaType().name());
}

/*! The character of a code point; a value that is no character (negative, a lone surrogate, beyond
    U+10FFFF) prints as U+FFFD, one beyond the 16-bit range as its surrogate pair. */
QString characterFor(qlonglong codePoint) {
    if (codePoint < 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return QString(QChar(QChar::ReplacementCharacter));
    const char32_t character = static_cast<char32_t>(codePoint);
    return QString::fromUcs4(&character, 1);
}

} // namespace

QString stringWithFormat(const QString& format, const QVariantList& arguments) {
    QString out;
    out.reserve(format.size() + 16 * arguments.size());
    qsizetype next = 0;
    const qsizetype length = format.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        const qsizetype start = i++;
        if (i < length && format.at(i) == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
            continue;
        }
        // %[position$][flags][width][.precision][length]conversion
        qsizetype position = -1;
        qsizetype scan = i;
        int digits = 0;
        while (scan < length && format.at(scan).isDigit()) {
            digits = digits * 10 + format.at(scan).digitValue();
            ++scan;
            if (digits > 1000000)
                break;
        }
        if (scan < length && scan > i && format.at(scan) == QLatin1Char('$')) {
            position = digits - 1;
            i = scan + 1;
        }
        QString flags;
        while (i < length && QStringLiteral("-+ 0#'").contains(format.at(i)))
            flags.append(format.at(i++));
        int width = 0;
        while (i < length && format.at(i).isDigit())
            width = std::min(width * 10 + format.at(i++).digitValue(), MaximumWidth);
        int precision = -1;
        if (i < length && format.at(i) == QLatin1Char('.')) {
            ++i;
            precision = 0;
            while (i < length && format.at(i).isDigit())
                precision = std::min(precision * 10 + format.at(i++).digitValue(), MaximumWidth);
        }
        while (i < length && QStringLiteral("hlqztjL").contains(format.at(i)))
            ++i;
        if (i >= length) {
            out.append(format.mid(start));
            break;
        }
        const char conversion = format.at(i++).toLatin1();
        const QVariant argument = position >= 0 ? arguments.value(position) : arguments.value(next);
        if (position < 0)
            ++next;
        const QByteArray spec = QByteArray("%") + flags.toLatin1() +
                                (width > 0 ? QByteArray::number(width) : QByteArray()) +
                                (precision >= 0 ? "." + QByteArray::number(precision) : QByteArray());
        switch (conversion) {
        case '@':
        case 's': {
            QString text = textOf(argument);
            if (conversion == 's' && precision >= 0)
                text.truncate(precision);
            out.append(pad(text, flags, width));
            break;
        }
        case 'c':
            out.append(pad(argument.typeId() == QMetaType::QString ? argument.toString().left(1)
                                                                   : characterFor(argument.toLongLong()),
                           flags, width));
            break;
        case 'd':
        case 'i':
            out.append(QString::asprintf((spec + "lld").constData(), argument.toLongLong()));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            out.append(QString::asprintf((spec + "ll" + conversion).constData(), argument.toULongLong()));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            out.append(QString::asprintf((spec + conversion).constData(), argument.toDouble()));
            break;
        default:
            // Not a conversion we know: show the text as written and give the argument back.
            out.append(format.mid(start, i - start));
            if (position < 0)
                --next;
            break;
        }
    }
    return out;
}

} // namespace Platform
