#include "ZRKit/ZRJSONArchiver.h"

#include "Platform/SystemLog.h"

#include <QHash>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString StringTag = QStringLiteral("str");
const QString NumberTag = QStringLiteral("num");
const QString DictionaryTag = QStringLiteral("dict");
const QString ArrayTag = QStringLiteral("arr");
const QString SetTag = QStringLiteral("set");

// Integers that a JSON integer holds exactly (Qt keeps 64-bit integers whole).
bool fitsInt64(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
    default:
        return false;
    }
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return true;
    default:
        return fitsInt64(value);
    }
}

QString position(qsizetype index) {
    return QStringLiteral("%1").arg(index, 6, 10, QLatin1Char('0'));
}

struct Registry {
    QMutex mutex;
    QHash<QString, ZRJSONUnarchiver::Factory> factories;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

bool ZRJSONSet::operator==(const ZRJSONSet& other) const {
    if (values.size() != other.values.size())
        return false;
    return std::all_of(values.cbegin(), values.cend(),
                       [&other](const QVariant& v) { return other.values.contains(v); });
}

ZRJSONArchiver::ZRJSONArchiver() {
    m_dictionaryStack.append(QJsonObject());
}

QJsonObject ZRJSONArchiver::rootDictionary() const {
    return m_dictionaryStack.first();
}

std::optional<QByteArray> ZRJSONArchiver::archivedDataWithRootObject(const QVariant& object, QString* error) {
    ZRJSONArchiver archiver;
    archiver.encodeObjectForKey(object, QStringLiteral("root"));
    if (archiver.failed()) {
        if (error)
            *error = archiver.errorMessage();
        return std::nullopt;
    }
    return QJsonDocument(archiver.rootDictionary()).toJson(QJsonDocument::Compact);
}

QString ZRJSONArchiver::classKeyNameForObject(const QVariant& object) {
    if (object.typeId() == QMetaType::QString)
        return StringTag;
    if (isNumber(object))
        return NumberTag;
    if (object.typeId() == QMetaType::QVariantMap)
        return DictionaryTag;
    if (object.typeId() == QMetaType::QVariantList || object.typeId() == QMetaType::QStringList)
        return ArrayTag;
    if (object.canConvert<ZRJSONSet>() && object.metaType() == QMetaType::fromType<ZRJSONSet>())
        return SetTag;
    if (object.metaType() == QMetaType::fromType<ZRJSONCodingPtr>()) {
        const ZRJSONCodingPtr coded = object.value<ZRJSONCodingPtr>();
        return coded ? coded->className() : QString();
    }
    return QString::fromLatin1(object.typeName());
}

QString ZRJSONArchiver::classKeyNameForObjectKey(const QVariant& object, const QString& key) {
    return QStringLiteral("_%1_%2").arg(classKeyNameForObject(object), key);
}

void ZRJSONArchiver::setCurrent(const QString& member, const QJsonValue& value) {
    m_dictionaryStack.last()[member] = value;
}

void ZRJSONArchiver::encodeNumber(double value, const QString& member) {
    if (!std::isfinite(value)) {
        m_error = QStringLiteral("ZRJSONArchiver: %1 cannot be archived as JSON (%2)").arg(member).arg(value);
        return;
    }
    setCurrent(member, value);
}

void ZRJSONArchiver::encodeObjectForKey(const QVariant& object, const QString& key) {
    if (!object.isValid() || object.isNull() || failed())
        return;
    const QString member = classKeyNameForObjectKey(object, key);
    if (object.typeId() == QMetaType::QString) {
        setCurrent(member, object.toString());
    } else if (isNumber(object)) {
        if (object.typeId() == QMetaType::Bool)
            setCurrent(member, object.toBool());
        else if (fitsInt64(object))
            setCurrent(member, object.toLongLong()); // exactly, also beyond a double's 53 bits
        else
            encodeNumber(object.toDouble(), member);
    } else if (object.typeId() == QMetaType::QVariantMap) {
        m_dictionaryStack.append(QJsonObject());
        const QVariantMap map = object.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            encodeObjectForKey(it.value(), it.key());
        const QJsonObject level = m_dictionaryStack.takeLast();
        setCurrent(member, level);
    } else if (object.typeId() == QMetaType::QVariantList || object.typeId() == QMetaType::QStringList ||
               object.metaType() == QMetaType::fromType<ZRJSONSet>()) {
        const QVariantList list = object.metaType() == QMetaType::fromType<ZRJSONSet>()
                                      ? object.value<ZRJSONSet>().values
                                      : object.toList();
        m_dictionaryStack.append(QJsonObject());
        for (qsizetype i = 0; i < list.size(); ++i)
            encodeObjectForKey(list.at(i), position(i));
        const QJsonObject level = m_dictionaryStack.takeLast();
        setCurrent(member, level);
    } else if (object.metaType() == QMetaType::fromType<ZRJSONCodingPtr>() &&
               object.value<ZRJSONCodingPtr>()) {
        m_dictionaryStack.append(QJsonObject());
        object.value<ZRJSONCodingPtr>()->encodeWithCoder(*this);
        const QJsonObject level = m_dictionaryStack.takeLast();
        setCurrent(member, level);
    } else {
        m_error =
            QStringLiteral("object to encode of class %1 does not respond to selector encodeWithSelector:")
                .arg(QString::fromLatin1(object.typeName()));
    }
}

void ZRJSONArchiver::encodeBoolForKey(bool value, const QString& key) {
    setCurrent(key, value);
}
void ZRJSONArchiver::encodeIntForKey(int value, const QString& key) {
    setCurrent(key, value);
}
void ZRJSONArchiver::encodeInt32ForKey(qint32 value, const QString& key) {
    setCurrent(key, value);
}
void ZRJSONArchiver::encodeInt64ForKey(qint64 value, const QString& key) {
    setCurrent(key, value);
}
void ZRJSONArchiver::encodeFloatForKey(float value, const QString& key) {
    encodeNumber(value, key);
}
void ZRJSONArchiver::encodeDoubleForKey(double value, const QString& key) {
    encodeNumber(value, key);
}

bool ZRJSONUnarchiver::registerClass(const QString& className, Factory factory) {
    if (className.isEmpty() || className.contains(QLatin1Char('_')) || !factory)
        return false;
    for (const QString& tag : {StringTag, NumberTag, DictionaryTag, ArrayTag, SetTag})
        if (className == tag)
            return false;
    Registry& r = registry();
    QMutexLocker locker(&r.mutex);
    r.factories.insert(className, std::move(factory));
    return true;
}

QVariant ZRJSONUnarchiver::unarchiveObjectWithData(const QByteArray& data) {
    if (data.isNull())
        return QVariant();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        Platform::SystemLog::log(
            QStringLiteral("ZRJSONUnarchiver: error deserializing JSON: %1").arg(parseError.errorString()));
        return QVariant();
    }
    if (!document.isObject()) {
        Platform::SystemLog::log(QStringLiteral("ZRJSONUnarchiver: error deserializing JSON: (null)"));
        return QVariant();
    }
    return unarchiveObjectWithDictionary(document.object());
}

QVariant ZRJSONUnarchiver::unarchiveObjectWithDictionary(const QJsonObject& dictionary) {
    ZRJSONUnarchiver unarchiver;
    unarchiver.m_dictionaryStack.append(dictionary);
    return unarchiver.decodeObjectForKey(QStringLiteral("root"));
}

std::optional<QString> ZRJSONUnarchiver::classNameForDictKey(const QString& member, QString* key) {
    // "_<tag>_<key>": the tag ends at the second "_"; the key is everything after it, "_" included.
    if (!member.startsWith(QLatin1Char('_')))
        return std::nullopt;
    const qsizetype second = member.indexOf(QLatin1Char('_'), 1);
    if (second <= 1)
        return std::nullopt;
    const QString tag = member.mid(1, second - 1);
    if (key)
        *key = member.mid(second + 1);
    if (tag == StringTag)
        return QStringLiteral("NSString");
    if (tag == NumberTag)
        return QStringLiteral("NSNumber");
    if (tag == DictionaryTag)
        return QStringLiteral("NSDictionary");
    if (tag == ArrayTag)
        return QStringLiteral("NSArray");
    if (tag == SetTag)
        return QStringLiteral("NSSet");
    return tag;
}

QVariant ZRJSONUnarchiver::decodeValue(const QString& className, const QJsonValue& value) {
    if (!value.isObject())
        return value.toVariant();
    m_dictionaryStack.append(value.toObject());
    const QVariant decoded = decodeObjectWithClassname(className);
    m_dictionaryStack.removeLast();
    return decoded;
}

QVariant ZRJSONUnarchiver::decodeObjectForKey(const QString& key) {
    if (m_dictionaryStack.isEmpty()) // an unarchiver made without data holds no object
        return QVariant();
    const QJsonObject& level = m_dictionaryStack.last();
    for (auto it = level.constBegin(); it != level.constEnd(); ++it) {
        QString memberKey;
        const std::optional<QString> className = classNameForDictKey(it.key(), &memberKey);
        if (className && memberKey == key)
            return decodeValue(*className, it.value());
    }
    return QVariant();
}

QVariant ZRJSONUnarchiver::decodeObjectWithClassname(const QString& className) {
    const QJsonObject level = m_dictionaryStack.last();
    if (className == QLatin1String("NSDictionary") || className == QLatin1String("NSArray") ||
        className == QLatin1String("NSSet")) {
        QList<std::pair<QString, QVariant>> members;
        for (auto it = level.constBegin(); it != level.constEnd(); ++it) {
            QString key;
            const std::optional<QString> memberClass = classNameForDictKey(it.key(), &key);
            if (!memberClass)
                continue;
            // A container holds no "nil": a member that reads as nothing (null, an unregistered class) is
            // left out.
            const QVariant value = decodeValue(*memberClass, it.value());
            if (value.isValid() && !value.isNull())
                members.append({key, value});
        }
        if (className == QLatin1String("NSDictionary")) {
            QVariantMap map;
            for (const auto& [key, value] : members)
                map.insert(key, value);
            return map;
        }
        // Positions sort as numbers, so 1000000 comes after 999999 whatever the digits.
        // (Numeric keys first, by value; any others after them, by text: one consistent order.)
        std::stable_sort(members.begin(), members.end(), [](const auto& a, const auto& b) {
            bool okA = false, okB = false;
            const qulonglong na = a.first.toULongLong(&okA), nb = b.first.toULongLong(&okB);
            if (okA != okB)
                return okA;
            return okA ? na < nb : a.first < b.first;
        });
        QVariantList values;
        for (const auto& member : members)
            values.append(member.second);
        if (className == QLatin1String("NSArray"))
            return values;
        return QVariant::fromValue(ZRJSONSet{values});
    }
    Factory factory;
    {
        Registry& r = registry();
        QMutexLocker locker(&r.mutex);
        factory = r.factories.value(className);
    }
    if (!factory) {
        Platform::SystemLog::log(
            QStringLiteral("ZRJSONUnarchiver: class %1 is not registered; its entry is skipped")
                .arg(className));
        return QVariant();
    }
    ZRJSONCodingPtr object = factory();
    if (!object)
        return QVariant();
    object->initWithCoder(*this);
    return QVariant::fromValue(object);
}

QJsonValue ZRJSONUnarchiver::plainMember(const QString& key) const {
    return m_dictionaryStack.isEmpty() ? QJsonValue() : m_dictionaryStack.last().value(key);
}

bool ZRJSONUnarchiver::decodeBoolForKey(const QString& key) const {
    const QJsonValue value = plainMember(key);
    return value.isBool() ? value.toBool() : value.toDouble() != 0;
}
int ZRJSONUnarchiver::decodeIntForKey(const QString& key) const {
    return static_cast<int>(decodeInt64ForKey(key));
}
qint32 ZRJSONUnarchiver::decodeInt32ForKey(const QString& key) const {
    return static_cast<qint32>(decodeInt64ForKey(key));
}
qint64 ZRJSONUnarchiver::decodeInt64ForKey(const QString& key) const {
    const QJsonValue value = plainMember(key);
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    const QVariant integer = value.toVariant();
    if (integer.typeId() == QMetaType::LongLong) // an integer is kept exactly, the smallest one included
        return integer.toLongLong();
    const double number = value.toDouble(); // a fractional number: its whole part, when it fits
    return std::isfinite(number) && std::fabs(number) < 9.2e18 ? static_cast<qint64>(number) : 0;
}
float ZRJSONUnarchiver::decodeFloatForKey(const QString& key) const {
    return static_cast<float>(decodeDoubleForKey(key));
}
double ZRJSONUnarchiver::decodeDoubleForKey(const QString& key) const {
    const QJsonValue value = plainMember(key);
    return value.isBool() ? (value.toBool() ? 1.0 : 0.0) : value.toDouble();
}
