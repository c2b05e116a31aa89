#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

// A request as the site reads it and the reply it gives, free of the HTTP
// library: the site's pages are made and tested without a socket.
namespace web {

struct Request
{
    QByteArray method = "GET";
    // The path, percent-decoded ("/records/12").
    QString path = QStringLiteral("/");
    QUrlQuery query = {};
    // The Host, Authorization and Cookie headers as sent.
    QByteArray host = {};
    QByteArray authorization = {};
    QByteArray cookie = {};
    QByteArray contentType = {};
    QByteArray body = {};
};

struct Reply
{
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body = {};
    // Headers beyond those every reply carries (securityHeaders()).
    QList<QPair<QByteArray, QByteArray>> headers = {};
    // Sent only after a short wait: a wrong token.
    bool delayed = false;
    // The answer to HEAD: the headers GET gets, its Content-Length too,
    // without the body.
    bool headOnly = false;

    void addHeader(const QByteArray& name, const QByteArray& value)
    {
        headers.append(qMakePair(name, value));
    }
};

// What every reply carries: a Content-Security-Policy that allows nothing
// from elsewhere and no inline script or style, nosniff, no framing, no
// referrer, no caching of stored data. No CORS header is ever sent.
QList<QPair<QByteArray, QByteArray>> securityHeaders();

// The reply as it goes on the wire: status line, headers (Content-Type,
// Content-Length, Connection: close, the security headers, its own), body
// (none for HEAD).
QByteArray serialized(const Reply& reply);

// "OK", "Not Found", ... for the statuses the site gives.
QByteArray reasonPhrase(int status);

} // namespace web
