#include "command_channel.h"

#include "clock.h"
#include "conversions.h"
#include "serial_port.h"

CommandChannel::CommandChannel(SerialPort& port, Clock& clock, QString& result)
    : m_port(port), m_clock(clock), m_result(result)
{}

void CommandChannel::Out(const QString& sendtext)
{
    const QByteArray line = sendtext.toLatin1() + "\r\n";
    const Outcome written = m_port.output(line);
    if (!written.succeeded() && m_fault.isEmpty())
        m_fault = written.reason();
}

void CommandChannel::Incoming()
{
    m_result.clear();
    m_result += QString::fromLatin1(m_port.input());
    if (m_fault.isEmpty())
        m_fault = m_port.fault();
}

void CommandChannel::Delay(const QString& DelayTime)
{
    const double wait = NumericValue(DelayTime);
    qint64 start = m_clock.wholeSeconds();
    for (;;) {
        const qint64 now = m_clock.wholeSeconds();
        if (now < start)
            start = now; // the clock was set back: count from here
        const qint64 elapsed = now - start;
        if (!(wait > double(elapsed)))
            return;
        // Wake just after the next change of the seconds.
        m_clock.sleepMs(m_clock.msUntilNextSecond() + 1);
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
