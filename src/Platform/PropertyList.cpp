#include "Platform/PropertyList.h"

#include "Platform/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Platform {

namespace {

// Deeper nesting than this is refused rather than risking the stack on hostile input.
constexpr int MaximumDepth = 512;

const QString DateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ssZ");
// Fractions of a second are written only when there are some, so whole-second dates read as they always did.
const QString FractionalDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ");

void setMessage(QString* errorMessage, const QString& message) {
    if (errorMessage != nullptr)
        *errorMessage = message;
}

class Reader {
public:
    /*! topLevelKeys, when given, receives the keys of a top-level dictionary in the order of the document. */
    explicit Reader(const QByteArray& document, QStringList* topLevelKeys = nullptr)
        : m_xml(document)
        , m_topLevelKeys(topLevelKeys) {}

    QVariant readDocument(QString* errorMessage) {
        QVariant result;
        if (!m_xml.readNextStartElement()) {
            fail(QStringLiteral("no property list in the document"));
        } else if (m_xml.name() == QLatin1String("plist")) {
            if (!m_xml.readNextStartElement())
                fail(QStringLiteral("empty plist element"));
            else
                result = readValue(0);
            if (m_error.isEmpty() && m_xml.readNextStartElement())
                fail(QStringLiteral("more than one value in the plist element"));
        } else {
            // A bare value without the plist wrapper is accepted, as other readers do.
            result = readValue(0);
        }
        if (m_error.isEmpty()) {
            while (!m_xml.atEnd() && !m_xml.hasError())
                m_xml.readNext();
        }
        if (m_error.isEmpty() && m_xml.hasError())
            fail(m_xml.errorString());
        if (!m_error.isEmpty()) {
            setMessage(errorMessage, m_error);
            return {};
        }
        return result;
    }

private:
    void fail(const QString& message) {
        if (!m_error.isEmpty())
            return;
        if (m_xml.hasError() && message != m_xml.errorString())
            m_error = QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(m_xml.errorString());
        else
            m_error = QStringLiteral("line %1: %2").arg(m_xml.lineNumber()).arg(message);
        m_xml.raiseError(m_error);
    }

    QString elementText() {
        const QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return text;
    }

    // Called with the reader on a start element; leaves it on the matching end element.
    QVariant readValue(int depth) {
        if (depth > MaximumDepth) {
            fail(QStringLiteral("values nested too deeply"));
            return {};
        }
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict"))
            return readDictionary(depth);
        if (name == QLatin1String("array"))
            return readArray(depth);
        if (name == QLatin1String("string"))
            return elementText();
        if (name == QLatin1String("integer"))
            return readInteger();
        if (name == QLatin1String("real"))
            return readReal();
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            if (!elementText().trimmed().isEmpty())
                fail(QStringLiteral("a boolean element must be empty"));
            return value;
        }
        if (name == QLatin1String("date"))
            return readDate();
        if (name == QLatin1String("data"))
            return readData();
        fail(QStringLiteral("unknown element <%1>").arg(name));
        return {};
    }

    QVariant readDictionary(int depth) {
        QVariantMap map;
        while (m_error.isEmpty() && m_xml.readNextStartElement()) {
            if (m_xml.name() != QLatin1String("key")) {
                fail(QStringLiteral("expected <key> in dict, found <%1>").arg(m_xml.name()));
                break;
            }
            const QString key = elementText();
            if (!m_error.isEmpty())
                break;
            if (!m_xml.readNextStartElement()) {
                fail(QStringLiteral("key \"%1\" has no value").arg(key));
                break;
            }
            const QVariant value = readValue(depth + 1);
            if (depth == 0 && m_topLevelKeys != nullptr && !map.contains(key))
                m_topLevelKeys->append(key);
            map.insert(key, value);
        }
        checkStructure();
        return map;
    }

    QVariant readArray(int depth) {
        QVariantList list;
        while (m_error.isEmpty() && m_xml.readNextStartElement())
            list.append(readValue(depth + 1));
        checkStructure();
        return list;
    }

    void checkStructure() {
        if (m_error.isEmpty() && m_xml.hasError())
            fail(m_xml.errorString());
    }

    QVariant readInteger() {
        const QString text = elementText().trimmed();
        if (!m_error.isEmpty())
            return {};
        bool ok = false;
        const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ||
                         text.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive);
        if (hex) {
            const bool negative = text.startsWith(QLatin1Char('-'));
            const qlonglong magnitude = text.mid(negative ? 3 : 2).toLongLong(&ok, 16);
            if (ok)
                return negative ? -magnitude : magnitude;
        } else {
            const qlonglong value = text.toLongLong(&ok, 10);
            if (ok)
                return value;
            const qulonglong big = text.toULongLong(&ok, 10);
            if (ok)
                return big;
        }
        fail(QStringLiteral("\"%1\" is not an integer").arg(text));
        return {};
    }

    QVariant readReal() {
        const QString text = elementText().trimmed();
        if (!m_error.isEmpty())
            return {};
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok) {
            fail(QStringLiteral("\"%1\" is not a real number").arg(text));
            return {};
        }
        return value;
    }

    QVariant readDate() {
        const QString text = elementText().trimmed();
        if (!m_error.isEmpty())
            return {};
        QDateTime date = QDateTime::fromString(text, Qt::ISODate);
        if (!date.isValid()) {
            fail(QStringLiteral("\"%1\" is not a date").arg(text));
            return {};
        }
        return date.toUTC();
    }

    QVariant readData() {
        QByteArray text = elementText().toLatin1();
        if (!m_error.isEmpty())
            return {};
        text.replace(' ', QByteArray()).replace('\t', QByteArray()).replace('\n', QByteArray());
        text.replace('\r', QByteArray());
        auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            fail(QStringLiteral("data is not valid base64"));
            return {};
        }
        return *decoded;
    }

    QXmlStreamReader m_xml;
    QStringList* m_topLevelKeys = nullptr;
    QString m_error;
};

bool isWritableText(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

class Writer {
public:
    explicit Writer(QByteArray* out)
        : m_xml(out) {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(-1);
    }

    bool writeDocument(const QVariant& value, QString* errorMessage) {
        m_xml.writeStartDocument();
        m_xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
        m_xml.writeStartElement(QStringLiteral("plist"));
        m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        writeValue(value, 0);
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
        // The writer itself fails on text it cannot encode (a lone surrogate): nothing of it is handed out.
        if (m_error.isEmpty() && m_xml.hasError())
            m_error = QStringLiteral("a string holds characters that XML cannot carry");
        if (!m_error.isEmpty()) {
            setMessage(errorMessage, m_error);
            return false;
        }
        return true;
    }

private:
    void writeText(const QString& element, const QString& text) {
        if (!isWritableText(text)) {
            m_error = QStringLiteral("a string holds characters that XML cannot carry");
            return;
        }
        m_xml.writeTextElement(element, text);
    }

    void writeValue(const QVariant& value, int depth) {
        if (!m_error.isEmpty())
            return;
        if (depth > MaximumDepth) {
            m_error = QStringLiteral("values nested too deeply");
            return;
        }
        switch (value.typeId()) {
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            m_xml.writeStartElement(QStringLiteral("dict"));
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                writeText(QStringLiteral("key"), it.key());
                writeValue(it.value(), depth + 1);
            }
            m_xml.writeEndElement();
            return;
        }
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap sorted;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                sorted.insert(it.key(), it.value());
            writeValue(sorted, depth);
            return;
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            m_xml.writeStartElement(QStringLiteral("array"));
            for (const QVariant& element : value.toList())
                writeValue(element, depth + 1);
            m_xml.writeEndElement();
            return;
        }
        case QMetaType::QString:
            writeText(QStringLiteral("string"), value.toString());
            return;
        case QMetaType::Bool:
            m_xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
            return;
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
            m_xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
            return;
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            m_xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toULongLong()));
            return;
        case QMetaType::Float:
        case QMetaType::Double:
            m_xml.writeTextElement(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 17));
            return;
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) {
                m_error = QStringLiteral("an invalid date has no property-list form");
                return;
            }
            const QDateTime utc = date.toUTC();
            m_xml.writeTextElement(QStringLiteral("date"),
                                   utc.toString(utc.time().msec() != 0 ? FractionalDateFormat : DateFormat));
            return;
        }
        case QMetaType::QByteArray:
            m_xml.writeTextElement(QStringLiteral("data"),
                                   QString::fromLatin1(value.toByteArray().toBase64()));
            return;
        default:
            m_error =
                QStringLiteral("a value of type %1 has no property-list form")
                    .arg(QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "invalid"));
            return;
        }
    }

    QXmlStreamWriter m_xml;
    QString m_error;
};

} // namespace

QVariant PropertyList::read(const QByteArray& document, QString* errorMessage) {
    Reader reader(document);
    return reader.readDocument(errorMessage);
}

namespace {

QVariant readDocumentFile(const QString& path, QString* errorMessage, QStringList* topLevelKeys) {
    // A named pipe or device in place of the file is refused rather than waited on.
    QString reason;
    const std::optional<QByteArray> content = RegularFile::read(path, RegularFile::Links::Follow, &reason);
    if (!content) {
        setMessage(errorMessage, reason);
        return {};
    }
    QString message;
    Reader reader(*content, topLevelKeys);
    QVariant value = reader.readDocument(&message);
    if (!value.isValid())
        setMessage(errorMessage, QStringLiteral("%1: %2").arg(path, message));
    return value;
}

} // namespace

QVariant PropertyList::readFile(const QString& path, QString* errorMessage) {
    return readDocumentFile(path, errorMessage, nullptr);
}

std::optional<QVariantMap> PropertyList::readDictionaryFile(const QString& path, QString* errorMessage,
                                                            QStringList* keysInFileOrder) {
    QStringList keys;
    const QVariant value = readDocumentFile(path, errorMessage, &keys);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() != QMetaType::QVariantMap) {
        setMessage(errorMessage, QStringLiteral("%1: the top-level value is not a dictionary").arg(path));
        return std::nullopt;
    }
    if (keysInFileOrder != nullptr)
        *keysInFileOrder = keys;
    return value.toMap();
}

QByteArray PropertyList::write(const QVariant& value, QString* errorMessage) {
    QByteArray out;
    Writer writer(&out);
    if (!writer.writeDocument(value, errorMessage))
        return {};
    return out;
}

bool PropertyList::writeFile(const QString& path, const QVariant& value, QString* errorMessage) {
    const QByteArray document = write(value, errorMessage);
    if (document.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit()) {
        setMessage(errorMessage, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace Platform
