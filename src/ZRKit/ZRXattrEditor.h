#pragma once

#include <QString>

#include <optional>

/*! String values of a file's extended attributes. Names without a namespace ("com.example.tag") live in
    the user namespace ("user.com.example.tag"), the one a program may use on Linux; names that already
    name one (user., trusted., security., system.) are used as they are. Every argument must be non-empty
    (a programming error otherwise). */
namespace ZRXattrEditor {

/*! The attribute's UTF-8 text (following symbolic links); std::nullopt when it is missing, empty, not
    UTF-8, longer than 1024 bytes, or the file system refuses extended attributes. */
std::optional<QString> valueForNameAtPath(const QString& name, const QString& path);
/*! Creates or replaces the attribute with the value's UTF-8 bytes. */
bool setValueForNameAtPath(const QString& value, const QString& name, const QString& path);
bool removeValueForNameAtPath(const QString& name, const QString& path);
/*! The name as the system sees it. */
QByteArray systemName(const QString& name);

} // namespace ZRXattrEditor
