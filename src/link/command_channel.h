#pragma once

#include <QString>

class Clock;
class SerialPort;

// The serial command channel: Out sends one command line, Incoming takes
// everything received into `result`, Delay waits on the whole-second clock.
// It frames nothing and never waits by itself.
//
// The channel remembers the first failure of the line (a refused write, a
// device gone) until clearFault(), so a caller can run its steps and look
// once where it matters.
class CommandChannel
{
public:
    // `result` is the window's member that Incoming replaces.
    CommandChannel(SerialPort& port, Clock& clock, QString& result);

    // Sends `sendtext` followed by CR LF, in single-byte characters. Reads
    // nothing and waits for nothing but the bytes leaving.
    void Out(const QString& sendtext);
    // Replaces `result` with every character received since the last read.
    void Incoming();
    // Waits until the clock's whole seconds have changed more times than
    // DelayTime ("0.05" and "1" end on the next change: 0 to 1 s; "5": 4 to
    // 5 s; "0" or less: no wait). Sleeps between readings; dispatches nothing.
    void Delay(const QString& DelayTime);

    // Why the line failed since the last clearFault(); empty if it did not.
    QString fault() const;
    void clearFault();

private:
    SerialPort& m_port;
    Clock& m_clock;
    QString& m_result;
    QString m_fault;
};
