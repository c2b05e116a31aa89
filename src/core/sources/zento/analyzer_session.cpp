#include "analyzer_session.h"

#include "clock.h"
#include "command_channel.h"
#include "command_set.h"
#include "serial_port.h"
#include "session_observer.h"

AnalyzerSession::AnalyzerSession(SerialPort& port, Clock& clock)
    : m_port(port), m_clock(clock), m_channel(port, clock), m_cycle(port, m_channel, clock)
{}

Outcome AnalyzerSession::open(const QString& device, SessionObserver& observer)
{
    observer.stageReached(SessionStage::Connecting);
    if (!m_port.portOpen()) {
        m_port.setDevice(device);
        const Outcome opened = m_port.open();
        if (!opened.succeeded())
            return opened;
    }
    m_channel.clearFault();
    m_loggedOn = true;
    return Outcome::ok();
}

bool AnalyzerSession::configure(SessionObserver& observer, Interruption& interruption)
{
    observer.stageReached(SessionStage::Configuring);
    if (interruption.poll() == Interruption::Go::Abandon)
        return false;
    observer.progress(60);

    for (std::size_t line = 0; line < zento::kConfiguration.size(); ++line) {
        const zento::ConfigurationLine& step = zento::kConfiguration[line];
        m_channel.Out(QString::fromLatin1(step.text));
        if (!m_channel.fault().isEmpty())
            return false;
        if (step.delayAfter)
            m_channel.Delay(QString::fromLatin1(step.delayAfter));
        if (line == 5)
            observer.progress(70);
    }
    observer.progress(85);
    observer.stageReached(SessionStage::Connected);
    return true;
}

bool AnalyzerSession::answers()
{
    // Whatever waits from before is no answer to this query.
    m_port.setInputWanted(true);
    m_port.input();
    m_channel.Out(QString::fromLatin1(zento::kStatusQuery));
    const qint64 deadline = m_clock.steadyMs() + kAnswerWaitMs;
    bool answered = false;
    while (m_channel.fault().isEmpty() && m_port.fault().isEmpty()) {
        if (!m_port.input().isEmpty()) {
            answered = true;
            break;
        }
        const qint64 left = deadline - m_clock.steadyMs();
        if (left <= 0)
            break;
        m_port.waitForInput(int(left));
    }
    m_port.setInputWanted(false);
    return answered;
}

void AnalyzerSession::reset()
{
    // A line released after it failed takes nothing more.
    if (m_port.portOpen())
        m_channel.Out(QString::fromLatin1(zento::kReset));
    m_channel.clearFault();
    close();
}

void AnalyzerSession::resetAndEnd()
{
    if (m_port.portOpen() && m_channel.fault().isEmpty())
        m_channel.Out(QString::fromLatin1(zento::kReset));
    end();
}

void AnalyzerSession::end()
{
    if (!m_port.portOpen()) {
        m_loggedOn = false;
        return;
    }
    m_channel.clearFault();
    m_channel.Out(QString::fromLatin1(zento::kDvc));
    // A line that can no longer be written has nothing to wait for.
    if (m_channel.fault().isEmpty())
        m_channel.Delay(QStringLiteral("2"));
    close();
}

void AnalyzerSession::close()
{
    m_loggedOn = false;
    if (m_port.portOpen())
        m_port.close();
}

bool AnalyzerSession::lineOpen() const
{
    return m_port.portOpen();
}

QString AnalyzerSession::deviceName() const
{
    return m_port.deviceName();
}

QString AnalyzerSession::fault() const
{
    return m_channel.fault();
}
