#include "ZRUpdater/ZRUpdaterRelease.h"

#include "Platform/Bundle.h"
#include "ZRKit/ZRBundle.h"

#include <tuple>

long long ZRUpdaterIntegerValue(const QString& text) {
    return ZRLeadingIntegerValue(text);
}

ZRUpdaterRelease ZRUpdaterRelease::mainBundleRelease() {
    return releaseFromBundle(Platform::Bundle::mainBundle());
}

ZRUpdaterRelease ZRUpdaterRelease::releaseFromBundle(const Platform::Bundle& bundle) {
    ZRUpdaterRelease release;
    release.versionString = ZRBundle::versionString(bundle);
    release.bundleVersion = ZRBundle::bundleVersion(bundle);
    release.applicationName = ZRBundle::bundleDisplayName(bundle);
    release.generateTitle();
    return release;
}

void ZRUpdaterRelease::generateTitle() {
    title = bundleVersion.isEmpty()
                ? QStringLiteral("%1 %2").arg(applicationName, versionString)
                : QStringLiteral("%1 %2 (%3)").arg(applicationName, versionString, bundleVersion);
}

QString ZRUpdaterRelease::description() const {
    return QStringLiteral("%1 (date: %2)")
        .arg(title, date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral("(null)"));
}

std::strong_ordering ZRUpdaterRelease::compareByBundleVersion(const ZRUpdaterRelease& other) const {
    return ZRUpdaterIntegerValue(other.bundleVersion) <=> ZRUpdaterIntegerValue(bundleVersion);
}

std::strong_ordering ZRUpdaterRelease::compareByMinSystemVersion(const ZRUpdaterRelease& other) const {
    const auto& a = minSystemVersion;
    const auto& b = other.minSystemVersion;
    return std::tie(a.majorVersion, a.minorVersion, a.patchVersion) <=>
           std::tie(b.majorVersion, b.minorVersion, b.patchVersion);
}
