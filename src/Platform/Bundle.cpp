#include "Platform/Bundle.h"

#include "Platform/PropertyList.h"
#include "Platform/SystemLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

#include <mutex>

namespace Platform {

struct Bundle::Data {
    QString path;
    QStringList preferredLanguages;
    QVariantMap info;
    QStringList localizations;
    QVariantMap localizedInfo;
};

namespace {

const QString InfoPlistName = QStringLiteral("Info.plist");
const QString LocalizedInfoName = QStringLiteral("InfoPlist.strings");
const QString TranslationsFolder = QStringLiteral("translations");
const QString TranslationsPrefix = QStringLiteral("corvantide_");

// "de-DE" is looked for as de-DE.lproj, de_DE.lproj and de.lproj.
QStringList languageCandidates(const QStringList& languages) {
    QStringList candidates;
    for (const QString& language : languages) {
        QString underscored = language;
        underscored.replace(QLatin1Char('-'), QLatin1Char('_'));
        const QString base = underscored.section(QLatin1Char('_'), 0, 0);
        for (const QString& candidate : {language, underscored, base})
            if (!candidate.isEmpty() && !candidates.contains(candidate))
                candidates.append(candidate);
    }
    return candidates;
}

QString executableDirectory() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QString discoveredMainBundlePath() {
    const QDir dir(executableDirectory());
    if (dir.dirName() == QLatin1String("bin") || dir.dirName() == QLatin1String("libexec"))
        return QFileInfo(dir.absolutePath()).absolutePath();
    return dir.absolutePath();
}

std::mutex& mainBundleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<Bundle>& mainBundleStorage() {
    static std::optional<Bundle> bundle;
    return bundle;
}

} // namespace

Bundle::Bundle(const QString& bundlePath, const QStringList& preferredLanguages) {
    auto data = std::make_shared<Data>();
    data->path = QDir::cleanPath(QFileInfo(bundlePath).absoluteFilePath());
    data->preferredLanguages =
        preferredLanguages.isEmpty() ? QLocale::system().uiLanguages() : preferredLanguages;

    const QString infoPath = data->path + QLatin1Char('/') + InfoPlistName;
    if (QFileInfo::exists(infoPath)) {
        QString error;
        if (auto info = PropertyList::readDictionaryFile(infoPath, &error))
            data->info = *info;
        else
            SystemLog::log(QStringLiteral("could not read bundle info: %1").arg(error));
    }

    const QDir resources(data->path + QStringLiteral("/Resources"));
    QStringList wanted = languageCandidates(data->preferredLanguages);
    const QString development = data->info.value(QStringLiteral("CFBundleDevelopmentRegion")).toString();
    wanted << (development.isEmpty() ? QStringLiteral("en") : development) << QStringLiteral("Base");
    for (const QString& language : wanted) {
        if (!data->localizations.contains(language) && resources.exists(language + QStringLiteral(".lproj")))
            data->localizations.append(language);
    }

    for (const QString& localization : data->localizations) {
        const QString stringsPath =
            resources.filePath(localization + QStringLiteral(".lproj/") + LocalizedInfoName);
        if (!QFileInfo::exists(stringsPath))
            continue;
        QString error;
        if (auto strings = PropertyList::readDictionaryFile(stringsPath, &error))
            data->localizedInfo = *strings;
        else
            SystemLog::log(QStringLiteral("could not read localized bundle info: %1").arg(error));
        break;
    }
    m_data = std::move(data);
}

Bundle Bundle::mainBundle() {
    std::lock_guard lock(mainBundleMutex());
    std::optional<Bundle>& bundle = mainBundleStorage();
    if (!bundle)
        bundle.emplace(discoveredMainBundlePath());
    return *bundle;
}

void Bundle::setMainBundlePathForTesting(const QString& bundlePath, const QStringList& preferredLanguages) {
    std::lock_guard lock(mainBundleMutex());
    std::optional<Bundle>& bundle = mainBundleStorage();
    if (bundlePath.isEmpty())
        bundle.reset();
    else
        bundle.emplace(bundlePath, preferredLanguages);
}

QString Bundle::bundlePath() const {
    return m_data->path;
}

QString Bundle::resourcePath() const {
    return m_data->path + QStringLiteral("/Resources");
}

QString Bundle::executablePath() const {
    const QString name = m_data->info.value(QStringLiteral("CFBundleExecutable")).toString();
    // One name in bin/: a path or ".." would name something outside the bundle.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QChar(0)) ||
        name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    const QString path = m_data->path + QStringLiteral("/bin/") + name;
    // Nor may a link lead out of it.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (!real.isEmpty() && !real.startsWith(QFileInfo(m_data->path).canonicalFilePath() + QLatin1Char('/')))
        return {};
    return path;
}

QString Bundle::bundleIdentifier() const {
    return m_data->info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QVariantMap Bundle::infoDictionary() const {
    return m_data->info;
}

QVariantMap Bundle::localizedInfoDictionary() const {
    return m_data->localizedInfo;
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) const {
    auto localized = m_data->localizedInfo.constFind(key);
    if (localized != m_data->localizedInfo.cend())
        return *localized;
    return m_data->info.value(key);
}

QStringList Bundle::localizations() const {
    return m_data->localizations;
}

QString Bundle::pathForResource(const QString& name, const QString& type) const {
    if (name.isEmpty())
        return {};
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    // Resource names come from our own code, but never let one climb out of the bundle.
    if (QDir::cleanPath(fileName).startsWith(QLatin1String("..")) || QDir::isAbsolutePath(fileName))
        return {};
    const QString resources = resourcePath();
    for (const QString& localization : m_data->localizations) {
        const QString path =
            resources + QLatin1Char('/') + localization + QStringLiteral(".lproj/") + fileName;
        if (QFileInfo(path).isFile())
            return path;
    }
    const QString path = resources + QLatin1Char('/') + fileName;
    return QFileInfo(path).isFile() ? path : QString();
}

QString Bundle::localizedString(const QString& key, const QString& value, const QString& table) const {
    const QByteArray context = table.isEmpty() ? QByteArrayLiteral("Localizable") : table.toUtf8();
    const QByteArray source = key.toUtf8();
    const QString translated = QCoreApplication::translate(context.constData(), source.constData());
    if (translated != key)
        return translated;
    return value.isEmpty() ? key : value;
}

bool Bundle::installTranslations(QCoreApplication* application) const {
    const QString directory = resourcePath() + QLatin1Char('/') + TranslationsFolder;
    auto* translator = new QTranslator(application);
    bool loaded = false;
    for (const QString& language : languageCandidates(m_data->preferredLanguages)) {
        QString underscored = language;
        underscored.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (translator->load(TranslationsPrefix + underscored, directory)) {
            loaded = true;
            break;
        }
    }
    if (!loaded)
        loaded = translator->load(TranslationsPrefix + QStringLiteral("en"), directory);
    if (!loaded) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace Platform
