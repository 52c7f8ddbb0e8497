#pragma once

#include "Platform/Error.h"
#include "ZRKit/ZRURLRequest.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

#include <optional>

/*! URL helpers of the kit. Socket addresses come in the kit's portable byte layout: a length byte, a
    family byte (2 IPv4, 30 IPv6), the port big-endian at offset 2, the IPv4 address at offset 4 or the
    IPv6 address at offset 8 (the layout of BSD systems). sockAddrData makes that layout from an address
    of this system. */
namespace ZRURL {

inline constexpr quint8 FamilyIPv4 = 2;
inline constexpr quint8 FamilyIPv6 = 30;

/*! The query's names and values, not percent-decoded: "a=1&b&c=x=y" gives a -> 1, b -> "", c -> x. */
QVariantMap parsedQuery(const QUrl& url);

/*! "host:port" or "[v6]:port", with "scheme://" in front when a scheme is given; nothing for data too
    short for its family, another family or port 0. */
std::optional<QString> URLStringFromSockAddrData(const QByteArray& data, const QString& scheme = QString());
/*! The URL of URLStringFromSockAddrData; the scheme is required ("inScheme"). */
std::optional<QUrl> URLFromSockAddrData(const QByteArray& data, const QString& scheme);
/*! The portable layout for an IPv4 or IPv6 address (IPv4-mapped IPv6 addresses as IPv4) and a port. */
QByteArray sockAddrData(const QHostAddress& address, quint16 port);
/*! The portable layout for a Linux struct sockaddr_in or sockaddr_in6 of the given length; empty for
    anything else or a length too short for its family. */
QByteArray sockAddrDataFromSystemAddress(const void* address, size_t length);

/*! Bookmark data for a local file: there are no security-scoped bookmarks here, so it records the
    file's canonical path and its inode, and resolving finds the file again only where it still is. */
std::optional<QByteArray> securityScopedBookmarkData(const QUrl& url, Platform::Error* error = nullptr);
std::optional<QUrl> URLByResolvingSecurityScopedBookmarkData(const QByteArray& bookmark,
                                                             Platform::Error* error = nullptr);

/*! A file URL: a readable file exists there. Otherwise: a HEAD request (13 s) answers exactly 200.
    Blocks the calling thread for the request. */
bool isReachable(const QUrl& url);

/*! The entries of a form in order: each value a QByteArray (sent as it is) or a QString (UTF-8). */
using FormValues = QList<QPair<QString, QVariant>>;

/*! A POST of a multipart form with a fresh boundary. Field names are written with '"', CR and LF
    percent-escaped, so a name cannot end its header line or add headers. */
ZRURLRequest requestWithURLPostForm(const QUrl& url, const FormValues& form);
ZRURLRequest requestWithURLPostForm(const QUrl& url, const QVariantMap& form);
/*! A POST of an application/x-www-form-urlencoded form; every name and value percent-escaped so that
    "&", "=", "+" and "#" stay data. Values must be text ("expected NSString value - got: ..."). */
ZRURLRequest requestWithURLStringPostFormURLEncodedValues(const QString& urlString, const FormValues& values);

} // namespace ZRURL
