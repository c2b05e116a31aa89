#pragma once

#include "http_message.h"

#include <QByteArray>

// Who may read the pages: anyone (a server on the loopback without a token),
// or whoever shows the token, in an "Authorization: Bearer TOKEN" header or
// in the session cookie the login form sets.
namespace web {

class Access
{
public:
    // An empty token lets everyone in.
    explicit Access(QByteArray token = {});

    bool required() const { return !m_token.isEmpty(); }
    // Whether the request shows the token (or none is required).
    bool admits(const Request& request) const;
    // Whether `given` is the token, in a time that does not tell how much of
    // it was right.
    bool matches(const QByteArray& given) const;
    // The Set-Cookie value after a right login: HttpOnly, SameSite=Strict,
    // for the whole site. The cookie holds a digest of the token, never the
    // token itself.
    QByteArray sessionCookie() const;

private:
    QByteArray sessionValue() const;

    QByteArray m_token;
};

// The cookie's name.
inline constexpr const char* kSessionCookie = "iec1000_session";

// Reads a token file: its first line, without surrounding white space;
// empty (with *error) when it cannot be read or holds no token.
QByteArray readTokenFile(const QString& path, QString* error);

} // namespace web
