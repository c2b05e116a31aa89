#include "access.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace web {

namespace {

// Compares every byte of equally long digests, whatever the first
// difference.
bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype n = 0; n < a.size(); ++n)
        difference |= static_cast<unsigned char>(a[n] ^ b[n]);
    return difference == 0;
}

QByteArray digest(const QByteArray& text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256);
}

QByteArray cookie(const QByteArray& value, qint64 maxAgeS)
{
    return QByteArray(kSessionCookie) + '=' + value +
           "; Path=/; Max-Age=" + QByteArray::number(maxAgeS) + "; HttpOnly; SameSite=Strict";
}

// The credentials of "Authorization: Bearer TOKEN", the scheme in any
// letter case; nothing for another scheme.
std::optional<QByteArray> bearerOf(const QByteArray& authorization)
{
    const QByteArray trimmed = authorization.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    if (space < 0 || trimmed.left(space).toLower() != "bearer")
        return std::nullopt;
    return trimmed.mid(space + 1).trimmed();
}

} // namespace

Access::Access(QByteArray token)
    : m_token(std::move(token)), m_now([] { return std::chrono::steady_clock::now(); })
{}

bool Access::matches(const QByteArray& given) const
{
    // Digests first: equally long, whatever was given.
    return required() && sameBytes(digest(given), digest(m_token));
}

bool Access::throttled(Time now)
{
    while (!m_wrong.empty() && now - m_wrong.front() >= std::chrono::seconds(1))
        m_wrong.pop_front();
    return int(m_wrong.size()) >= kWrongTokensPerSecond;
}

void Access::wrongToken(Time now)
{
    m_wrong.push_back(now);
    while (int(m_wrong.size()) > kWrongTokensPerSecond)
        m_wrong.pop_front();
}

QByteArray Access::sessionKey(const Request& request) const
{
    const QByteArray name = QByteArray(kSessionCookie) + '=';
    for (const QByteArray& part : request.cookie.split(';')) {
        const QByteArray trimmed = part.trimmed();
        if (trimmed.startsWith(name) && trimmed.size() > name.size())
            return digest(trimmed.mid(name.size()));
    }
    return {};
}

Access::Check Access::check(const Request& request)
{
    if (!required())
        return Check::Open;
    const Time now = m_now();
    if (const std::optional<QByteArray> bearer = bearerOf(request.authorization)) {
        // Tries go on counting while throttled, so the rate must fall.
        if (throttled(now)) {
            wrongToken(now);
            return Check::Throttled;
        }
        if (matches(*bearer))
            return Check::Token;
        wrongToken(now);
        return Check::Wrong;
    }
    // A session id is random and as long as a digest: it is not guessed, and
    // a visitor logged in is not throttled.
    if (const QByteArray key = sessionKey(request); !key.isEmpty()) {
        const auto session = m_sessions.constFind(key);
        if (session != m_sessions.constEnd() && now < *session)
            return Check::Session;
        m_sessions.remove(key);
        return Check::Wrong;
    }
    return request.authorization.isEmpty() ? Check::NothingShown : Check::Wrong;
}

Access::Check Access::logIn(const QByteArray& given, QByteArray* setCookie)
{
    const Time now = m_now();
    if (throttled(now)) {
        wrongToken(now);
        return Check::Throttled;
    }
    if (!matches(given)) {
        wrongToken(now);
        return Check::Wrong;
    }
    m_sessions.removeIf([now](const auto& session) { return session.value() <= now; });
    while (m_sessions.size() >= kSessionsKept) {
        auto oldest = m_sessions.begin();
        for (auto s = m_sessions.begin(); s != m_sessions.end(); ++s)
            if (*s < *oldest)
                oldest = s;
        m_sessions.erase(oldest);
    }
    std::array<quint32, 8> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray id =
        QByteArray(reinterpret_cast<const char*>(random.data()), sizeof(random)).toHex();
    m_sessions.insert(digest(id), now + kSessionLifetime);
    *setCookie = cookie(id, std::chrono::seconds(kSessionLifetime).count());
    return Check::Token;
}

QByteArray Access::logOut(const Request& request)
{
    m_sessions.remove(sessionKey(request));
    return cookie({}, 0);
}

QList<QByteArray> loopbackHosts(quint16 port)
{
    QList<QByteArray> names;
    for (const QByteArray name : {"localhost", "127.0.0.1", "[::1]"}) {
        names << name + ':' + QByteArray::number(port);
        if (port == 80)
            names << name;
    }
    return names;
}

bool hostAdmitted(const QList<QByteArray>& names, const QByteArray& host)
{
    if (names.isEmpty())
        return true;
    const QByteArray given = host.trimmed().toLower();
    return names.contains(given);
}

QByteArray readTokenFile(const QString& path, QString* error, QString* warning)
{
    // Without blocking: a FIFO must not hold the server before it starts.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot read the token file %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("the token file %1 is not a regular file").arg(path);
        return {};
    }
    if (status.st_mode & (S_IRWXG | S_IRWXO))
        *warning = QStringLiteral("the token file %1 can be read or written by others (mode "
                                  "%2): chmod 600 %1")
                       .arg(path)
                       .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("cannot read the token file %1: %2").arg(path, file.errorString());
        return {};
    }
    // The line with its end, and one byte more to tell a line too long.
    QByteArray line = file.readLine(kTokenMaximum + 3);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    const QByteArray token = line.trimmed();
    if (line.size() > kTokenMaximum) {
        *error = QStringLiteral("the token in %1 is longer than %2 characters")
                     .arg(path)
                     .arg(kTokenMaximum);
        return {};
    }
    if (token.isEmpty()) {
        *error = QStringLiteral("the token file %1 holds no token").arg(path);
        return {};
    }
    for (const char c : token) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            *error = QStringLiteral("the token in %1 holds a control character").arg(path);
            return {};
        }
    }
    if (token.size() < kTokenMinimum) {
        *error = QStringLiteral("the token in %1 has %2 characters; it needs at least %3")
                     .arg(path)
                     .arg(token.size())
                     .arg(kTokenMinimum);
        return {};
    }
    return token;
}

} // namespace web
