#include "ZRUpdater/ZRUpdaterReleaseParser.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

ZRUpdaterReleaseParser::ZRUpdaterReleaseParser(QByteArray releaseData, qsizetype maximumReleaseCount)
    : m_releaseData(std::move(releaseData))
    , m_maximumReleaseCount(maximumReleaseCount) {}

QDate ZRUpdaterReleaseParser::dateFromString(const QString& string) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch match = pattern.match(string);
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

ZROperatingSystemVersion ZRUpdaterReleaseParser::systemVersionFromString(const QString& string) {
    return ZRMacOSXVersion::systemVersionFromString(string);
}

void ZRUpdaterReleaseParser::parse() {
    QXmlStreamReader xml(m_releaseData);
    while (!xml.atEnd() && !m_tooManyReleases) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement(xml.name().toString());
            break;
        case QXmlStreamReader::EndElement:
            endElement(xml.name().toString());
            break;
        case QXmlStreamReader::Characters:
            if (xml.isCDATA())
                foundCDATA(xml.text().toString());
            else
                m_currentCharacters += xml.text();
            break;
        case QXmlStreamReader::EntityReference:
            m_currentCharacters += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        m_errorString = xml.errorString();
    for (ZRUpdaterRelease& release : m_releases)
        release.generateTitle();
}

void ZRUpdaterReleaseParser::startElement(const QString& name) {
    m_currentElement = name;
    m_cdataContinues = false;
    m_currentCharacters.clear();
    if (name == QLatin1String("Releases")) {
        m_insideReleases = true;
    } else if (name == QLatin1String("Release")) {
        if (m_releases.size() >= m_maximumReleaseCount) {
            m_tooManyReleases = true;
            return;
        }
        ZRUpdaterRelease release;
        release.applicationName = m_applicationName;
        m_releases.append(release);
    }
}

void ZRUpdaterReleaseParser::endElement(const QString& name) {
    m_cdataContinues = false;
    const QString text = m_currentCharacters;
    m_currentCharacters.clear();
    if (name == QLatin1String("AppName")) {
        m_applicationName = text;
        return;
    }
    if (name == QLatin1String("Releases")) {
        m_insideReleases = false;
        return;
    }
    if (!m_insideReleases || m_releases.isEmpty())
        return;
    ZRUpdaterRelease& release = m_releases.last();
    if (name == QLatin1String("Version"))
        release.versionString = text;
    else if (name == QLatin1String("BundleVersion"))
        release.bundleVersion = text;
    else if (name == QLatin1String("Date"))
        release.date = dateFromString(text);
    else if (name == QLatin1String("DownloadLink"))
        release.fileURL = QUrl(text, QUrl::StrictMode);
    else if (name == QLatin1String("IsBeta"))
        release.isBeta = text == QLatin1String("YES");
    else if (name == QLatin1String("ShowOnWebsite"))
        release.showOnWebsite = text == QLatin1String("YES");
    else if (name == QLatin1String("MinSystemVersion"))
        release.minSystemVersion = systemVersionFromString(text);
}

// A feed writes "]]>" inside notes by ending the section and starting another: the sections of one element
// are joined; another element of the same name starts afresh.
void ZRUpdaterReleaseParser::foundCDATA(const QString& text) {
    if (m_releases.isEmpty())
        return;
    const bool continues = m_cdataContinues;
    m_cdataContinues = true;
    QByteArray* target = nullptr;
    if (m_currentElement == QLatin1String("Changes"))
        target = &m_releases.last().releaseNotes;
    else if (m_currentElement == QLatin1String("UpdateConditions"))
        target = &m_releases.last().updateConditions;
    else
        return;
    if (!continues)
        target->clear();
    target->append(text.toUtf8());
}
