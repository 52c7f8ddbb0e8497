#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace Platform {

/*! XML property lists (the "-//Apple//DTD PLIST 1.0//EN" format) read into and written from QVariant:

    | element          | QVariant                        |
    |------------------|---------------------------------|
    | dict             | QVariantMap (keys are strings)  |
    | array            | QVariantList                    |
    | string           | QString                         |
    | integer          | qint64 (qulonglong above it)    |
    | real             | double                          |
    | true, false      | bool                            |
    | date             | QDateTime in UTC (milliseconds) |
    | data             | QByteArray (base64 in the file) |

    Reading never crashes on bad input: a malformed document yields an invalid QVariant and a message
    that names the line and what was wrong. */
class PropertyList {
public:
    /*! The one top-level value of the document, or an invalid QVariant with *errorMessage set. */
    static QVariant read(const QByteArray& document, QString* errorMessage = nullptr);
    static QVariant readFile(const QString& path, QString* errorMessage = nullptr);

    /*! A top-level dictionary; std::nullopt with *errorMessage set when the file is missing, malformed or
        holds something other than a dictionary. keysInFileOrder, when given, receives its keys in the
        order the file lists them (a key listed twice counts where it first appears). */
    static std::optional<QVariantMap> readDictionaryFile(const QString& path, QString* errorMessage = nullptr,
                                                         QStringList* keysInFileOrder = nullptr);

    /*! The document for the value, or an empty array with *errorMessage set when the value (or something
        inside it) has no property-list form, such as an invalid QVariant or a map inside a list of ints. */
    static QByteArray write(const QVariant& value, QString* errorMessage = nullptr);
    /*! Writes atomically: the file is replaced whole or left as it was. */
    static bool writeFile(const QString& path, const QVariant& value, QString* errorMessage = nullptr);
};

} // namespace Platform
