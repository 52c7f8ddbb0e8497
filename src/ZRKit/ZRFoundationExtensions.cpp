#include "ZRKit/ZRFoundationExtensions.h"

#include "Platform/Assert.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QDomElement>
#include <QMetaMethod>
#include <QRegularExpression>

#include <algorithm>

ZRInvocation ZRInvocation::invocationWithTargetSelector(QObject* target, const QByteArray& selector) {
    return ZRInvocation{target, selector};
}

bool ZRInvocation::invoke() const {
    if (!target)
        return false;
    const QByteArray signature = QMetaObject::normalizedSignature((selector + "()").constData());
    if (target->metaObject()->indexOfMethod(signature.constData()) < 0)
        return false;
    return QMetaObject::invokeMethod(target.data(), selector.constData(), Qt::DirectConnection);
}

namespace ZRLock {

bool isLocked(QMutex& lock) {
    if (lock.tryLock()) {
        lock.unlock();
        return false;
    }
    return true;
}

} // namespace ZRLock

QList<ZRManagedObject*>
ZRManagedObject::sortObjectsWithSortDescriptorKey(const QList<ZRManagedObject*>& objects,
                                                  const QString& key) {
    QList<ZRManagedObject*> sorted = objects;
    std::stable_sort(
        sorted.begin(), sorted.end(), [&key](const ZRManagedObject* a, const ZRManagedObject* b) {
            return QVariant::compare(a->valueForKey(key), b->valueForKey(key)) == QPartialOrdering::Less;
        });
    return sorted;
}

std::optional<QList<ZRManagedObject*>> ZRManagedObject::objectsSortedByKeyAscendingForEntityNameInverseKey(
    const QString& sortKey, bool ascending, const QString& entityName, const QString& inverseKey) const {
    Platform::parameterAssert(!sortKey.isEmpty(), "nil != sortKey");
    Platform::parameterAssert(!entityName.isEmpty(), "nil != entityName");
    Platform::parameterAssert(!inverseKey.isEmpty(), "nil != inInverse");
    ZRManagedObjectContext* context = managedObjectContext();
    if (!context)
        return std::nullopt;
    Platform::Error error;
    return context->fetchObjects(entityName, inverseKey, this, sortKey, ascending, &error);
}

namespace {

constexpr int ConnectTimeoutMsecs = 30000; // the longest a write waits for the connection to stand

} // namespace

struct ZRSocketStream::Connection {
    QString hostName;
    quint16 port = 0;
    QTcpSocket socket;
    int openStreams = 0;
};

ZRSocketStream::ZRSocketStream(std::shared_ptr<Connection> connection, OpenMode direction)
    : m_connection(std::move(connection))
    , m_direction(direction) {
    if (m_direction & ReadOnly)
        connect(&m_connection->socket, &QTcpSocket::readyRead, this, [this] { Q_EMIT readyRead(); });
    else
        connect(&m_connection->socket, &QTcpSocket::bytesWritten, this,
                [this](qint64 bytes) { Q_EMIT bytesWritten(bytes); });
    connect(&m_connection->socket, &QTcpSocket::errorOccurred, this,
            [this] { setErrorString(m_connection->socket.errorString()); });
}

ZRSocketStream::~ZRSocketStream() {
    close();
}

bool ZRSocketStream::open(OpenMode mode) {
    Q_UNUSED(mode); // each stream has its one direction
    if (isOpen())
        return true;
    QIODevice::open(m_direction | Unbuffered);
    ++m_connection->openStreams;
    if (m_connection->socket.state() == QAbstractSocket::UnconnectedState)
        m_connection->socket.connectToHost(m_connection->hostName, m_connection->port);
    return true;
}

void ZRSocketStream::close() {
    if (!isOpen())
        return;
    QIODevice::close();
    if (--m_connection->openStreams == 0)
        m_connection->socket.disconnectFromHost();
}

qint64 ZRSocketStream::bytesAvailable() const {
    return QIODevice::bytesAvailable() +
           ((m_direction & ReadOnly) ? m_connection->socket.bytesAvailable() : 0);
}

qint64 ZRSocketStream::bytesToWrite() const {
    return (m_direction & WriteOnly) ? m_connection->socket.bytesToWrite() : 0;
}

bool ZRSocketStream::waitForReadyRead(int msecs) {
    return isOpen() && (m_direction & ReadOnly) && m_connection->socket.waitForReadyRead(msecs);
}

bool ZRSocketStream::waitForBytesWritten(int msecs) {
    if (!isOpen() || !(m_direction & WriteOnly) || !waitForConnection(msecs))
        return false;
    return m_connection->socket.waitForBytesWritten(msecs);
}

bool ZRSocketStream::waitForConnection(int msecs) {
    QTcpSocket& socket = m_connection->socket;
    if (socket.state() == QAbstractSocket::ConnectedState || socket.waitForConnected(msecs))
        return true;
    setErrorString(socket.errorString());
    return false;
}

QAbstractSocket::SocketState ZRSocketStream::socketState() const {
    return m_connection->socket.state();
}

qint64 ZRSocketStream::readData(char* data, qint64 maxSize) {
    QTcpSocket& socket = m_connection->socket;
    const qint64 read = socket.read(data, maxSize);
    if (read == 0 && socket.state() == QAbstractSocket::UnconnectedState)
        return -1; // the connection has ended or never came about
    return read;
}

qint64 ZRSocketStream::writeData(const char* data, qint64 maxSize) {
    // As on a blocking stream, bytes count as written only to a connection that stands.
    if (!waitForConnection(ConnectTimeoutMsecs))
        return -1;
    return m_connection->socket.write(data, maxSize);
}

namespace ZRStream {

bool writeData(QIODevice* stream, const QByteArray& data, Platform::Error* error) {
    qsizetype written = 0;
    while (written < data.size()) {
        const qint64 result = stream->write(data.constData() + written, data.size() - written);
        if (result < 0) {
            const Platform::Error failure = ZRError::zr_errorWithLocalizedDescription(stream->errorString());
            Platform::SystemLog::log(
                QStringLiteral("Error while writing data to stream: %1").arg(stream->errorString()));
            if (error)
                *error = failure;
            return false;
        }
        if (result == 0) {
            if (error)
                *error = ZRError::zr_errorWithLocalizedDescription(
                    QStringLiteral("Failed to write to file stream"));
            return false;
        }
        written += result;
    }
    return true;
}

void getStreamsToHostNamedPort(const QString& hostName, int port,
                               std::shared_ptr<ZRSocketStream>* inputStream,
                               std::shared_ptr<ZRSocketStream>* outputStream) {
    Platform::parameterAssert(!hostName.isEmpty(), "nil != hostName");
    Platform::parameterAssert(inputStream != nullptr, "NULL != inputStreamPtr");
    Platform::parameterAssert(outputStream != nullptr, "NULL != outputStreamPtr");
    Platform::parameterAssert(port > 0 && port < 65536, "(port > 0) && (port < 65536)");
    auto connection = std::make_shared<ZRSocketStream::Connection>();
    connection->hostName = hostName;
    connection->port = static_cast<quint16>(port);
    *inputStream = std::make_shared<ZRSocketStream>(connection, QIODevice::ReadOnly);
    *outputStream = std::make_shared<ZRSocketStream>(connection, QIODevice::WriteOnly);
}

} // namespace ZRStream

namespace ZRXMLNode {

namespace {

struct Step {
    bool anyDepth = false;
    QString name;  // "*" for any element
    int index = 0; // 1-based, 0 for all
    enum class Kind { Element, Attribute, Text } kind = Kind::Element;
};

bool parsePath(const QString& path, QList<Step>* steps, bool* absolute, QString* error) {
    static const QRegularExpression stepPattern(
        QStringLiteral("^([A-Za-z_][\\w.\\-:]*|\\*)(?:\\[([1-9][0-9]*)\\])?$"));
    QString rest = path;
    *absolute = rest.startsWith(QLatin1Char('/')) && !rest.startsWith(QLatin1String("//"));
    bool anyDepth = false;
    if (rest.startsWith(QLatin1String("//"))) {
        anyDepth = true;
        rest.remove(0, 2);
    } else if (rest.startsWith(QLatin1Char('/'))) {
        rest.remove(0, 1);
    }
    const QStringList parts = rest.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty()) { // "//" inside the path
            if (i + 1 >= parts.size() || anyDepth)
                break;
            anyDepth = true;
            continue;
        }
        Step step;
        step.anyDepth = anyDepth;
        anyDepth = false;
        const bool last = i + 1 == parts.size();
        if (last && part.startsWith(QLatin1Char('@')) && part.size() > 1) {
            step.kind = Step::Kind::Attribute;
            step.name = part.mid(1);
        } else if (last && part == QLatin1String("text()")) {
            step.kind = Step::Kind::Text;
        } else {
            const QRegularExpressionMatch match = stepPattern.match(part);
            if (!match.hasMatch()) {
                if (error)
                    *error = QStringLiteral("unsupported XPath step \"%1\" in \"%2\"").arg(part, path);
                return false;
            }
            step.name = match.captured(1);
            step.index = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
        }
        steps->append(step);
    }
    if (steps->isEmpty()) {
        if (error)
            *error = QStringLiteral("empty XPath \"%1\"").arg(path);
        return false;
    }
    return true;
}

bool nameMatches(const QDomNode& node, const QString& name) {
    return node.isElement() && (name == QLatin1String("*") || node.nodeName() == name);
}

// The children of node that match the name, or with a position only the one at that position (from 1).
void collectChildren(const QDomNode& node, const QString& name, int index, QList<QDomNode>* out) {
    int position = 0;
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (nameMatches(child, name) && (index == 0 || ++position == index)) {
            out->append(child);
            if (index > 0)
                return;
        }
    }
}

// "//name[n]": the matching children of node and of each of its descendants, in document order.
void collectDescendants(const QDomNode& node, const QString& name, int index, QList<QDomNode>* out) {
    QList<QDomNode> own;
    collectChildren(node, name, index, &own);
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!own.isEmpty() && own.first() == child)
            out->append(own.takeFirst());
        collectDescendants(child, name, index, out);
    }
}

} // namespace

QDomNode firstNodeForXPath(const QDomNode& node, const QString& path, QString* error) {
    QList<Step> steps;
    bool absolute = false;
    if (!parsePath(path, &steps, &absolute, error))
        return QDomNode();
    QDomNode start = node;
    if (absolute && !node.isDocument() && !node.ownerDocument().isNull())
        start = node.ownerDocument();
    QList<QDomNode> current{start};
    for (const Step& step : steps) {
        QList<QDomNode> next;
        for (const QDomNode& context : std::as_const(current)) {
            if (step.kind == Step::Kind::Attribute) {
                const QDomNode attribute = context.toElement().attributeNode(step.name);
                if (!attribute.isNull())
                    next.append(attribute);
                continue;
            }
            if (step.kind == Step::Kind::Text) {
                for (QDomNode child = context.firstChild(); !child.isNull(); child = child.nextSibling())
                    if (child.isText() || child.isCDATASection())
                        next.append(child);
                continue;
            }
            QList<QDomNode> matches;
            if (step.anyDepth)
                collectDescendants(context, step.name, step.index, &matches);
            else
                collectChildren(context, step.name, step.index, &matches);
            for (const QDomNode& match : std::as_const(matches))
                if (current.size() == 1 || !next.contains(match)) // nested contexts may meet a node twice
                    next.append(match);
        }
        current = next;
        if (current.isEmpty())
            return QDomNode();
    }
    return current.first();
}

QDomNode childNodeWithName(const QDomNode& node, const QString& name) {
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        if (child.nodeName() == name)
            return child;
    return QDomNode();
}

} // namespace ZRXMLNode
