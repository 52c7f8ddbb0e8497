#include "Platform/MountTable.h"

#include "Platform/RegularFile.h"

#include <QRegularExpression>

#include <mutex>

namespace Platform::MountTable {

namespace {

struct Sources {
    QByteArray mountInfo;
    QString sysRoot;
};

std::mutex& sourcesMutex() {
    static std::mutex mutex;
    return mutex;
}

Sources& testSources() {
    static Sources sources;
    return sources;
}

// Octal escapes of the kernel's mount table: a backslash and three octal digits.
QString unescaped(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size() && field.at(i + 1) >= '0' && field.at(i + 1) <= '3' &&
            field.at(i + 2) >= '0' && field.at(i + 2) <= '7' && field.at(i + 3) >= '0' &&
            field.at(i + 3) <= '7') {
            out.append(char(((field.at(i + 1) - '0') << 6) | ((field.at(i + 2) - '0') << 3) |
                            (field.at(i + 3) - '0')));
            i += 3;
            continue;
        }
        out.append(field.at(i));
    }
    return QString::fromUtf8(out);
}

} // namespace

QList<Entry> parse(const QByteArray& text) {
    QList<Entry> entries;
    for (const QByteArray& line : text.split('\n')) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size())
            continue;
        Entry entry;
        entry.mountPoint = unescaped(fields.at(4));
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        entry.options = QString::fromUtf8(fields.at(5)).split(QLatin1Char(','));
        entry.fileSystemType = unescaped(fields.at(separator + 1));
        entry.source = unescaped(fields.at(separator + 2));
        entries.append(entry);
    }
    return entries;
}

QList<Entry> current() {
    QByteArray text;
    {
        std::lock_guard lock(sourcesMutex());
        text = testSources().mountInfo;
    }
    if (text.isEmpty())
        text = RegularFile::read(QStringLiteral("/proc/self/mountinfo"), RegularFile::Links::Follow, nullptr)
                   .value_or(QByteArray());
    return parse(text);
}

std::optional<Entry> entryForPath(const QList<Entry>& table, const QString& path) {
    std::optional<Entry> found;
    for (const Entry& entry : table) {
        const QString& point = entry.mountPoint;
        const bool contains =
            point == QLatin1String("/") || path == point || path.startsWith(point + QLatin1Char('/'));
        if (contains && (!found || point.size() >= found->mountPoint.size()))
            found = entry;
    }
    return found;
}

QString loopBackingFile(const QString& deviceName) {
    static const QRegularExpression loop(QStringLiteral("^loop\\d+$"));
    if (!loop.match(deviceName).hasMatch())
        return {};
    QString root;
    {
        std::lock_guard lock(sourcesMutex());
        root = testSources().sysRoot;
    }
    if (root.isEmpty())
        root = QStringLiteral("/sys");
    const std::optional<QByteArray> content = RegularFile::read(
        root + QStringLiteral("/block/") + deviceName + QStringLiteral("/loop/backing_file"),
        RegularFile::Links::Follow, nullptr, 8192);
    return content ? QString::fromUtf8(content->trimmed()) : QString();
}

void setSourcesForTesting(const QByteArray& mountInfo, const QString& sysRoot) {
    std::lock_guard lock(sourcesMutex());
    testSources() = Sources{mountInfo, sysRoot};
}

} // namespace Platform::MountTable
