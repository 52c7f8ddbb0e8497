#include "ZRKit/ZRProcessInfo.h"

#include <QCoreApplication>

namespace ZRProcessInfo {

QMap<QString, std::optional<QString>> parsedArguments(const QStringList& arguments) {
    QMap<QString, std::optional<QString>> parsed;
    const auto isOption = [](const QString& argument) { return argument.startsWith(QLatin1Char('-')); };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!isOption(argument))
            continue;
        if (i + 1 < arguments.size() && !isOption(arguments.at(i + 1))) {
            parsed.insert(argument, arguments.at(i + 1));
            ++i;
        } else {
            parsed.insert(argument, std::nullopt);
        }
    }
    return parsed;
}

QMap<QString, std::optional<QString>> parsedArguments() {
    return parsedArguments(QCoreApplication::arguments());
}

} // namespace ZRProcessInfo
