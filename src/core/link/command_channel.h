#pragma once

#include <QString>

#include <functional>

class Clock;
class SerialPort;

// The serial command channel: Out sends one command line, Incoming takes
// everything received as result(), Delay waits on the whole-second clock.
// It frames nothing and never waits by itself.
//
// The channel remembers the first failure of the line (a refused write, a
// device gone) until clearFault(), so a caller can run its steps and look
// once where it matters.
class CommandChannel
{
public:
    CommandChannel(SerialPort& port, Clock& clock);

    // Sends `sendtext` followed by CR LF, in single-byte characters. Reads
    // nothing and waits for nothing but the bytes leaving.
    void Out(const QString& sendtext);
    // Replaces result() with every character received since the last read,
    // keeping at most kInputLimit of the last ones: an analyzer that sends
    // more than a reply cannot grow the tool. incomingCut() tells whether
    // characters in front were dropped.
    void Incoming();
    bool incomingCut() const { return m_incomingCut; }
    // What the last Incoming took.
    const QString& result() const { return m_result; }
    // Waits until the clock's whole seconds have changed more times than
    // DelayTime ("0.05" and "1" end on the next change: 0 to 1 s; "5": 4 to
    // 5 s; "0" or less: no wait). Sleeps between readings; dispatches nothing.
    // `interrupted`, when given, is asked after each sleep; the wait ends
    // early, returning false, once it answers true.
    bool Delay(const QString& DelayTime, const std::function<bool()>& interrupted = {});

    // The most characters Incoming keeps: a result reply is about 1 kB.
    static constexpr qsizetype kInputLimit = 8192;

    // Why the line failed since the last clearFault(); empty if it did not.
    QString fault() const;
    void clearFault();

private:
    SerialPort& m_port;
    Clock& m_clock;
    QString m_result;
    QString m_fault;
    bool m_incomingCut = false;
};
