#pragma once

// A small HTTP/1.1 server on 127.0.0.1 that runs on a thread of its own, so that code which blocks the
// test's thread for a whole request (the kit's synchronous session) can be tested over a real socket.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

struct LoopbackRequest {
    QByteArray method;
    QByteArray path; // with its query
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const {
        for (const auto& header : headers)
            if (header.first.compare(name, Qt::CaseInsensitive) == 0)
                return header.second;
        return QByteArray();
    }
};

struct LoopbackResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMs = 0;          // wait before answering
    bool neverAnswer = false; // keep the connection open without an answer
    int cutBodyAt = -1;       // announce the whole body, send this many bytes of it and close
    bool keepOpen = false;    // leave the connection open after the answer
};

class LoopbackHttpServer {
public:
    using Handler = std::function<LoopbackResponse(const LoopbackRequest&)>;

    explicit LoopbackHttpServer(Handler handler)
        : m_handler(std::move(handler)) {
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_server = new QTcpServer(&m_context);
                m_server->listen(QHostAddress::LocalHost, 0);
                QObject::connect(m_server, &QTcpServer::newConnection, &m_context, [this] { accept(); });
                QMutexLocker locker(&m_mutex);
                m_port = m_server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }

    ~LoopbackHttpServer() {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                delete m_server;
                m_server = nullptr;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    quint16 port() const {
        QMutexLocker locker(&m_mutex);
        return m_port;
    }
    QByteArray url(const QByteArray& path) const {
        return "http://127.0.0.1:" + QByteArray::number(port()) + path;
    }
    QList<LoopbackRequest> requests() const {
        QMutexLocker locker(&m_mutex);
        return m_requests;
    }

private:
    struct Context : QObject {};

    void accept() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                LoopbackRequest request;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                request.method = first.value(0);
                request.path = first.value(1);
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const qsizetype colon = lines.at(i).indexOf(':');
                    if (colon > 0)
                        request.headers.append(
                            {lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
                }
                const qsizetype length = request.header("Content-Length").toLongLong();
                if (buffer->size() < end + 4 + length)
                    return;
                request.body = buffer->mid(end + 4, length);
                buffer->clear();
                {
                    QMutexLocker locker(&m_mutex);
                    m_requests.append(request);
                }
                const LoopbackResponse response = m_handler(request);
                if (response.neverAnswer)
                    return;
                auto answer = [socket, response, head = request.method == "HEAD"] {
                    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
                    for (const auto& [name, value] : response.headers)
                        out += name + ": " + value + "\r\n";
                    out += "Content-Length: " + QByteArray::number(response.body.size()) +
                           (response.keepOpen ? "\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
                    if (!head)
                        out +=
                            response.cutBodyAt < 0 ? response.body : response.body.left(response.cutBodyAt);
                    socket->write(out);
                    if (!response.keepOpen)
                        socket->disconnectFromHost();
                };
                if (response.delayMs > 0)
                    QTimer::singleShot(response.delayMs, socket, answer);
                else
                    answer();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    Handler m_handler;
    QThread m_thread;
    Context m_context;
    QTcpServer* m_server = nullptr;
    mutable QMutex m_mutex;
    quint16 m_port = 0;
    QList<LoopbackRequest> m_requests;

public:
    // The context lives on the server's thread.
    struct Mover {
        Mover(Context& context, QThread& thread) { context.moveToThread(&thread); }
    } m_mover{m_context, m_thread};
};
