#pragma once

#include "http_message.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <chrono>
#include <deque>
#include <functional>

// Who may read the pages: anyone (a server on the loopback without a token),
// or whoever shows the token, in an "Authorization: Bearer TOKEN" header, or
// the cookie of a session the login form started with it.
namespace web {

// How long a login lasts.
inline constexpr std::chrono::hours kSessionLifetime{12};
// Wrong tokens a second, from all clients together; beyond them every try
// with a token is answered 429, unchecked, until the rate falls.
inline constexpr int kWrongTokensPerSecond = 5;
// Sessions kept at most; a login beyond them ends the oldest.
inline constexpr int kSessionsKept = 1000;

class Access
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // An empty token lets everyone in.
    explicit Access(QByteArray token = {});

    bool required() const { return !m_token.isEmpty(); }

    enum class Check {
        Open,         // no token is required
        Token,        // the request shows the token
        Session,      // the request shows the cookie of a live session
        NothingShown, // neither token nor session cookie
        Wrong,        // a wrong token or a session that ended
        Throttled,    // too many wrong tokens just now: not checked
    };
    // What the request shows. A wrong token counts towards the throttle.
    Check check(const Request& request);
    // A login with `given`: Token, with the new session's Set-Cookie value
    // (HttpOnly, SameSite=Strict, for the whole site, ending with the
    // session) in *setCookie; Wrong or Throttled otherwise. The cookie holds
    // a random session id, never the token.
    Check logIn(const QByteArray& given, QByteArray* setCookie);
    // Ends the session the request's cookie names; the Set-Cookie value that
    // clears the cookie.
    QByteArray logOut(const Request& request);

    // Whether `given` is the token, in a time that does not tell how much of
    // it was right.
    bool matches(const QByteArray& given) const;

    // The time sessions and the throttle count by (tests set it).
    void setClock(Clock now) { m_now = std::move(now); }

private:
    using Time = std::chrono::steady_clock::time_point;

    // Whether the wrong tokens of the last second reach the limit.
    bool throttled(Time now);
    void wrongToken(Time now);
    // The digest of the session id the request's cookie holds; empty
    // without one.
    QByteArray sessionKey(const Request& request) const;

    QByteArray m_token;
    Clock m_now;
    // Digest of the session id -> when the session ends.
    QHash<QByteArray, Time> m_sessions;
    // The latest wrong tokens, at most kWrongTokensPerSecond of them.
    std::deque<Time> m_wrong;
};

// The cookie's name.
inline constexpr const char* kSessionCookie = "iec1000_session";

// The Host headers a server on the loopback answers: localhost, 127.0.0.1
// and [::1], each with `port` (also without it for port 80).
QList<QByteArray> loopbackHosts(quint16 port);
// Whether `host` is one of `names` (any Host when there are none); names
// are compared in any letter case.
bool hostAdmitted(const QList<QByteArray>& names, const QByteArray& host);

// The shortest token taken, and the longest.
inline constexpr int kTokenMinimum = 16;
inline constexpr int kTokenMaximum = 1024;

// Reads a token file: its first line, without surrounding white space.
// Empty, with the reason in *error, when it cannot be read, is not a regular
// file, or its token is shorter than kTokenMinimum, longer than
// kTokenMaximum or holds a control character. *warning says when others
// than its owner may read or write it.
QByteArray readTokenFile(const QString& path, QString* error, QString* warning);

} // namespace web
