#pragma once

#include <QString>

#include <array>
#include <optional>

/*! An operating-system version: major, minor and patch; all zero when unknown. */
struct ZROperatingSystemVersion {
    long long majorVersion = 0;
    long long minorVersion = 0;
    long long patchVersion = 0;
    bool operator==(const ZROperatingSystemVersion&) const = default;
};

/*! [major, minor, patch], the form the version comparison works on. */
using ZRSystemVersionArray = std::array<long long, 3>;

/*! The integer that the text's leading blanks, sign and ASCII digits make; 0 without digits. A value
    beyond the range of long long saturates to its largest or smallest value. The one rule for reading
    version numbers, system and bundle versions alike. */
long long ZRLeadingIntegerValue(QStringView text);

/*! Splits at ".": the first three components are major, minor and patch, missing ones 0, later ones
    ignored; each is ZRLeadingIntegerValue of it ("12" is 12.0.0, "10.15.7.1" is 10.15.7, "" is 0.0.0). */
ZROperatingSystemVersion systemVersionFromString(const QString& string);

/*! What the kit knows about the running system. The version is the VERSION_ID of /etc/os-release (Debian 12
    reports 12.0.0), read once per process and all zero when it cannot be read. */
class ZRMacOSXVersion {
public:
    ZRMacOSXVersion() = delete;

    static ZROperatingSystemVersion systemVersionFromString(const QString& string);

    /*! The running system's version, read once. */
    static ZROperatingSystemVersion currentSystemVersion();
    /*! The raw VERSION_ID text ("12", "22.04"), or an empty string when there is none. */
    static QString productVersion();
    /*! A human-readable name of the running system, such as "Debian GNU/Linux 12 (bookworm)". */
    static QString systemVersion();
    /*! The machine's CPU architecture as the system names it ("x86_64", "arm64", ...). */
    static QString architecture();

    /*! True when current is the same as or later than required: majors first, then minors, then patches. */
    static bool systemVersionIsHigherOrEqualToSystemVsion(const ZRSystemVersionArray& current,
                                                          const ZRSystemVersionArray& required);
    static ZRSystemVersionArray arrayFromSystemVersion(const ZROperatingSystemVersion& version);

    static bool OSVersionIsHigherOrEqual_10_3();
    static bool OSVersionIsHigherOrEqual_10_4();
    static bool OSVersionIsHigherOrEqual_10_5();
    static bool OSVersionIsHigherOrEqual_10_5_7();
    static bool OSVersionIsHigherOrEqual_10_6();
    static bool OSVersionIsHigherOrEqual_10_7();
    static bool OSVersionIsHigherOrEqual_10_8();
    static bool OSVersionIsHigherOrEqual_10_9();
    static bool OSVersionIsHigherOrEqual_10_10();
    static bool OSVersionIsHigherOrEqual_10_10_3();
    static bool OSVersionIsHigherOrEqual_10_11();
    static bool OSVersionIsHigherOrEqual_10_12();
    static bool OSVersionIsHigherOrEqual_10_13();
    static bool OSVersionIsHigherOrEqual_10_14();
    static bool OSVersionIsHigherOrEqual_10_15();
    /*! Against 11.0.0, or 10.16.0 on a system that reports itself in the 10.x numbering. */
    static bool OSVersionIsHigherOrEqual_11_0();
    /*! Against 12.0.0, or 10.17.0 on a system that reports itself in the 10.x numbering. */
    static bool OSVersionIsHigherOrEqual_12_0();

    /*! The version read from an os-release file; all zero when it is missing or has no VERSION_ID. */
    static ZROperatingSystemVersion systemVersionFromOsRelease(const QString& path);

    /*! Makes currentSystemVersion answer the given version (std::nullopt: the real one again). Tests. */
    static void setSystemVersionForTesting(std::optional<ZROperatingSystemVersion> version);
};
