#pragma once

#include "JiraStandIn.h"

#include <QByteArray>
#include <QString>

/*! The update server beside the stand-in: the release feed at /corvantide/appcast.xml (gzipped unless
    told otherwise) and archives under /corvantide/downloads/<name>, each answered with the name the
    server suggests for saving. */
class UpdateServer {
public:
    explicit UpdateServer(JiraStandIn& standIn);

    QString feedPath() const { return QStringLiteral("/corvantide/appcast.xml"); }
    QUrl feedURL() const;
    /*! The address an archive of the given name is served from. */
    QUrl downloadURL(const QString& name) const;

    /*! The document served as the feed. */
    QByteArray feed;
    /*! How many times the feed is gzipped before it is sent (0: plain). */
    int gzipLayers = 1;
    /*! Archives by name; a name that is not here answers 404. */
    QHash<QString, QByteArray> archives;
    /*! The file name suggested in Content-Disposition; empty: the archive's own name. */
    QString suggestedName;

    /*! A feed with one release of the given versions, downloading from the link. */
    static QByteArray feedWithRelease(const QString& versionString, const QString& bundleVersion,
                                      const QUrl& downloadLink, const QString& changesHTML = {});
    /*! gzip at the default level. */
    static QByteArray gzip(const QByteArray& data);

private:
    JiraStandIn& m_standIn;
};
