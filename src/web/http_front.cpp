#include "http_front.h"

#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace web {

namespace {

constexpr const char* kReceived = "iec1000ReceivedBytes";
constexpr const char* kAnswered = "iec1000Answered";

// How long a reply may take to be read before its connection is cut.
constexpr std::chrono::milliseconds kReplyDeadline{30000};

void send(QTcpSocket* socket, const Reply& reply)
{
    socket->write(serialized(reply));
    // Closes once the reply is written.
    socket->disconnectFromHost();
    QTimer::singleShot(kReplyDeadline, socket, [socket] { socket->abort(); });
}

Reply plain(int status, const QByteArray& text)
{
    Reply reply;
    reply.status = status;
    reply.contentType = "text/plain; charset=utf-8";
    reply.body = text + '\n';
    return reply;
}

} // namespace

GuardedServer::GuardedServer(FrontLimits limits, QObject* parent)
    : QTcpServer(parent), m_limits(limits)
{}

void GuardedServer::answered(QTcpSocket* socket)
{
    socket->setProperty(kAnswered, true);
}

void GuardedServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= m_limits.connections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    // Before the HTTP server's own: a request too large is cut before it is
    // read further.
    connect(socket, &QTcpSocket::readyRead, socket, [socket, limit = m_limits.requestBytes] {
        if (socket->property(kAnswered).toBool())
            return;
        const qint64 received = socket->property(kReceived).toLongLong() + socket->bytesAvailable();
        socket->setProperty(kReceived, received);
        if (received > limit) {
            socket->setProperty(kAnswered, true);
            socket->readAll();
            send(socket, plain(413, "The request is too large."));
        }
    });
    QTimer::singleShot(m_limits.requestDeadline, socket, [socket] {
        if (socket->property(kAnswered).toBool())
            return;
        socket->setProperty(kAnswered, true);
        send(socket, plain(408, "The request did not arrive in time."));
    });
    addPendingConnection(socket);
}

HttpFront::HttpFront(std::function<Reply(const Request&)> answer, FrontLimits limits,
                     QObject* parent)
    : QAbstractHttpServer(parent), m_answer(std::move(answer)), m_limits(limits)
{}

bool HttpFront::listenOn(const QHostAddress& address, quint16 port, QString* error)
{
    m_server = new GuardedServer(m_limits, this);
    m_server->setMaxPendingConnections(256);
    if (!m_server->listen(address, port)) {
        *error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    bind(m_server);
    return true;
}

quint16 HttpFront::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

Request requestOf(const QHttpServerRequest& request)
{
    Request r;
    switch (request.method()) {
    case QHttpServerRequest::Method::Get:
        r.method = "GET";
        break;
    case QHttpServerRequest::Method::Head:
        r.method = "HEAD";
        break;
    case QHttpServerRequest::Method::Post:
        r.method = "POST";
        break;
    default:
        r.method = "OTHER";
        break;
    }
    r.path = request.url().path(QUrl::FullyDecoded);
    r.query = request.query();
    r.authorization = request.value("Authorization");
    r.cookie = request.value("Cookie");
    r.contentType = request.value("Content-Type");
    r.body = request.body();
    return r;
}

bool HttpFront::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    if (socket->property(kAnswered).toBool())
        return true;
    GuardedServer::answered(socket);
    const Reply reply = m_answer(requestOf(request));
    if (!reply.delayed) {
        send(socket, reply);
        return true;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(m_limits.wrongTokenDelay, socket, [guarded, reply] {
        if (guarded)
            send(guarded, reply);
    });
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest&, QTcpSocket* socket)
{
    send(socket, plain(404, "There is no such page."));
}

} // namespace web
