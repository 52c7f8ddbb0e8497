#pragma once

#include "Platform/Error.h"

#include <QByteArray>
#include <QDomNode>
#include <QIODevice>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QVariant>

#include <memory>
#include <optional>

/*! A call of a named slot or invokable method on a target, made now or later. */
struct ZRInvocation {
    QPointer<QObject> target;
    QByteArray selector;

    static ZRInvocation invocationWithTargetSelector(QObject* target, const QByteArray& selector);
    /*! Calls the method (with no argument); false when the target is gone or has no such method. */
    bool invoke() const;
};

namespace ZRLock {
/*! True when another holder has the mutex (tries it, and releases it again when that worked). */
bool isLocked(QMutex& lock);
} // namespace ZRLock

/*! What the managed-object helpers need of an object store; there is no object store in this
    application, so the interface is all there is: a store implements it. */
class ZRManagedObject;
class ZRManagedObjectContext {
public:
    virtual ~ZRManagedObjectContext() = default;
    /*! The objects of the entity whose value at keyPath is `object`, sorted by sortKey; std::nullopt with
     *error set when the fetch fails. */
    virtual std::optional<QList<ZRManagedObject*>>
    fetchObjects(const QString& entityName, const QString& keyPath, const ZRManagedObject* object,
                 const QString& sortKey, bool ascending, Platform::Error* error) = 0;
};

class ZRManagedObject {
public:
    virtual ~ZRManagedObject() = default;
    virtual QVariant valueForKey(const QString& key) const = 0;
    virtual ZRManagedObjectContext* managedObjectContext() const = 0;

    /*! The objects sorted ascending by their values for the key (stable). */
    static QList<ZRManagedObject*> sortObjectsWithSortDescriptorKey(const QList<ZRManagedObject*>& objects,
                                                                    const QString& key);
    /*! The objects of the entity whose inverse key points at this object, sorted by the key; an empty
        result on a fetch error. Every argument is required. */
    std::optional<QList<ZRManagedObject*>> objectsSortedByKeyAscendingForEntityNameInverseKey(
        const QString& sortKey, bool ascending, const QString& entityName, const QString& inverseKey) const;
};

/*! One direction of a TCP connection to a host and port, shared with the stream of the other direction.
    Opening either stream connects the socket (the connection is made while the caller goes on; a write
    waits up to 30 seconds for it to stand, waitForReadyRead() and waitForBytesWritten() wait for it); the
    connection ends once both are closed. A failed connection shows in errorString() and makes reads and
    writes answer -1. */
class ZRSocketStream : public QIODevice {
public:
    struct Connection;
    ZRSocketStream(std::shared_ptr<Connection> connection, OpenMode direction);
    ~ZRSocketStream() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override;
    bool waitForReadyRead(int msecs) override;
    bool waitForBytesWritten(int msecs) override;
    /*! The socket's state: QAbstractSocket::UnconnectedState before opening and after a failure. */
    QAbstractSocket::SocketState socketState() const;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    /*! True once the connection stands; false, with errorString() set, when it fails or takes longer. */
    bool waitForConnection(int msecs);

    std::shared_ptr<Connection> m_connection;
    OpenMode m_direction;
};

namespace ZRStream {

/*! Writes the whole buffer, going on after partial writes. A write error answers false with *error set
    and logs "Error while writing data to stream: ..."; a write that takes no byte at all is the failure
    "Failed to write to file stream". */
bool writeData(QIODevice* stream, const QByteArray& data, Platform::Error* error = nullptr);

/*! A pair of unopened streams to the host and port, reading (input) and writing (output) one TCP
    connection that opening either of them makes. The host must be given, the port must lie in 1 to
    65535 and both places must be given. */
void getStreamsToHostNamedPort(const QString& hostName, int port,
                               std::shared_ptr<ZRSocketStream>* inputStream,
                               std::shared_ptr<ZRSocketStream>* outputStream);

} // namespace ZRStream

namespace ZRXMLNode {

/*! The first node, in document order, that the path selects as XPath 1.0 does, or a null node with *error
    set for a path outside the supported form: "/" alone (the document), or steps separated by "/" ("//"
    for any depth), each a name without prefix or "*" with an optional position [n] (from 1, counted among
    the matching children of one parent, as XPath counts), or a last step "@name" (an attribute) or
    "text()". A path starting with "/" or "//" starts at the document whatever the context node, and is an
    error for a node in no document; a name matches elements in no namespace only, as in XPath 1.0. A first
    text node that the tree holds in several adjacent text or CDATA nodes is an error. */
QDomNode firstNodeForXPath(const QDomNode& node, const QString& path, QString* error = nullptr);
/*! The first child, in order, with that name, or a null node. */
QDomNode childNodeWithName(const QDomNode& node, const QString& name);

} // namespace ZRXMLNode
