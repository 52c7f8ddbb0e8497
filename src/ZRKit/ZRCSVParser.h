#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <optional>

/*! Reads separated text (comma or any other separator of one or more characters) into rows, each row a
    dictionary from field name to field text. Fields are text as written: no trimming, no conversion.
    Quoted fields may hold separators, line breaks and doubled quotes; runs of line breaks separate
    records, so blank lines between records disappear. Field names come from the header line when there
    is one, then from the names given, and "FIELD_<column>" for columns beyond them.

    Text that does not follow the grammar is refused as a whole: a quote inside unquoted text, text after
    a closing quote, an unterminated quoted field, a header without a record. errorMessage() tells where. */
class ZRCSVParser {
public:
    /*! The separator must not be empty and must not hold the double quote or a line break (a
        programming error that ends the process). */
    ZRCSVParser(const QString& csvString, const QString& separator, bool hasHeader,
                const QStringList& fieldNames = {});

    /*! Every row in file order, or std::nullopt when the text holds no record or is malformed. */
    std::optional<QList<QVariantMap>> arrayOfParsedRows();
    /*! Hands each row to the receiver in file order as it is read; false when the text holds no record
        or turns out to be malformed (the rows before the fault have been handed on). */
    bool parseRowsForReceiver(const std::function<void(const QVariantMap& row)>& receiver);

    const QStringList& fieldNames() const { return m_fieldNames; }
    QString errorMessage() const { return m_errorMessage; }

private:
    bool parseFile();
    std::optional<QStringList> parseHeader();
    std::optional<QVariantMap> parseRecord();
    std::optional<QString> parseField();
    std::optional<QString> parseEscaped();
    std::optional<QString> parseTextData();
    bool parseTwoDoubleQuotes();
    bool parseDoubleQuote();
    bool parseSeparator();
    std::optional<QString> parseLineSeparator();
    bool atSeparator() const;
    bool atLineSeparator() const;
    bool atEnd() const { return m_position >= m_csvString.size(); }
    bool isEndTextCharacter(QChar c) const;
    void deliver(const QVariantMap& row);
    bool fail(const QString& what);

    QString m_csvString;
    QString m_separator;
    bool m_hasHeader = false;
    QStringList m_fieldNames;
    qsizetype m_position = 0;
    std::function<void(const QVariantMap&)> m_receiver;
    QList<QVariantMap> m_rows;
    bool m_unterminatedQuote = false;
    QString m_errorMessage;
};

/*! Makes a text safe to write as one CSV field (ZRString::stringByRemovingCSVUnsafeCharacters); one way
    only. Anything that is not text gives no value. */
class ZRCSVSaveValueTransformer {
public:
    static QMetaType transformedValueClass() { return QMetaType::fromType<QString>(); }
    static bool allowsReverseTransformation() { return false; }
    QVariant transformedValue(const QVariant& value) const;
};
