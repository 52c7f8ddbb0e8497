#include "ZRKit/ZRMacAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

namespace {

constexpr int MacAddressLength = 6;
// ARPHRD_ETHER from <linux/if_arp.h>: the link type of wired and wireless Ethernet interfaces.
constexpr int EthernetLinkType = 1;

std::optional<QByteArray> readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(256).trimmed();
}

std::optional<int> readNumber(const QString& path) {
    const auto text = readSmallFile(path);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// "aa:bb:cc:dd:ee:ff" into six bytes.
std::optional<QByteArray> parseAddress(const QByteArray& text) {
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != MacAddressLength)
        return std::nullopt;
    QByteArray bytes;
    for (const QByteArray& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok, 16);
        if (!ok || part.size() != 2 || value < 0 || value > 0xff)
            return std::nullopt;
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

} // namespace

std::optional<QByteArray> ZRCopyMacAddress(const QString& sysClassNetPath) {
    const QDir root(sysClassNetPath);
    if (!root.exists())
        return std::nullopt;

    QString primary;
    int primaryIndex = 0;
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
        const QString folder = root.filePath(name);
        if (readNumber(folder + QStringLiteral("/type")) != EthernetLinkType)
            continue;
        // Bridges, tunnels and container links have no device behind them.
        if (!QFileInfo::exists(folder + QStringLiteral("/device")))
            continue;
        const int index = readNumber(folder + QStringLiteral("/ifindex")).value_or(INT_MAX);
        if (primary.isEmpty() || index < primaryIndex) {
            primary = folder;
            primaryIndex = index;
        }
    }
    if (primary.isEmpty())
        return QByteArray(MacAddressLength, '\0');

    const auto text = readSmallFile(primary + QStringLiteral("/address"));
    if (!text)
        return std::nullopt;
    return parseAddress(*text);
}
