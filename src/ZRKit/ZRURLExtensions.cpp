#include "ZRKit/ZRURLExtensions.h"

#include "Platform/Assert.h"
#include "Platform/StringFormat.h"
#include "ZRKit/ZRData.h"
#include "ZRKit/ZRError.h"
#include "ZRKit/ZRString.h"
#include "ZRKit/ZRURLSession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstring>

namespace ZRURL {

QVariantMap parsedQuery(const QUrl& url) {
    QVariantMap result;
    if (!url.hasQuery())
        return result;
    for (const QString& piece : url.query(QUrl::FullyEncoded).split(QLatin1Char('&'))) {
        const QStringList parts = piece.split(QLatin1Char('='));
        result.insert(parts.at(0), parts.size() >= 2 ? parts.at(1) : QString(QLatin1String("")));
    }
    return result;
}

std::optional<QString> URLStringFromSockAddrData(const QByteArray& data, const QString& scheme) {
    if (data.size() < 4)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const quint8*>(data.constData());
    const quint16 port = static_cast<quint16>((bytes[2] << 8) | bytes[3]);
    if (port == 0)
        return std::nullopt;
    QString hostAndPort;
    if (bytes[1] == FamilyIPv4) {
        if (data.size() < 8)
            return std::nullopt;
        const quint32 ipv4 =
            (quint32(bytes[4]) << 24) | (quint32(bytes[5]) << 16) | (quint32(bytes[6]) << 8) | bytes[7];
        hostAndPort = QStringLiteral("%1:%2").arg(QHostAddress(ipv4).toString()).arg(port);
    } else if (bytes[1] == FamilyIPv6) {
        if (data.size() < 24)
            return std::nullopt;
        Q_IPV6ADDR ipv6;
        std::memcpy(ipv6.c, bytes + 8, 16);
        hostAndPort = QStringLiteral("[%1]:%2").arg(QHostAddress(ipv6).toString()).arg(port);
    } else {
        return std::nullopt;
    }
    if (scheme.isEmpty())
        return hostAndPort;
    return scheme + QStringLiteral("://") + hostAndPort;
}

std::optional<QUrl> URLFromSockAddrData(const QByteArray& data, const QString& scheme) {
    Platform::parameterAssert(!scheme.isEmpty(), "inScheme");
    const std::optional<QString> string = URLStringFromSockAddrData(data, scheme);
    if (!string)
        return std::nullopt;
    return QUrl(*string);
}

QByteArray sockAddrData(const QHostAddress& address, quint16 port) {
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        QByteArray data(16, '\0');
        data[0] = 16;
        data[1] = static_cast<char>(FamilyIPv4);
        data[2] = static_cast<char>(port >> 8);
        data[3] = static_cast<char>(port & 0xFF);
        for (int i = 0; i < 4; ++i)
            data[4 + i] = static_cast<char>((ipv4 >> (24 - 8 * i)) & 0xFF);
        return data;
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return QByteArray();
    QByteArray data(28, '\0');
    data[0] = 28;
    data[1] = static_cast<char>(FamilyIPv6);
    data[2] = static_cast<char>(port >> 8);
    data[3] = static_cast<char>(port & 0xFF);
    const Q_IPV6ADDR ipv6 = address.toIPv6Address();
    std::memcpy(data.data() + 8, ipv6.c, 16);
    return data;
}

QByteArray sockAddrDataFromSystemAddress(const void* address, size_t length) {
    if (!address || length < sizeof(sa_family_t))
        return QByteArray();
    sa_family_t family;
    std::memcpy(&family, address, sizeof(family));
    if (family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in in;
        std::memcpy(&in, address, sizeof(in));
        return sockAddrData(QHostAddress(ntohl(in.sin_addr.s_addr)), ntohs(in.sin_port));
    }
    if (family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 in6;
        std::memcpy(&in6, address, sizeof(in6));
        QByteArray data(28, '\0');
        data[0] = 28;
        data[1] = static_cast<char>(FamilyIPv6);
        data[2] = static_cast<char>(ntohs(in6.sin6_port) >> 8);
        data[3] = static_cast<char>(ntohs(in6.sin6_port) & 0xFF);
        std::memcpy(data.data() + 8, in6.sin6_addr.s6_addr, 16);
        return data;
    }
    return QByteArray();
}

std::optional<QByteArray> securityScopedBookmarkData(const QUrl& url, Platform::Error* error) {
    const QFileInfo info(url.toLocalFile());
    struct stat status {};
    if (!url.isLocalFile() || !info.exists() ||
        ::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &status) != 0) {
        if (error)
            *error = ZRError::zr_errorWithLocalizedDescription(
                QCoreApplication::translate("ZRURL", "The file \"%1\" does not exist.").arg(url.toString()));
        return std::nullopt;
    }
    const QJsonObject bookmark{{QStringLiteral("path"), info.canonicalFilePath()},
                               {QStringLiteral("inode"), QString::number(status.st_ino)}};
    return QJsonDocument(bookmark).toJson(QJsonDocument::Compact);
}

std::optional<QUrl> URLByResolvingSecurityScopedBookmarkData(const QByteArray& bookmark,
                                                             Platform::Error* error) {
    const QJsonObject object = QJsonDocument::fromJson(bookmark).object();
    const QString path = object.value(QStringLiteral("path")).toString();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        if (error)
            *error = ZRError::zr_errorWithLocalizedDescription(
                QCoreApplication::translate("ZRURL", "The bookmark cannot be resolved."));
        return std::nullopt;
    }
    return QUrl::fromLocalFile(path);
}

bool isReachable(const QUrl& url) {
    if (url.isLocalFile()) {
        const QFileInfo info(url.toLocalFile());
        return info.isFile() && info.isReadable();
    }
    ZRURLRequest request(url);
    request.method = QByteArrayLiteral("HEAD");
    request.timeoutInterval = 13;
    const ZRURLSessionResult result = ZRURLSession::sendSynchronousRequest(request, nullptr, 0, true);
    return !result.receivedError && result.response && result.response->statusCode == 200;
}

namespace {

QString multipartName(const QString& name) {
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("%22"));
    escaped.replace(QLatin1Char('\r'), QStringLiteral("%0D"));
    escaped.replace(QLatin1Char('\n'), QStringLiteral("%0A"));
    return escaped;
}

} // namespace

ZRURLRequest requestWithURLPostForm(const QUrl& url, const FormValues& form) {
    const QString boundary = QStringLiteral("x-mime-boundary://") + ZRString::UUID();
    QByteArray body;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const auto& [name, value] = form.at(i);
        ZRData::appendString(body, QStringLiteral("--") + boundary + QStringLiteral("\r\n"));
        ZRData::appendString(
            body, QStringLiteral("Content-Disposition: form-data; name=\"%1\"\r\n").arg(multipartName(name)));
        ZRData::appendString(body, QStringLiteral("\r\n"));
        if (value.typeId() == QMetaType::QByteArray)
            body.append(value.toByteArray());
        else if (value.typeId() == QMetaType::QString)
            ZRData::appendString(body, value.toString());
        else
            Platform::invalidParameter(
                QStringLiteral("unknown value class: %1").arg(QString::fromLatin1(value.typeName())));
        if (i + 1 < form.size())
            ZRData::appendString(body, QStringLiteral("\r\n"));
    }
    ZRData::appendString(body, QStringLiteral("\r\n--%1--\r\n").arg(boundary));
    ZRURLRequest request(url);
    request.method = QByteArrayLiteral("POST");
    request.setValueForHTTPHeaderField("multipart/form-data; boundary=" + boundary.toUtf8(), "Content-Type");
    request.setValueForHTTPHeaderField(QByteArray::number(body.size()), "Content-Length");
    request.body = body;
    return request;
}

ZRURLRequest requestWithURLPostForm(const QUrl& url, const QVariantMap& form) {
    FormValues values;
    for (auto it = form.cbegin(); it != form.cend(); ++it)
        values.append({it.key(), it.value()});
    return requestWithURLPostForm(url, values);
}

ZRURLRequest requestWithURLStringPostFormURLEncodedValues(const QString& urlString,
                                                          const FormValues& values) {
    QStringList pairs;
    for (const auto& [name, value] : values) {
        if (value.typeId() != QMetaType::QString)
            Platform::invalidParameter(QStringLiteral("expected NSString value - got: %1")
                                           .arg(QString::fromLatin1(value.typeName())));
        pairs.append(ZRString::stringByAddingURLParameterPercentEscapes(name) + QLatin1Char('=') +
                     ZRString::stringByAddingURLParameterPercentEscapes(value.toString()));
    }
    ZRURLRequest request{QUrl(urlString)};
    request.method = QByteArrayLiteral("POST");
    request.body = pairs.join(QLatin1Char('&')).toUtf8();
    request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
    request.setValueForHTTPHeaderField(QByteArray::number(request.body.size()), "Content-Length");
    return request;
}

} // namespace ZRURL
