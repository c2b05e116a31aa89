#include "http_message.h"

namespace web {

QList<QPair<QByteArray, QByteArray>> securityHeaders()
{
    return {
        {"Content-Security-Policy",
         "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
         "connect-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"},
    };
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 303:
        return "See Other";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 421:
        return "Misdirected Request";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        break;
    }
    return "Status";
}

QByteArray serialized(const Reply& reply)
{
    QByteArray wire =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    const auto header = [&](const QByteArray& name, const QByteArray& value) {
        wire += name + ": " + value + "\r\n";
    };
    header("Content-Type", reply.contentType);
    header("Content-Length", QByteArray::number(reply.body.size()));
    header("Connection", "close");
    for (const auto& [name, value] : securityHeaders())
        header(name, value);
    for (const auto& [name, value] : reply.headers)
        header(name, value);
    wire += "\r\n";
    if (!reply.headOnly)
        wire += reply.body;
    return wire;
}

} // namespace web
