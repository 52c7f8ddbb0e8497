#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>

/*! Text helpers of the kit: free functions taking the text first. Every function is pure except
    nextAvailablePathByAppendingNumber (it looks at the file system) and the two that read the main
    bundle's string tables. */
namespace ZRString {

/*! An ordered list of URL parameters (key, value), kept in the order given. */
using URLParameterList = QList<QPair<QString, QString>>;

/*! Case-insensitive comparison of the main bundle's localized forms: -1, 0 or 1. */
int compareByLocalizedStringValue(const QString& receiver, const QString& other);

QString stringByReplacingEveryOccurrenceOfStringWithString(const QString& receiver, const QString& target,
                                                           const QString& replacement);
QString stringByReplacingEveryOccurrenceOfStringWithStringOptions(const QString& receiver,
                                                                  const QString& target,
                                                                  const QString& replacement,
                                                                  Qt::CaseSensitivity options);

/*! A new random UUID in upper-case text form (8-4-4-4-12 hex digits, no braces). */
QString UUID();

/*! Without control and format characters (Unicode Cc, Cf), except line feed and carriage return. */
QString stringByRemovingControlCharacters(const QString& receiver);
/*! Without every character that the predicate accepts. */
QString stringByRemovingCharactersInSet(const QString& receiver, const QString& characters);
QString stringByRemovingEverythingExceptCharactersInSet(const QString& receiver, const QString& characters);
QString stringByRemovingEverythingExceptlowercaseASCIILetters(const QString& receiver);

/*! "&", ":", "?" and "=" percent-escaped for a mailto link; nothing else changes. */
QString stringByAddingMailtoSavePercentEscapes(const QString& receiver);
/*! Percent-encoded except for the characters a URL query allows as they are (letters, digits and
    !$&'()*+,-./:;=?@_~), so "&", "=", "?" and "/" stay. For a single parameter key or value use
    stringByAddingURLParameterPercentEscapes. */
QString stringByAddingURLPercentEscapes(const QString& receiver);
/*! As stringByAddingURLPercentEscapes, also leaving ":/?#[]@!$&'()*+,;=" unencoded. */
QString stringByAddingURLPercentEscapesIncludingReservedCharacters(const QString& receiver);
/*! Percent-encoded for one key or value of a query: everything but letters, digits and -._~ is escaped,
    so "&", "=", "+" and "#" in the text cannot split or end the parameter. */
QString stringByAddingURLParameterPercentEscapes(const QString& receiver);
/*! Every percent escape decoded. */
QString stringByReplacingURLPercentEscapes(const QString& receiver);
QString stringByAppendingURLComponent(const QString& receiver, const QString& component);

bool isEqualToStringIgnoringCase(const QString& receiver, const QString& other);
bool hasPrefixCaseInsensitive(const QString& receiver, const QString& prefix);

/*! "," -> "_", '"' -> "''", tab -> four blanks, ";" -> "_", CR and LF removed. */
QString stringByRemovingCSVUnsafeCharacters(const QString& receiver);
/*! Safe inside an AppleScript string literal: backslashes doubled first, then every double quote
    escaped with a backslash. */
QString stringByEscapingForbiddenAppleScriptCharacters(const QString& receiver);

/*! "<path without extension> n.<extension>" for the first n from 2 to 9999 at which no file exists; the
    empty string when every one exists. */
QString nextAvailablePathByAppendingNumber(const QString& receiver);

/*! The text as CDATA sections, split so that no section holds "]]". */
QString cdataString(const QString& receiver);
/*! The text with its CDATA sections unwrapped; the receiver itself (and a log line) when a section is
    malformed. */
QString stringByUnwrappingCData(const QString& receiver);

/*! receiver?key=value&... for the parameters in order, each key and value escaped with
    stringByAddingURLParameterPercentEscapes; the receiver itself when there is none. */
QString stringByAppendingURLParametersFromDictionary(const QString& receiver,
                                                     const URLParameterList& parameters);
QString stringByAppendingURLParametersFromDictionary(const QString& receiver, const QVariantMap& parameters);
/*! The parameters of a query text; a later key replaces an earlier one. */
QVariantMap URLParameters(const QString& receiver);

/*! Without every trailing repetition of the suffix (the receiver for an empty suffix). */
QString substringWithoutTrailingString(const QString& receiver, const QString& suffix);
/*! Consecutive pieces of length characters, the last one possibly shorter; none for length < 1. */
QStringList substringsOfLength(const QString& receiver, qsizetype length);

/*! Plain text for an RTF document: "\", "{" and "}" escaped, UTF-16 units of 128 and above as
    "\uc0\u<decimal> " (the blank ends the number), a line feed as line feed, backslash, line feed. */
QString stringFormattedForRTF(const QString& receiver);
/*! Without the nine characters / \ ? % * | " < > that file names may not hold. */
QString sanitizedFileNameString(const QString& receiver);

/*! "EUR" -> the euro sign, "USD" -> "$", anything else the generic currency sign. */
QString currencyCodeToSymbol(const QString& receiver);
/*! Hundredths written as a decimal with the current locale's separator ("1234" -> "12.34"). */
QString currencyValue(const QString& receiver);
bool containsHTML(const QString& receiver);

} // namespace ZRString

/*! Localized, HTML-safe strings by key for text templates, from the bundle's "WebViewLocalizable" table. */
class ZRMiscMergeLocalizer {
public:
    virtual ~ZRMiscMergeLocalizer() = default;

    /*! The value of one of the localizer's own keys (see ownValueForKey), or the key with "_" read as a
        blank, looked up in "WebViewLocalizable" and made HTML-safe. */
    QString valueForKey(const QString& key) const;

    /*! Units of 128 and above as "&#<decimal>;", line feeds as "<br>", the rest unchanged. */
    static QString htmlStringForString(const QString& text);

protected:
    /*! A subclass answers its own keys here (true when it knows the key). */
    virtual bool ownValueForKey(const QString& key, QString* value) const;
};
