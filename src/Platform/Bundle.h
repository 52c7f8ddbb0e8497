#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QCoreApplication;

namespace Platform {

/*! An application directory laid out like this:

        Corvantide.app/
          Info.plist                          the bundle's facts (an XML property-list dictionary)
          bin/<executable>                    the programs
          Resources/<name>.<type>             resources
          Resources/<lang>.lproj/...          localized resources, found before the plain ones
          Resources/<lang>.lproj/InfoPlist.strings
                                              localized Info.plist values: an XML property-list
                                              dictionary whose keys override the Info.plist ones
          Resources/translations/corvantide_<lang>.qm
                                              compiled Qt translations (installTranslations)

    A Bundle is a cheap value; its Info.plist is read when the bundle is made. Safe from any thread. */
class Bundle {
public:
    /*! The bundle at the directory; languages picks the localizations in order of preference (empty: the
        user's interface languages). A directory without Info.plist is a bundle without facts. */
    explicit Bundle(const QString& bundlePath, const QStringList& preferredLanguages = {});

    /*! The bundle that holds the running executable (<bundle>/bin/<exe>); when the executable does not sit
        in a bin or libexec folder, its own folder. Tests can move it with setMainBundlePathForTesting. */
    static Bundle mainBundle();
    /*! Makes every later mainBundle() the bundle at the path (an empty path restores the real one). The
        test runner points it at the built Corvantide.app before any test starts. */
    static void setMainBundlePathForTesting(const QString& bundlePath,
                                            const QStringList& preferredLanguages = {});

    QString bundlePath() const;
    /*! <bundle>/Resources */
    QString resourcePath() const;
    /*! <bundle>/bin/<CFBundleExecutable>, or a null string when Info.plist names none, or names more than
        one path component, or a file that resolves to somewhere outside the bundle. */
    QString executablePath() const;
    QString bundleIdentifier() const;

    /*! Info.plist as it is on disk (empty when missing or unreadable). */
    QVariantMap infoDictionary() const;
    /*! The InfoPlist.strings values of the best localization (empty when there are none). */
    QVariantMap localizedInfoDictionary() const;
    /*! The localized value when there is one, else the Info.plist value, else an invalid QVariant. */
    QVariant objectForInfoDictionaryKey(const QString& key) const;

    /*! The .lproj folder names present in Resources that match the preferred languages, best first, then
        the development region ("CFBundleDevelopmentRegion", else "en") and "Base". */
    QStringList localizations() const;

    /*! The file name.type (or name alone when type is empty) in Resources, looked for in the localizations
        first; a null string when it is nowhere. name may hold a sub-folder ("images/menuIcon"). */
    QString pathForResource(const QString& name, const QString& type) const;

    /*! The translation of key in the string table (a Qt translation context; "Localizable" when table is
        empty); when there is none, value, or key when value is empty. */
    QString localizedString(const QString& key, const QString& value = {}, const QString& table = {}) const;

    /*! Loads Resources/translations/corvantide_<lang>.qm for the best of the preferred languages into the
        application; answers whether one was found. */
    bool installTranslations(QCoreApplication* application) const;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;
};

} // namespace Platform
