#pragma once

#include <QString>

// The result of a platform service call that can fail. A failed outcome
// carries the system's reason in words the operator can read.
class Outcome
{
public:
    static Outcome ok() { return Outcome(); }
    static Outcome failed(const QString& reason)
    {
        Outcome o;
        o.m_failed = true;
        o.m_reason = reason.isEmpty() ? QStringLiteral("unknown error") : reason;
        return o;
    }

    bool succeeded() const { return !m_failed; }
    const QString& reason() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};
