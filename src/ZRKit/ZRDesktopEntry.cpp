#include "ZRKit/ZRDesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

namespace ZRDesktopEntry {

QString pathForApplicationID(const QString& identifier) {
    if (identifier.isEmpty() || identifier.contains(QLatin1Char('/')))
        return {};
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                  QStringLiteral("applications/%1.desktop").arg(identifier));
}

QString pathForApplicationName(const QString& name) {
    const QStringList folders = QStandardPaths::locateAll(
        QStandardPaths::GenericDataLocation, QStringLiteral("applications"), QStandardPaths::LocateDirectory);
    for (const QString& folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (value(path, QStringLiteral("Name")) == name)
                return path;
        }
    }
    return {};
}

QString value(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream stream(&file);
    bool inEntry = false;
    const QString prefix = key + QLatin1Char('=');
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    }
    return {};
}

} // namespace ZRDesktopEntry
