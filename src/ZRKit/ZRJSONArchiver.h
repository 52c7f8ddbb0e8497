#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class ZRJSONArchiver;
class ZRJSONUnarchiver;

/*! An object that writes its fields by key to an archiver and reads them back by key. Its class name
    (the tag of its entries) must be registered with ZRJSONUnarchiver::registerClass to be read back. */
class ZRJSONCoding {
public:
    virtual ~ZRJSONCoding() = default;
    virtual QString className() const = 0;
    virtual void encodeWithCoder(ZRJSONArchiver& coder) const = 0;
    /*! Reads the fields written by encodeWithCoder from the level being decoded. */
    virtual void initWithCoder(ZRJSONUnarchiver& coder) = 0;
};
using ZRJSONCodingPtr = std::shared_ptr<ZRJSONCoding>;

/*! A set of values for the archive ("set" entries); the order of its values carries no meaning. */
struct ZRJSONSet {
    QVariantList values;
    bool operator==(const ZRJSONSet& other) const;
};

Q_DECLARE_METATYPE(ZRJSONCodingPtr)
Q_DECLARE_METATYPE(ZRJSONSet)

/*! Writes an object graph as JSON: each entry's member name is "_<tag>_<key>" with the tag "str",
    "num", "dict", "arr", "set" or the object's class name; containers and objects are nested JSON
    objects; array and set elements are keyed by their position in six or more digits; scalars of
    encodeBool... are members under the plain key. The top level holds the entry "root". */
class ZRJSONArchiver {
public:
    ZRJSONArchiver();

    /*! The archive's JSON bytes; std::nullopt with *error set for what JSON cannot hold (NaN, infinity,
        a value of an unknown type). An invalid root gives "{}". */
    static std::optional<QByteArray> archivedDataWithRootObject(const QVariant& object,
                                                                QString* error = nullptr);

    void encodeObjectForKey(const QVariant& object, const QString& key);
    void encodeBoolForKey(bool value, const QString& key);
    void encodeIntForKey(int value, const QString& key);
    void encodeInt32ForKey(qint32 value, const QString& key);
    void encodeInt64ForKey(qint64 value, const QString& key);
    void encodeFloatForKey(float value, const QString& key);
    void encodeDoubleForKey(double value, const QString& key);

    static QString classKeyNameForObject(const QVariant& object);
    static QString classKeyNameForObjectKey(const QVariant& object, const QString& key);

    bool failed() const { return !m_error.isEmpty(); }
    QString errorMessage() const { return m_error; }
    QJsonObject rootDictionary() const;

private:
    void setCurrent(const QString& member, const QJsonValue& value);
    void encodeNumber(double value, const QString& member);

    QList<QJsonObject> m_dictionaryStack;
    QString m_error;
};

/*! Reads an archive of ZRJSONArchiver back. Only the classes registered here are created; an entry of
    any other class reads as no value (and is logged). Keys may hold "_"; array positions are read in
    numeric order whatever their number of digits. */
class ZRJSONUnarchiver {
public:
    using Factory = std::function<ZRJSONCodingPtr()>;

    /*! Makes the class readable; a name that holds "_" or is one of the built-in tags is refused. */
    static bool registerClass(const QString& className, Factory factory);

    /*! The root object of JSON bytes (or an already parsed top level), or an invalid QVariant; JSON that
        does not parse is logged as "ZRJSONUnarchiver: error deserializing JSON: ...". */
    static QVariant unarchiveObjectWithData(const QByteArray& data);
    static QVariant unarchiveObjectWithDictionary(const QJsonObject& dictionary);

    QVariant decodeObjectForKey(const QString& key);
    bool decodeBoolForKey(const QString& key) const;
    int decodeIntForKey(const QString& key) const;
    qint32 decodeInt32ForKey(const QString& key) const;
    qint64 decodeInt64ForKey(const QString& key) const;
    float decodeFloatForKey(const QString& key) const;
    double decodeDoubleForKey(const QString& key) const;

    /*! The class name of a member name and its key, or std::nullopt when the name is not "_<tag>_<key>". */
    static std::optional<QString> classNameForDictKey(const QString& member, QString* key);

private:
    QVariant decodeValue(const QString& className, const QJsonValue& value);
    QVariant decodeObjectWithClassname(const QString& className);
    QJsonValue plainMember(const QString& key) const;

    QList<QJsonObject> m_dictionaryStack;
};
