#pragma once

#include "ZRKit/ZRMacOSXVersion.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QUrl>

namespace Platform {
class Bundle;
}

/*! One release of the application as the release feed lists it, or the running application itself. */
struct ZRUpdaterRelease {
    QString title;
    QDate date;
    QString applicationName;
    /*! HTML fragments shown in the update alert. */
    QByteArray releaseNotes;
    QByteArray updateConditions;
    QUrl fileURL;
    QString versionString;
    QString bundleVersion;
    bool isBeta = false;
    bool showOnWebsite = false;
    ZROperatingSystemVersion minSystemVersion;

    /*! The running application: its versions and display name, titled. */
    static ZRUpdaterRelease mainBundleRelease();
    static ZRUpdaterRelease releaseFromBundle(const Platform::Bundle& bundle);

    /*! "name version (build)", or "name version" without a bundle version. */
    void generateTitle();
    /*! "title (date: yyyy-MM-dd)". */
    QString description() const;

    /*! Greater when other's bundle version is the higher one (so a sort puts the highest first); both are
        read as the integers their leading digits make. */
    std::strong_ordering compareByBundleVersion(const ZRUpdaterRelease& other) const;
    /*! This record's minimum system against other's: less when this one is older. */
    std::strong_ordering compareByMinSystemVersion(const ZRUpdaterRelease& other) const;
};

/*! ZRLeadingIntegerValue of the text: the same rule as the system versions. */
long long ZRUpdaterIntegerValue(const QString& text);
