#include "http_front.h"

#include <QHttpServerRequest>
#include <QLoggingCategory>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>

namespace web {

namespace {

constexpr const char* kReceived = "iec1000ReceivedBytes";
constexpr const char* kAnswered = "iec1000Answered";
constexpr const char* kHead = "iec1000RequestHead";
constexpr const char* kLineChecked = "iec1000LineChecked";

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

QLoggingCategory::CategoryFilter g_otherFilter = nullptr;

// Qt HTTP Server's own warnings are about what a client sent (an upgrade to
// WebSocket, which this server does not speak): any client could fill the
// log with them.
void quietHttpServer(QLoggingCategory* category)
{
    if (g_otherFilter)
        g_otherFilter(category);
    if (qstrcmp(category->categoryName(), "qt.httpserver") == 0)
        category->setEnabled(QtWarningMsg, false);
}

// Whether `line` (its end cut) is an HTTP/1 request line: "METHOD TARGET
// HTTP/1.x". An HTTP/0.9 request ("GET /") is not.
bool isRequestLine(const QByteArray& line)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty())
        return false;
    static const QByteArray tokenMarks = "!#$%&'*+-.^_`|~";
    for (const char c : parts[0])
        if (!std::isalnum(static_cast<unsigned char>(c)) && !tokenMarks.contains(c))
            return false;
    for (const char c : parts[1])
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return false;
    const QByteArray& version = parts[2];
    return version.size() == 8 && version.startsWith("HTTP/1.") &&
           std::isdigit(static_cast<unsigned char>(version[7]));
}

// The request's first line as far as it came, with `arrived`; nothing is
// kept past its end.
QByteArray firstLine(QTcpSocket* socket, const QByteArray& arrived, bool* whole)
{
    QByteArray head = socket->property(kHead).toByteArray() + arrived;
    // An empty line before the request is allowed.
    while (head.startsWith("\r\n") || head.startsWith('\n'))
        head.remove(0, head.startsWith('\n') ? 1 : 2);
    const qsizetype end = head.indexOf('\n');
    *whole = end >= 0;
    if (*whole) {
        head.truncate(end);
        if (head.endsWith('\r'))
            head.chop(1);
    }
    socket->setProperty(kHead, head);
    return head;
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
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    const QHostAddress client = socket->peerAddress();
    // The last round of accepting, before it paused, may take more than the
    // limit in all.
    if (m_openFrom.value(client) >= m_limits.connectionsPerClient ||
        m_open >= m_limits.connections) {
        // Answered once and closed: not reset, and not counted.
        answered(socket);
        send(socket, plain(503, m_open >= m_limits.connections
                                    ? "The server is busy: try again in a moment."
                                    : "Too many connections from your address."));
        return;
    }
    ++m_open;
    ++m_openFrom[client];
    connect(socket, &QObject::destroyed, this, [this, client] {
        --m_open;
        if (--m_openFrom[client] <= 0)
            m_openFrom.remove(client);
        if (m_open < m_limits.connections)
            resumeAccepting();
    });
    // Before the HTTP server's own: a request too large, or not HTTP/1, is
    // answered before it is read further.
    connect(socket, &QTcpSocket::readyRead, socket, [socket, limit = m_limits.requestBytes] {
        if (socket->property(kAnswered).toBool())
            return;
        const QByteArray arrived = socket->peek(socket->bytesAvailable());
        const qint64 received = socket->property(kReceived).toLongLong() + arrived.size();
        socket->setProperty(kReceived, received);
        if (received > limit) {
            answered(socket);
            socket->readAll();
            send(socket, plain(413, "The request is too large."));
            return;
        }
        if (socket->property(kLineChecked).toBool())
            return;
        bool whole = false;
        const QByteArray line = firstLine(socket, arrived, &whole);
        if (!whole)
            return;
        socket->setProperty(kLineChecked, true);
        if (!isRequestLine(line)) {
            answered(socket);
            socket->readAll();
            send(socket, plain(400, "This server takes HTTP/1.0 and HTTP/1.1 requests."));
        }
    });
    QTimer::singleShot(m_limits.requestDeadline, socket, [socket] {
        if (socket->property(kAnswered).toBool())
            return;
        answered(socket);
        send(socket, plain(408, "The request did not arrive in time."));
    });
    addPendingConnection(socket);
    // The next connections wait in the system's queue, untaken, until one
    // of these ends. After the HTTP server took this one: taking it
    // resumes accepting.
    if (m_open >= m_limits.connections)
        pauseAccepting();
}

HttpFront::HttpFront(std::function<Reply(const Request&)> answer, FrontLimits limits,
                     QObject* parent)
    : QAbstractHttpServer(parent), m_answer(std::move(answer)), m_limits(limits)
{
    static const bool quiet = [] {
        g_otherFilter = QLoggingCategory::installFilter(quietHttpServer);
        return true;
    }();
    Q_UNUSED(quiet);
}

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
    r.host = request.value("Host");
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
    // Qt HTTP Server also asks here after an upgrade to WebSocket it does
    // not take, for a request already answered.
    if (socket->property(kAnswered).toBool())
        return;
    send(socket, plain(404, "There is no such page."));
}

} // namespace web
