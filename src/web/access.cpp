#include "access.h"

#include <QCryptographicHash>
#include <QFile>

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

} // namespace

Access::Access(QByteArray token) : m_token(std::move(token)) {}

bool Access::matches(const QByteArray& given) const
{
    // Digests first: equally long, whatever was given.
    return required() && sameBytes(digest(given), digest(m_token));
}

QByteArray Access::sessionValue() const
{
    return digest("iec1000 session\n" + m_token).toHex();
}

QByteArray Access::sessionCookie() const
{
    return QByteArray(kSessionCookie) + '=' + sessionValue() +
           "; Path=/; HttpOnly; SameSite=Strict";
}

bool Access::admits(const Request& request) const
{
    if (!required())
        return true;
    const QByteArray bearer = "Bearer ";
    if (request.authorization.startsWith(bearer) &&
        matches(request.authorization.mid(bearer.size()).trimmed()))
        return true;
    const QByteArray name = QByteArray(kSessionCookie) + '=';
    for (const QByteArray& cookie : request.cookie.split(';')) {
        const QByteArray trimmed = cookie.trimmed();
        if (trimmed.startsWith(name) &&
            sameBytes(digest(trimmed.mid(name.size())), digest(sessionValue())))
            return true;
    }
    return false;
}

QByteArray readTokenFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the token file %1: %2").arg(path, file.errorString());
        return {};
    }
    const QByteArray token = file.readLine(4096).trimmed();
    if (token.isEmpty())
        *error = QStringLiteral("the token file %1 holds no token").arg(path);
    return token;
}

} // namespace web
