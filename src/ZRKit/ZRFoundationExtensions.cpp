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

// "/" alone (no steps), or an optional leading "/" or "//" and steps separated by "/" or "//". An empty
// step ("///", a trailing "/" or "//") is a syntax error. Names take no namespace prefix (the path has no
// prefix bindings) and no axis ("child::x").
bool parsePath(const QString& path, QList<Step>* steps, bool* absolute, QString* error) {
    static const QRegularExpression stepPattern(
        QStringLiteral("^([A-Za-z_][\\w.\\-]*|\\*)(?:\\[([1-9][0-9]*)\\])?$"));
    static const QRegularExpression attributePattern(QStringLiteral("^@([A-Za-z_][\\w.\\-]*)$"));
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("empty XPath \"%1\"").arg(path));
    *absolute = path.startsWith(QLatin1Char('/'));
    if (path == QLatin1String("/"))
        return true; // the root node
    QString rest = path;
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
        const bool last = i + 1 == parts.size();
        if (part.isEmpty()) { // "//" inside the path; anything else leaves a step out
            if (anyDepth || i == 0 || last)
                return fail(QStringLiteral("XPath syntax error: a step is missing in \"%1\"").arg(path));
            anyDepth = true;
            continue;
        }
        Step step;
        step.anyDepth = anyDepth;
        anyDepth = false;
        const QRegularExpressionMatch attribute = attributePattern.match(part);
        if (last && attribute.hasMatch()) {
            step.kind = Step::Kind::Attribute;
            step.name = attribute.captured(1);
        } else if (last && part == QLatin1String("text()")) {
            step.kind = Step::Kind::Text;
        } else {
            const QRegularExpressionMatch match = stepPattern.match(part);
            if (!match.hasMatch())
                return fail(QStringLiteral("unsupported XPath step \"%1\" in \"%2\"").arg(part, path));
            step.name = match.captured(1);
            step.index = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
        }
        steps->append(step);
    }
    return true;
}

// An element in no namespace, as XPath 1.0 matches a name without prefix: from the parser's namespace
// processing, or without it from the tag name and the default namespace declared in scope.
bool inNoNamespace(const QDomElement& element) {
    if (!element.localName().isEmpty())
        return element.namespaceURI().isEmpty();
    if (element.tagName().contains(QLatin1Char(':')))
        return false;
    for (QDomNode node = element; node.isElement(); node = node.parentNode()) {
        const QDomElement scope = node.toElement();
        if (scope.hasAttribute(QStringLiteral("xmlns")))
            return scope.attribute(QStringLiteral("xmlns")).isEmpty();
    }
    return true;
}

bool nameMatches(const QDomNode& node, const QString& name) {
    if (!node.isElement())
        return false;
    if (name == QLatin1String("*"))
        return true;
    const QDomElement element = node.toElement();
    const QString localName = element.localName().isEmpty() ? element.tagName() : element.localName();
    return localName == name && inNoNamespace(element);
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

// node and all its descendants, in document order.
void collectSelfAndDescendants(const QDomNode& node, QList<QDomNode>* out) {
    out->append(node);
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        collectSelfAndDescendants(child, out);
}

bool isTextual(const QDomNode& node) {
    return node.isText() || node.isCDATASection();
}

// The XPath text nodes among the children of node. XPath joins adjacent text and CDATA into one text node
// and has no empty ones; a run of more than one non-empty piece has no single QDomNode to stand for it,
// so its first piece is added to unrepresentable as well.
void collectTexts(const QDomNode& node, QList<QDomNode>* out, QList<QDomNode>* unrepresentable) {
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!isTextual(child) || isTextual(child.previousSibling()))
            continue;
        QList<QDomNode> pieces;
        for (QDomNode piece = child; isTextual(piece); piece = piece.nextSibling())
            if (!piece.nodeValue().isEmpty())
                pieces.append(piece);
        if (pieces.isEmpty())
            continue;
        out->append(pieces.first());
        if (pieces.size() > 1)
            unrepresentable->append(pieces.first());
    }
}

// The root node of node's tree: its document, or null for a node in no document.
QDomNode rootOf(const QDomNode& node) {
    QDomNode top = node.isAttr() ? QDomNode(node.toAttr().ownerElement()) : node;
    if (top.isNull())
        return QDomNode();
    while (!top.parentNode().isNull())
        top = top.parentNode();
    return top.isDocument() ? top : QDomNode();
}

// Sibling positions from the root down; an attribute comes after its element and before its children.
QList<int> documentPosition(const QDomNode& node) {
    QList<int> position;
    QDomNode current = node;
    if (node.isAttr()) {
        position.append(-1);
        current = node.toAttr().ownerElement();
    }
    for (; !current.parentNode().isNull(); current = current.parentNode()) {
        int index = 0;
        for (QDomNode sibling = current.previousSibling(); !sibling.isNull();
             sibling = sibling.previousSibling())
            ++index;
        position.prepend(index);
    }
    return position;
}

} // namespace

QDomNode firstNodeForXPath(const QDomNode& node, const QString& path, QString* error) {
    QList<Step> steps;
    bool absolute = false;
    if (!parsePath(path, &steps, &absolute, error) || node.isNull())
        return QDomNode();
    QDomNode start = node;
    if (absolute) { // "/" and "//" start at the root whatever the context node
        start = rootOf(node);
        if (start.isNull()) {
            if (error)
                *error = QStringLiteral("the node is in no document, so \"%1\" has no root").arg(path);
            return QDomNode();
        }
    }
    QList<QDomNode> current{start};
    QList<QDomNode> unrepresentable;
    for (const Step& step : steps) {
        QList<QDomNode> next;
        for (const QDomNode& context : std::as_const(current)) {
            if (step.kind != Step::Kind::Element) {
                QList<QDomNode> bases{context};
                if (step.anyDepth) {
                    bases.clear();
                    collectSelfAndDescendants(context, &bases);
                }
                QList<QDomNode> found;
                for (const QDomNode& base : std::as_const(bases)) {
                    if (step.kind == Step::Kind::Text) {
                        collectTexts(base, &found, &unrepresentable);
                    } else if (step.name != QLatin1String("xmlns")) { // declarations are no XPath attributes
                        const QDomNode attribute = base.toElement().attributeNode(step.name);
                        if (!attribute.isNull())
                            found.append(attribute);
                    }
                }
                for (const QDomNode& match : std::as_const(found))
                    if (!step.anyDepth || current.size() == 1 || !next.contains(match))
                        next.append(match);
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
    // Contexts nested in one another answer their nodes out of document order: take the earliest.
    QDomNode first = current.first();
    if (current.size() > 1) {
        QList<int> firstPosition = documentPosition(first);
        for (qsizetype i = 1; i < current.size(); ++i) {
            QList<int> position = documentPosition(current.at(i));
            if (position < firstPosition) {
                first = current.at(i);
                firstPosition = std::move(position);
            }
        }
    }
    if (unrepresentable.contains(first)) {
        if (error)
            *error =
                QStringLiteral("the first text node of \"%1\" is split over several DOM nodes").arg(path);
        return QDomNode();
    }
    return first;
}

QDomNode childNodeWithName(const QDomNode& node, const QString& name) {
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        if (child.nodeName() == name)
            return child;
    return QDomNode();
}

} // namespace ZRXMLNode
