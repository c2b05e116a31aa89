#pragma once

#include "outcome.h"

#include <QString>

class CommandChannel;
class SerialPort;
class SessionObserver;

// The analyzer session's steps that both the window and the command line
// take: open the port, configure the analyzer, reset it and close, end.
class AnalyzerSession
{
public:
    AnalyzerSession(SerialPort& port, CommandChannel& channel);

    // Reports the stage Connecting, then opens port `portNumber` (1 to 4)
    // unless the port is already open, and forgets earlier line failures. A
    // failed outcome says why, in the system's words.
    Outcome open(qint16 portNumber, SessionObserver& observer);
    // Sends the twelve configuration lines with their waits; reads nothing.
    // Reports the stage Configuring first, then holds one dispatch point
    // before the first line; reports progress 60, 70 (after the sixth line)
    // and 85, and the stage Connected once every line went out. False when
    // the observer abandons the session or the line failed (fault() says
    // why).
    bool configure(SessionObserver& observer);
    // Log off: "*RST", then the port closes (the reset drained first). A line
    // that has failed (and was released) takes no command; the port closes
    // all the same.
    void reset();
    // The end of the tool: with the port open, ":DVC", a wait of "2" unless
    // the line failed, and the close. Nothing when the port is closed.
    void end();
    // The end of the tool while the analyzer is still measuring (a timed
    // observation stopped by it): "*RST" first, then as end().
    void resetAndEnd();
    // Closes the port (drained) without a command.
    void close();

    // Why the line failed since open(); empty if it did not.
    QString fault() const;

private:
    SerialPort& m_port;
    CommandChannel& m_channel;
};
