#include "command_channel.h"

#include "clock.h"
#include "conversions.h"
#include "serial_port.h"

CommandChannel::CommandChannel(SerialPort& port, Clock& clock) : m_port(port), m_clock(clock) {}

void CommandChannel::Out(const QString& sendtext)
{
    const QByteArray line = sendtext.toLatin1() + "\r\n";
    const Outcome written = m_port.output(line);
    if (!written.succeeded() && m_fault.isEmpty())
        m_fault = written.reason();
}

void CommandChannel::Incoming()
{
    // Read until nothing more is waiting, but never without end: an analyzer
    // that keeps sending cannot hold the tool here.
    constexpr int kMaxReads = 64;
    QByteArray received;
    m_incomingCut = false;
    for (int read = 0; read < kMaxReads; ++read) {
        const QByteArray chunk = m_port.input();
        if (chunk.isEmpty())
            break;
        received += chunk;
        if (received.size() > kInputLimit) {
            received.remove(0, received.size() - kInputLimit);
            m_incomingCut = true;
        }
    }
    m_result = QString::fromLatin1(received);
    if (m_fault.isEmpty())
        m_fault = m_port.fault();
}

bool CommandChannel::Delay(const QString& DelayTime, const std::function<bool()>& interrupted)
{
    const double wait = NumericValue(DelayTime);
    qint64 start = m_clock.wholeSeconds();
    for (;;) {
        const qint64 now = m_clock.wholeSeconds();
        if (now < start)
            start = now; // the clock was set back: count from here
        const qint64 elapsed = now - start;
        if (!(wait > double(elapsed)))
            return true;
        // Wake just after the next change of the seconds.
        m_clock.sleepMs(m_clock.msUntilNextSecond() + 1);
        if (interrupted && interrupted())
            return false;
    }
}

QString CommandChannel::fault() const
{
    return m_fault.isEmpty() ? m_port.fault() : m_fault;
}

void CommandChannel::clearFault()
{
    m_fault.clear();
}
