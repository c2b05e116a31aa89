#pragma once

#include "http_message.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

#include <chrono>
#include <functional>

// The server's front: Qt HTTP Server reads the requests; the listening
// socket cuts what a page server must not wait for. Each connection takes
// one request and is closed after its reply.
namespace web {

struct FrontLimits
{
    // A request must have arrived whole this long after its connection.
    std::chrono::milliseconds requestDeadline{10000};
    // A request (headers and body) larger than this is cut.
    qint64 requestBytes = 64 * 1024;
    // Connections held at most from one client address: beyond them a
    // connection is answered 503 and closed at once.
    int connectionsPerClient = 32;
    // Connections held at most in all: at this many no more are taken until
    // one ends (they wait in the system's queue); one taken beyond them is
    // answered 503 and closed.
    int connections = 512;
    // How long a wrong token waits for its 401.
    std::chrono::milliseconds wrongTokenDelay{1000};
};

// A listening socket whose connections are cut when their request is late,
// too large or no HTTP/1 request, and which holds at most so many
// connections from one client and in all.
class GuardedServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedServer(FrontLimits limits, QObject* parent = nullptr);

    // Marks the request of `socket` as whole: its deadline and size count
    // no more.
    static void answered(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    FrontLimits m_limits;
    int m_open = 0;
    QHash<QHostAddress, int> m_openFrom;
};

// Answers each request with `answer` (Site::answer), writing the reply and
// closing the connection.
class HttpFront : public QAbstractHttpServer
{
    Q_OBJECT

public:
    HttpFront(std::function<Reply(const Request&)> answer, FrontLimits limits,
              QObject* parent = nullptr);

    // Listens on `address`:`port` (0: any free port); false with the
    // reason when it cannot.
    bool listenOn(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    std::function<Reply(const Request&)> m_answer;
    FrontLimits m_limits;
    GuardedServer* m_server = nullptr;
};

// The request as the site reads it.
Request requestOf(const QHttpServerRequest& request);

} // namespace web
