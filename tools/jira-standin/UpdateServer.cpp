#include "UpdateServer.h"

#include <QRegularExpressionMatch>

#include <zlib.h>

UpdateServer::UpdateServer(JiraStandIn& standIn)
    : m_standIn(standIn) {
    standIn.addRoute("GET", QStringLiteral("^/corvantide/appcast\\.xml$"), false,
                     [this](const JiraStandIn::Request&, const QRegularExpressionMatch&) {
                         QByteArray body = feed;
                         for (int i = 0; i < gzipLayers; ++i)
                             body = gzip(body);
                         return JiraStandIn::Reply::text(
                             body, gzipLayers > 0 ? "application/gzip" : "text/xml", 200);
                     });
    standIn.addRoute(
        "GET", QStringLiteral("^/corvantide/downloads/([^/]+)$"), false,
        [this](const JiraStandIn::Request&, const QRegularExpressionMatch& match) {
            const QString name = match.captured(1);
            if (!archives.contains(name))
                return JiraStandIn::Reply::text("<html><body>Not Found</body></html>", "text/html", 404);
            JiraStandIn::Reply reply =
                JiraStandIn::Reply::text(archives.value(name), "application/octet-stream", 200);
            const QString saveAs = suggestedName.isEmpty() ? name : suggestedName;
            reply.headers.append({"Content-Disposition", "attachment; filename=\"" + saveAs.toUtf8() + "\""});
            return reply;
        });
}

QUrl UpdateServer::feedURL() const {
    QUrl url = m_standIn.baseUrl();
    url.setPath(feedPath());
    return url;
}

QUrl UpdateServer::downloadURL(const QString& name) const {
    QUrl url = m_standIn.baseUrl();
    url.setPath(QStringLiteral("/corvantide/downloads/") + name);
    return url;
}

QByteArray UpdateServer::feedWithRelease(const QString& versionString, const QString& bundleVersion,
                                         const QUrl& downloadLink, const QString& changesHTML) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Application><AppName>Corvantide</AppName><Releases><Release>"
                          "<Version>%1</Version><BundleVersion>%2</BundleVersion><Date>2026-12-01</Date>"
                          "<DownloadLink>%3</DownloadLink><IsBeta>NO</IsBeta><MinSystemVersion>11"
                          "</MinSystemVersion><Changes><![CDATA[%4]]></Changes></Release></Releases>"
                          "</Application>\n")
        .arg(versionString, bundleVersion, downloadLink.toString(QUrl::FullyEncoded),
             changesHTML.isEmpty() ? QStringLiteral("<p>What is new.</p>") : changesHTML)
        .toUtf8();
}

QByteArray UpdateServer::gzip(const QByteArray& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = ::deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}
