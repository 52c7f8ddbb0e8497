#pragma once

#include <QByteArray>
#include <QString>

/*! Hex text to bytes and back, and the string clean-ups that go with reading keys from text. */
namespace ZRData {

/*! The bytes spelt by the hex digits of the text (0-9, a-f, A-F; everything else is skipped), the first
    digit of each pair the high nibble; empty data when there is no digit or an odd number of them. */
QByteArray dataWithHexString(const QString& hexString);
/*! Two lower-case hex digits per byte. */
QString hexString(const QByteArray& data);

} // namespace ZRData

/*! 0-15 for a hex digit of either case; 0 for any other character (a programming error). */
int valueForHexCharacter(char character);

namespace ZRScanner {

/*! From the scan location to the end, collects every run of characters that are in the set into *stringValue
    (empty when there is none) and moves the location to the end; answers whether anything matched.
    stringValue must not be null. */
bool scanAllCharactersFromSet(const QString& string, qsizetype& scanLocation, const QString& set,
                              QString* stringValue);
bool scanAllHexCharactersIntoString(const QString& string, qsizetype& scanLocation, QString* stringValue);

} // namespace ZRScanner

namespace ZRString {

QString stringByRemovingCarriageReturnAndLineFeed(const QString& string);
/*! Without blanks, tabs, carriage returns and line feeds. */
QString cleanString(const QString& string);

} // namespace ZRString
