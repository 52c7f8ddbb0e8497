#pragma once

#include "ZRUpdater/ZRUpdaterRelease.h"

#include <QByteArray>
#include <QList>
#include <QString>

/*! Reads the release feed: an XML document whose "Release" elements (inside "Releases") carry the value
    elements of one release each. Element names are case-sensitive, attributes and unknown elements are
    ignored, and a value is the text since the previous tag, untrimmed. Malformed XML stops reading; the
    records started up to there remain. */
class ZRUpdaterReleaseParser {
public:
    /*! Reading stops at a release beyond maximumReleaseCount (see tooManyReleases). */
    explicit ZRUpdaterReleaseParser(QByteArray releaseData, qsizetype maximumReleaseCount = 10000);
    static ZRUpdaterReleaseParser parserWithReleaseData(const QByteArray& releaseData) {
        return ZRUpdaterReleaseParser(releaseData);
    }

    /*! Reads the whole document and titles every record. */
    void parse();
    QList<ZRUpdaterRelease> parsedReleases() const { return m_releases; }
    /*! Why reading stopped early; empty for a well-formed document. */
    QString errorString() const { return m_errorString; }
    /*! The document lists more releases than the parser reads. */
    bool tooManyReleases() const { return m_tooManyReleases; }

    /*! A date in the form yyyy-MM-dd; invalid otherwise. */
    static QDate dateFromString(const QString& string);
    static ZROperatingSystemVersion systemVersionFromString(const QString& string);

private:
    void startElement(const QString& name);
    void endElement(const QString& name);
    void foundCDATA(const QString& text);

    QByteArray m_releaseData;
    qsizetype m_maximumReleaseCount;
    bool m_tooManyReleases = false;
    QList<ZRUpdaterRelease> m_releases;
    QString m_applicationName;
    QString m_currentElement;
    QString m_currentCharacters;
    bool m_insideReleases = false;
    /*! A CDATA section seen since the last tag: the next one is joined to it. */
    bool m_cdataContinues = false;
    QString m_errorString;
};
