#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

/*! A URL request as the kit's synchronous session sends it: method, header fields in order (repeats
    allowed), body and the request's own time limit. */
struct ZRURLRequest {
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    QList<QPair<QByteArray, QByteArray>> headerFields;
    QByteArray body;
    /*! Seconds the request may stay idle before it times out; 0 leaves the network default. */
    double timeoutInterval = 60;

    explicit ZRURLRequest(QUrl requestURL = {})
        : url(std::move(requestURL)) {}

    /*! Adds a field (a second one of the same name is kept beside the first). */
    void addValueForHTTPHeaderField(const QByteArray& value, const QByteArray& field) {
        headerFields.append({field, value});
    }
    /*! Replaces every field of the name by one. */
    void setValueForHTTPHeaderField(const QByteArray& value, const QByteArray& field);
    QByteArray valueForHTTPHeaderField(const QByteArray& field) const;
};

/*! The answer head of a URL request. */
struct ZRURLResponse {
    QUrl url;
    int statusCode = 0; // 0: not an HTTP response
    QList<QPair<QByteArray, QByteArray>> headerFields;

    bool isHTTPResponse() const { return statusCode > 0; }
    QByteArray valueForHTTPHeaderField(const QByteArray& field) const;
};
