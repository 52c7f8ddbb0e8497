#include "ZRKit/ZRString.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

namespace ZRString {

namespace {

// What a URL query may hold unencoded besides letters and digits.
const QByteArray QueryAllowed = QByteArrayLiteral("!$&'()*+,-./:;=?@_~");
const QByteArray ReservedCharacters = QByteArrayLiteral(":/?#[]@!$&'()*+,;=");

QString percentEncoded(const QString& text, const QByteArray& allowed) {
    // QUrl::toPercentEncoding leaves letters, digits and -._~ alone and the "exclude" bytes as well.
    return QString::fromLatin1(QUrl::toPercentEncoding(text, allowed));
}

} // namespace

int compareByLocalizedStringValue(const QString& receiver, const QString& other) {
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    const int result = QString::compare(bundle.localizedString(receiver, QString()),
                                        bundle.localizedString(other, QString()), Qt::CaseInsensitive);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

QString stringByReplacingEveryOccurrenceOfStringWithString(const QString& receiver, const QString& target,
                                                           const QString& replacement) {
    return stringByReplacingEveryOccurrenceOfStringWithStringOptions(receiver, target, replacement,
                                                                     Qt::CaseSensitive);
}

QString stringByReplacingEveryOccurrenceOfStringWithStringOptions(const QString& receiver,
                                                                  const QString& target,
                                                                  const QString& replacement,
                                                                  Qt::CaseSensitivity options) {
    if (target.isEmpty())
        return receiver;
    QString result = receiver;
    return result.replace(target, replacement, options);
}

QString UUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString stringByRemovingControlCharacters(const QString& receiver) {
    QString result;
    result.reserve(receiver.size());
    for (const QChar c : receiver) {
        const QChar::Category category = c.category();
        const bool control = category == QChar::Other_Control || category == QChar::Other_Format;
        if (!control || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            result.append(c);
    }
    return result;
}

QString stringByRemovingCharactersInSet(const QString& receiver, const QString& characters) {
    QString result;
    result.reserve(receiver.size());
    for (const QChar c : receiver)
        if (!characters.contains(c))
            result.append(c);
    return result;
}

QString stringByRemovingEverythingExceptCharactersInSet(const QString& receiver, const QString& characters) {
    QString result;
    for (const QChar c : receiver)
        if (characters.contains(c))
            result.append(c);
    return result;
}

QString stringByRemovingEverythingExceptlowercaseASCIILetters(const QString& receiver) {
    QString result;
    for (const QChar c : receiver)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            result.append(c);
    return result;
}

QString stringByAddingMailtoSavePercentEscapes(const QString& receiver) {
    QString result = receiver;
    result.replace(QLatin1Char('&'), QStringLiteral("%26"));
    result.replace(QLatin1Char(':'), QStringLiteral("%3A"));
    result.replace(QLatin1Char('?'), QStringLiteral("%3F"));
    result.replace(QLatin1Char('='), QStringLiteral("%3D"));
    return result;
}

QString stringByAddingURLPercentEscapes(const QString& receiver) {
    return percentEncoded(receiver, QueryAllowed);
}

QString stringByAddingURLPercentEscapesIncludingReservedCharacters(const QString& receiver) {
    return percentEncoded(receiver, QueryAllowed + ReservedCharacters);
}

QString stringByAddingURLParameterPercentEscapes(const QString& receiver) {
    return percentEncoded(receiver, QByteArray());
}

QString stringByReplacingURLPercentEscapes(const QString& receiver) {
    return QUrl::fromPercentEncoding(receiver.toUtf8());
}

QString stringByAppendingURLComponent(const QString& receiver, const QString& component) {
    if (receiver.endsWith(QLatin1Char('/')))
        return receiver + component;
    return receiver + QLatin1Char('/') + component;
}

bool isEqualToStringIgnoringCase(const QString& receiver, const QString& other) {
    return receiver.toLower() == other.toLower();
}

bool hasPrefixCaseInsensitive(const QString& receiver, const QString& prefix) {
    if (prefix.isEmpty())
        return true;
    if (prefix.size() > receiver.size())
        return false;
    return QStringView(receiver).left(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

QString stringByRemovingCSVUnsafeCharacters(const QString& receiver) {
    QString result = receiver;
    result.replace(QLatin1Char(','), QLatin1Char('_'));
    result.replace(QLatin1Char('"'), QStringLiteral("''"));
    result.replace(QLatin1Char('\t'), QStringLiteral("    "));
    result.replace(QLatin1Char(';'), QLatin1Char('_'));
    result.remove(QLatin1Char('\r'));
    result.remove(QLatin1Char('\n'));
    return result;
}

QString stringByEscapingForbiddenAppleScriptCharacters(const QString& receiver) {
    QString result = receiver;
    result.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    result.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return result;
}

QString nextAvailablePathByAppendingNumber(const QString& receiver) {
    const QFileInfo info(receiver);
    const QString extension = info.suffix();
    const QString base =
        extension.isEmpty() ? receiver : receiver.left(receiver.size() - extension.size() - 1);
    for (int n = 2; n <= 9999; ++n) {
        QString candidate = base + QLatin1Char(' ') + QString::number(n);
        if (!extension.isEmpty())
            candidate += QLatin1Char('.') + extension;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return QString(QLatin1String(""));
}

QString cdataString(const QString& receiver) {
    const QStringList pieces = receiver.split(QStringLiteral("]]"));
    QStringList wrapped;
    wrapped.reserve(pieces.size());
    for (const QString& piece : pieces)
        wrapped.append(piece.isEmpty() ? QString()
                                       : QStringLiteral("<![CDATA[") + piece + QStringLiteral("]]>"));
    return wrapped.join(QStringLiteral("]]"));
}

QString stringByUnwrappingCData(const QString& receiver) {
    QString result;
    for (const QString& piece : receiver.split(QStringLiteral("<![CDATA["))) {
        if (piece.isEmpty())
            continue;
        const QStringList parts = piece.split(QStringLiteral("]]>"));
        if (parts.size() > 2) {
            Platform::SystemLog::log(
                QStringLiteral("cannot unwrap cdata string '%1', will return original").arg(receiver));
            return receiver;
        }
        for (const QString& part : parts)
            result += part;
    }
    return result;
}

QString stringByAppendingURLParametersFromDictionary(const QString& receiver,
                                                     const URLParameterList& parameters) {
    QStringList pairs;
    for (const auto& parameter : parameters) {
        if (parameter.second.isNull())
            continue;
        pairs.append(stringByAddingURLParameterPercentEscapes(parameter.first) + QLatin1Char('=') +
                     stringByAddingURLParameterPercentEscapes(parameter.second));
    }
    if (pairs.isEmpty())
        return receiver;
    return receiver + QLatin1Char('?') + pairs.join(QLatin1Char('&'));
}

QString stringByAppendingURLParametersFromDictionary(const QString& receiver, const QVariantMap& parameters) {
    URLParameterList list;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        if (it.value().isValid() && !it.value().isNull())
            list.append({it.key(), it.value().toString()});
    return stringByAppendingURLParametersFromDictionary(receiver, list);
}

QVariantMap URLParameters(const QString& receiver) {
    QVariantMap parameters;
    for (const QString& part : receiver.split(QLatin1Char('&'))) {
        const QStringList pieces = part.split(QLatin1Char('='));
        if (pieces.size() < 2) {
            parameters.insert(part, QString(QLatin1String("")));
            continue;
        }
        parameters.insert(stringByReplacingURLPercentEscapes(pieces.at(0)),
                          stringByReplacingURLPercentEscapes(pieces.at(1)));
    }
    return parameters;
}

QString substringWithoutTrailingString(const QString& receiver, const QString& suffix) {
    if (suffix.isEmpty())
        return receiver;
    QStringView rest(receiver);
    while (rest.endsWith(suffix))
        rest.chop(suffix.size());
    return rest.toString();
}

QStringList substringsOfLength(const QString& receiver, qsizetype length) {
    QStringList pieces;
    if (length < 1)
        return pieces;
    for (qsizetype start = 0; start < receiver.size(); start += length)
        pieces.append(receiver.mid(start, length));
    return pieces;
}

QString stringFormattedForRTF(const QString& receiver) {
    QString result;
    result.reserve(receiver.size());
    for (const QChar c : receiver) {
        const char16_t unit = c.unicode();
        if (unit >= 128) // The blank ends the control word, so a digit after it stays text.
            result += QStringLiteral("\\uc0\\u%1 ").arg(static_cast<int>(unit), 4, 10, QLatin1Char('0'));
        else if (unit == u'\n')
            result += QStringLiteral("\n\\\n");
        else if (unit == u'\\' || unit == u'{' || unit == u'}')
            result += QLatin1Char('\\') + c;
        else
            result += c;
    }
    return result;
}

QString sanitizedFileNameString(const QString& receiver) {
    return stringByRemovingCharactersInSet(receiver, QStringLiteral("/\\?%*|\"<>"));
}

QString currencyCodeToSymbol(const QString& receiver) {
    if (receiver == QLatin1String("EUR"))
        return QString(QChar(0x20AC));
    if (receiver == QLatin1String("USD"))
        return QStringLiteral("$");
    return QString(QChar(0x00A4));
}

QString currencyValue(const QString& receiver) {
    QString digits = receiver;
    // At least three digits after an optional minus sign, as "%.3ld" writes them ("-5" as "-005").
    if (digits.size() <= 2) {
        const qlonglong amount = digits.toLongLong();
        digits = (amount < 0 ? QStringLiteral("-") : QString()) +
                 QStringLiteral("%1").arg(qAbs(amount), 3, 10, QLatin1Char('0'));
    } else if (digits.size() == 3 && digits.startsWith(QLatin1Char('-'))) {
        digits.insert(1, QLatin1Char('0')); // "-42" as "-042", not "-.42"
    }
    return digits.left(digits.size() - 2) + QLocale().decimalPoint() + digits.right(2);
}

bool containsHTML(const QString& receiver) {
    static const QRegularExpression expressions[] = {
        QRegularExpression(QStringLiteral("\\A(?is:.*<html.*)\\z")),
        QRegularExpression(QStringLiteral("\\A(?is:.*<body.*)\\z")),
        QRegularExpression(QStringLiteral("\\A(?is:.*<script.*)\\z")),
    };
    for (const QRegularExpression& expression : expressions)
        if (expression.match(receiver).hasMatch())
            return true;
    return false;
}

} // namespace ZRString

QString ZRMiscMergeLocalizer::valueForKey(const QString& key) const {
    QString own;
    if (ownValueForKey(key, &own))
        return own;
    QString lookup = key;
    lookup.replace(QLatin1Char('_'), QLatin1Char(' '));
    const QString localized = Platform::Bundle::mainBundle().localizedString(
        lookup, QString(QLatin1String("")), QStringLiteral("WebViewLocalizable"));
    return htmlStringForString(localized);
}

QString ZRMiscMergeLocalizer::htmlStringForString(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 128)
            result += QStringLiteral("&#%1;").arg(static_cast<int>(c.unicode()));
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("<br>");
        else
            result += c;
    }
    return result;
}

bool ZRMiscMergeLocalizer::ownValueForKey(const QString&, QString*) const {
    return false;
}
