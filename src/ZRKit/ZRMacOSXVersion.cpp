#include "ZRKit/ZRMacOSXVersion.h"

#include <QFile>
#include <QStringList>
#include <QSysInfo>

#include <climits>
#include <mutex>

namespace {

const QString OsReleasePath = QStringLiteral("/etc/os-release");
const QString FallbackOsReleasePath = QStringLiteral("/usr/lib/os-release");

// One value of an os-release file: the text after "KEY=", unquoted and unescaped.
QString osReleaseValue(const QByteArray& contents, const QByteArray& key) {
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith(key + '='))
            continue;
        QString value = QString::fromUtf8(line.mid(key.size() + 1));
        if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size())
                ++i;
            unescaped.append(value.at(i));
        }
        return unescaped;
    }
    return {};
}

QByteArray readOsRelease(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

QByteArray systemOsRelease() {
    QByteArray contents = readOsRelease(OsReleasePath);
    return contents.isEmpty() ? readOsRelease(FallbackOsReleasePath) : contents;
}

std::mutex& overrideMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<ZROperatingSystemVersion>& versionOverride() {
    static std::optional<ZROperatingSystemVersion> version;
    return version;
}

bool isAtLeast(const ZRSystemVersionArray& required) {
    return ZRMacOSXVersion::systemVersionIsHigherOrEqualToSystemVsion(
        ZRMacOSXVersion::arrayFromSystemVersion(ZRMacOSXVersion::currentSystemVersion()), required);
}

// Systems that report themselves in the 10.x numbering are compared against it.
bool isAtLeastNumberedMajor(long long major, long long compatibilityMinor) {
    const ZROperatingSystemVersion running = ZRMacOSXVersion::currentSystemVersion();
    const ZRSystemVersionArray required = running.majorVersion == 10
                                              ? ZRSystemVersionArray{10, compatibilityMinor, 0}
                                              : ZRSystemVersionArray{major, 0, 0};
    return ZRMacOSXVersion::systemVersionIsHigherOrEqualToSystemVsion(
        ZRMacOSXVersion::arrayFromSystemVersion(running), required);
}

} // namespace

long long ZRLeadingIntegerValue(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    // Gathered as a negative number, whose range reaches one further than the positive one.
    long long value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (value < (LLONG_MIN + digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == LLONG_MIN ? LLONG_MAX : -value;
}

ZROperatingSystemVersion systemVersionFromString(const QString& string) {
    const QStringList parts = string.split(QLatin1Char('.'));
    const auto component = [&parts](qsizetype index) {
        return index < parts.size() ? ZRLeadingIntegerValue(parts.at(index)) : 0;
    };
    return ZROperatingSystemVersion{component(0), component(1), component(2)};
}

ZROperatingSystemVersion ZRMacOSXVersion::systemVersionFromString(const QString& string) {
    return ::systemVersionFromString(string);
}

ZROperatingSystemVersion ZRMacOSXVersion::currentSystemVersion() {
    {
        std::lock_guard lock(overrideMutex());
        if (versionOverride())
            return *versionOverride();
    }
    static const ZROperatingSystemVersion version = ::systemVersionFromString(productVersion());
    return version;
}

QString ZRMacOSXVersion::productVersion() {
    return osReleaseValue(systemOsRelease(), "VERSION_ID");
}

QString ZRMacOSXVersion::systemVersion() {
    const QString pretty = osReleaseValue(systemOsRelease(), "PRETTY_NAME");
    return pretty.isEmpty() ? QSysInfo::prettyProductName() : pretty;
}

QString ZRMacOSXVersion::architecture() {
    return QSysInfo::currentCpuArchitecture();
}

bool ZRMacOSXVersion::systemVersionIsHigherOrEqualToSystemVsion(const ZRSystemVersionArray& current,
                                                                const ZRSystemVersionArray& required) {
    if (current[0] != required[0])
        return current[0] > required[0];
    if (current[1] != required[1])
        return current[1] > required[1];
    return current[2] >= required[2];
}

ZRSystemVersionArray ZRMacOSXVersion::arrayFromSystemVersion(const ZROperatingSystemVersion& version) {
    return {version.majorVersion, version.minorVersion, version.patchVersion};
}

bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_3() {
    return isAtLeast({10, 3, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_4() {
    return isAtLeast({10, 4, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5() {
    return isAtLeast({10, 5, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_5_7() {
    return isAtLeast({10, 5, 7});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_6() {
    return isAtLeast({10, 6, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_7() {
    return isAtLeast({10, 7, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_8() {
    return isAtLeast({10, 8, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_9() {
    return isAtLeast({10, 9, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_10() {
    return isAtLeast({10, 10, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_10_3() {
    return isAtLeast({10, 10, 3});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_11() {
    return isAtLeast({10, 11, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_12() {
    return isAtLeast({10, 12, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_13() {
    return isAtLeast({10, 13, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_14() {
    return isAtLeast({10, 14, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_10_15() {
    return isAtLeast({10, 15, 0});
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_11_0() {
    return isAtLeastNumberedMajor(11, 16);
}
bool ZRMacOSXVersion::OSVersionIsHigherOrEqual_12_0() {
    return isAtLeastNumberedMajor(12, 17);
}

ZROperatingSystemVersion ZRMacOSXVersion::systemVersionFromOsRelease(const QString& path) {
    return ::systemVersionFromString(osReleaseValue(readOsRelease(path), "VERSION_ID"));
}

void ZRMacOSXVersion::setSystemVersionForTesting(std::optional<ZROperatingSystemVersion> version) {
    std::lock_guard lock(overrideMutex());
    versionOverride() = version;
}
