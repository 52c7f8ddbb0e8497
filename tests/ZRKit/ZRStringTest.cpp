#include "ZRKit/ZRString.h"

#include "TestUtils.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

TEST(ZRStringTest, URLParametersReadQueriesAndWritingKeepsEveryValueIntact) {
    const QVariantMap parsed = ZRString::URLParameters(QStringLiteral("a=1&b=x%20y&c"));
    EXPECT_EQ(parsed.value(QStringLiteral("a")).toString(), QStringLiteral("1"));
    EXPECT_EQ(parsed.value(QStringLiteral("b")).toString(), QStringLiteral("x y"));
    EXPECT_TRUE(parsed.contains(QStringLiteral("c")));
    EXPECT_EQ(parsed.value(QStringLiteral("c")).toString(), QString());
    EXPECT_EQ(ZRString::URLParameters(QStringLiteral("k=1&k=2")).value(QStringLiteral("k")).toString(),
              QStringLiteral("2"));

    EXPECT_EQ(
        ZRString::stringByAppendingURLParametersFromDictionary(QStringLiteral("https://h/p"), QVariantMap()),
        QStringLiteral("https://h/p"));
    // Values holding the query's own syntax come back unchanged instead of splitting the parameter.
    const ZRString::URLParameterList tricky{{QStringLiteral("q"), QStringLiteral("a&b=c+d#e")},
                                            {QStringLiteral("k y"), QStringLiteral("1/2?")}};
    const QString url =
        ZRString::stringByAppendingURLParametersFromDictionary(QStringLiteral("https://h/p"), tricky);
    EXPECT_EQ(url, QStringLiteral("https://h/p?q=a%26b%3Dc%2Bd%23e&k%20y=1%2F2%3F"));
    const QUrl parsedUrl(url);
    EXPECT_EQ(parsedUrl.fragment(), QString());
    const QVariantMap back = ZRString::URLParameters(parsedUrl.query(QUrl::FullyEncoded));
    EXPECT_EQ(back.value(QStringLiteral("q")).toString(), QStringLiteral("a&b=c+d#e"));
    EXPECT_EQ(back.value(QStringLiteral("k y")).toString(), QStringLiteral("1/2?"));

    // The plain escaping leaves the query's separators alone, as documented.
    EXPECT_EQ(ZRString::stringByAddingURLPercentEscapes(QStringLiteral("a b&c=d/e?f")),
              QStringLiteral("a%20b&c=d/e?f"));
    EXPECT_EQ(ZRString::stringByAddingMailtoSavePercentEscapes(QStringLiteral("a&b:c?d=e f")),
              QStringLiteral("a%26b%3Ac%3Fd%3De f"));
    EXPECT_EQ(ZRString::stringByReplacingURLPercentEscapes(QStringLiteral("%C3%A9%20%25")),
              QStringLiteral("é %"));
}

TEST(ZRStringTest, EscapingForAppleScriptAndRTFCannotBeBrokenOutOf) {
    // A trailing backslash would otherwise escape the closing quote of the literal.
    EXPECT_EQ(ZRString::stringByEscapingForbiddenAppleScriptCharacters(QStringLiteral("say \"hi\" \\")),
              QStringLiteral("say \\\"hi\\\" \\\\"));
    EXPECT_EQ(ZRString::stringFormattedForRTF(QStringLiteral("é{\\b}\n")),
              QStringLiteral("\\uc0\\u0233 \\{\\\\b\\}\n\\\n"));
    EXPECT_EQ(ZRString::sanitizedFileNameString(QStringLiteral("a/b\\c?d%e*f|g\"h<i>j")),
              QStringLiteral("abcdefghij"));
    EXPECT_EQ(ZRString::stringByRemovingCSVUnsafeCharacters(QStringLiteral("a,b\"c\td;e\r\nf")),
              QStringLiteral("a_b''c    d_ef"));
}

TEST(ZRStringTest, RTFDigitAfterAnEscapedCharacterStaysText) {
    // The blank ends each number, so the digits after it are not read as part of it.
    EXPECT_EQ(ZRString::stringFormattedForRTF(QStringLiteral("€5 é12")),
              QStringLiteral("\\uc0\\u8364 5 \\uc0\\u0233 12"));
}

TEST(ZRStringTest, CDataWrapsAndUnwraps) {
    EXPECT_EQ(ZRString::cdataString(QStringLiteral("plain")), QStringLiteral("<![CDATA[plain]]>"));
    EXPECT_EQ(ZRString::cdataString(QString()), QString());
    const QString tricky = QStringLiteral("a]]>b");
    const QString wrapped = ZRString::cdataString(tricky);
    EXPECT_EQ(wrapped, QStringLiteral("<![CDATA[a]]>]]<![CDATA[>b]]>"));
    EXPECT_EQ(ZRString::stringByUnwrappingCData(QStringLiteral("<![CDATA[x]]>tail")),
              QStringLiteral("xtail"));
    EXPECT_EQ(ZRString::stringByUnwrappingCData(wrapped), QStringLiteral("a]]>b"));
    const QString broken = QStringLiteral("<![CDATA[a]]>b]]>");
    EXPECT_EQ(ZRString::stringByUnwrappingCData(broken), broken);
}

TEST(ZRStringTest, SmallTextRules) {
    EXPECT_TRUE(ZRString::hasPrefixCaseInsensitive(QString(), QString()));
    EXPECT_TRUE(ZRString::hasPrefixCaseInsensitive(QStringLiteral("Hello"), QStringLiteral("hE")));
    EXPECT_FALSE(ZRString::hasPrefixCaseInsensitive(QStringLiteral("He"), QStringLiteral("Hello")));
    EXPECT_EQ(ZRString::substringWithoutTrailingString(QStringLiteral("path///"), QStringLiteral("/")),
              QStringLiteral("path"));
    EXPECT_EQ(ZRString::substringWithoutTrailingString(QStringLiteral("abc"), QString()),
              QStringLiteral("abc"));
    EXPECT_EQ(ZRString::substringsOfLength(QStringLiteral("abcde"), 2),
              (QStringList{QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("e")}));
    EXPECT_TRUE(ZRString::substringsOfLength(QString(), 2).isEmpty());
    EXPECT_TRUE(ZRString::substringsOfLength(QStringLiteral("abc"), 0).isEmpty());
    EXPECT_EQ(ZRString::stringByAppendingURLComponent(QStringLiteral("a/"), QStringLiteral("b")),
              QStringLiteral("a/b"));
    EXPECT_EQ(ZRString::stringByAppendingURLComponent(QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("a/b"));
    EXPECT_EQ(ZRString::stringByRemovingControlCharacters(QStringLiteral("a\u0001b\r\nc\u200Bd")),
              QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(ZRString::stringByRemovingEverythingExceptlowercaseASCIILetters(QStringLiteral("aB1c-é")),
              QStringLiteral("ac"));
    EXPECT_TRUE(ZRString::containsHTML(QStringLiteral("x\n<BODY>")));
    EXPECT_FALSE(ZRString::containsHTML(QStringLiteral("<p>only a paragraph</p>")));
    const QString uuid = ZRString::UUID();
    EXPECT_EQ(uuid.size(), 36);
    EXPECT_EQ(uuid, uuid.toUpper());
    EXPECT_NE(uuid, ZRString::UUID());
}

TEST(ZRStringTest, CurrencyValuesAreHundredths) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("1234")), QStringLiteral("12,34"));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("5")), QStringLiteral("0,05"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("42")), QStringLiteral("0.42"));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("-5")), QStringLiteral("-0.05"));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("-42")), QStringLiteral("-0.42"));
    EXPECT_EQ(ZRString::currencyValue(QStringLiteral("-142")), QStringLiteral("-1.42"));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(ZRString::currencyCodeToSymbol(QStringLiteral("EUR")), QString(QChar(0x20AC)));
    EXPECT_EQ(ZRString::currencyCodeToSymbol(QStringLiteral("CHF")), QString(QChar(0x00A4)));
}

TEST(ZRStringTest, NextAvailablePathSkipsTakenNumbers) {
    QTemporaryDir folder;
    ASSERT_TRUE(TestUtils::writeFile(folder.filePath(QStringLiteral("report 2.pdf")), "x"));
    EXPECT_EQ(ZRString::nextAvailablePathByAppendingNumber(folder.filePath(QStringLiteral("report.pdf"))),
              folder.filePath(QStringLiteral("report 3.pdf")));
    EXPECT_EQ(ZRString::nextAvailablePathByAppendingNumber(folder.filePath(QStringLiteral("notes"))),
              folder.filePath(QStringLiteral("notes 2")));
}

TEST(ZRStringTest, MergeLocalizerMakesTextHTMLSafeAndAnswersItsOwnKeys) {
    EXPECT_EQ(ZRMiscMergeLocalizer::htmlStringForString(QStringLiteral("é<\nx")),
              QStringLiteral("&#233;<<br>x"));
    struct Own : ZRMiscMergeLocalizer {
        bool ownValueForKey(const QString& key, QString* value) const override {
            if (key != QLatin1String("version"))
                return false;
            *value = QStringLiteral("1.0");
            return true;
        }
    } localizer;
    EXPECT_EQ(localizer.valueForKey(QStringLiteral("version")), QStringLiteral("1.0"));
    // Not translated: the key itself, with its underscores read as blanks.
    EXPECT_EQ(localizer.valueForKey(QStringLiteral("Release_notes_für")),
              QStringLiteral("Release notes f&#252;r"));
}
