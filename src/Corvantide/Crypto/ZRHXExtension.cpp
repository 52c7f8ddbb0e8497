#include "Crypto/ZRHXExtension.h"

#include "Platform/Assert.h"

namespace ZRData {

QByteArray dataWithHexString(const QString& hexString) {
    QString digits;
    qsizetype location = 0;
    ZRScanner::scanAllHexCharactersIntoString(hexString, location, &digits);
    if (digits.isEmpty() || digits.size() % 2 != 0)
        return QByteArray();
    const QByteArray ascii = digits.toLatin1();
    QByteArray data(ascii.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((valueForHexCharacter(ascii[2 * i]) << 4) | valueForHexCharacter(ascii[2 * i + 1]));
    return data;
}

QString hexString(const QByteArray& data) {
    return QString::fromLatin1(data.toHex());
}

} // namespace ZRData

int valueForHexCharacter(char character) {
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    Q_ASSERT_X(false, "valueForHexCharacter", "non hex character in valueForHexCharacter()");
    return 0;
}

namespace ZRScanner {

bool scanAllCharactersFromSet(const QString& string, qsizetype& scanLocation, const QString& set,
                              QString* stringValue) {
    Platform::parameterAssert(stringValue != nullptr, "NULL != stringValue");
    stringValue->clear();
    for (qsizetype i = std::max<qsizetype>(scanLocation, 0); i < string.size(); ++i) {
        if (set.contains(string[i]))
            stringValue->append(string[i]);
    }
    scanLocation = std::max(scanLocation, string.size());
    return !stringValue->isEmpty();
}

bool scanAllHexCharactersIntoString(const QString& string, qsizetype& scanLocation, QString* stringValue) {
    return scanAllCharactersFromSet(string, scanLocation, QStringLiteral("0123456789abcdefABCDEF"),
                                    stringValue);
}

} // namespace ZRScanner

namespace ZRString {

QString stringByRemovingCarriageReturnAndLineFeed(const QString& string) {
    QString result = string;
    result.remove(QLatin1Char('\r'));
    result.remove(QLatin1Char('\n'));
    return result;
}

QString cleanString(const QString& string) {
    QString result = string;
    result.remove(QLatin1Char(' '));
    result.remove(QLatin1Char('\t'));
    return stringByRemovingCarriageReturnAndLineFeed(result);
}

} // namespace ZRString
