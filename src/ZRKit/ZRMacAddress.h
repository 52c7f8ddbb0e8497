#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/*! The hardware address of the machine's primary Ethernet-type interface: of the interfaces under the
    sysfs network folder that are backed by a device (not virtual) and have the Ethernet link type (wired
    and wireless alike), the one with the lowest interface index. Six zero bytes when there is none;
    std::nullopt when the folder cannot be read or the chosen interface's address cannot be read. Tests
    pass their own folder in place of /sys/class/net. */
std::optional<QByteArray> ZRCopyMacAddress(const QString& sysClassNetPath = QStringLiteral("/sys/class/net"));
