#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/*! The command line as a dictionary. */
namespace ZRProcessInfo {

/*! Every argument that begins with "-" is a key (the dash kept); its value is the next argument when that
    does not begin with "-" (it is then used up), else std::nullopt. Other arguments are ignored; a repeated
    key keeps its last value. The arguments are the process's own unless given. */
QMap<QString, std::optional<QString>> parsedArguments(const QStringList& arguments);
QMap<QString, std::optional<QString>> parsedArguments();

} // namespace ZRProcessInfo
