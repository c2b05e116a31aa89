#pragma once

#include "command_channel.h"
#include "interruption.h"
#include "measurement_cycle.h"
#include "outcome.h"

#include <QString>

class Clock;
class SerialPort;
class SessionObserver;

// The analyzer as a driver: the session over one serial port and a clock
// owns the command channel and the measurement cycle, logs on at a device
// path and off again, and knows whether it is logged on. The window and
// every command work the analyzer through one; the port and the clock
// outlive it.
class AnalyzerSession
{
public:
    AnalyzerSession(SerialPort& port, Clock& clock);
    AnalyzerSession(const AnalyzerSession&) = delete;
    AnalyzerSession& operator=(const AnalyzerSession&) = delete;

    // Reports the stage Connecting, then opens the port at `device` ("/dev/ttyS0",
    // "COM1", a USB adapter) unless the port is already open, and forgets
    // earlier line failures. A failed outcome says why, in the system's
    // words. Logged on from here on when it succeeds.
    Outcome open(const QString& device, SessionObserver& observer);
    // Sends the twelve configuration lines with their waits; reads nothing.
    // Reports the stage Configuring first, then holds one dispatch point
    // before the first line; reports progress 60, 70 (after the sixth line)
    // and 85, and the stage Connected once every line went out. False when
    // the face abandons the session or the line failed (fault() says why).
    bool configure(SessionObserver& observer, Interruption& interruption);
    // Whether an analyzer answers on the line: asks its status once
    // ("*STB?") and waits at most kAnswerWaitMs for anything to arrive, which
    // is read and dropped. A command asks this before it triggers; the
    // window's cycle does not. False too when the line failed (fault() says
    // why).
    bool answers();
    static constexpr int kAnswerWaitMs = 2000;
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
    // Closes the port (drained) without a command; logged off.
    void close();

    // Whether the session is logged on: the port opened and the session not
    // logged off, closed or ended since. A line that failed on the way
    // leaves it logged on (the operator logs off) but not lineOpen().
    bool isLoggedOn() const { return m_loggedOn; }
    // Whether the port is open now.
    bool lineOpen() const;
    // The device the session opened last, for messages and records.
    QString deviceName() const;
    // Why the line failed since open(); empty if it did not.
    QString fault() const;

    // The measurement cycle on this session's line.
    MeasurementCycle& cycle() { return m_cycle; }
    Clock& clock() { return m_clock; }

private:
    SerialPort& m_port;
    Clock& m_clock;
    CommandChannel m_channel;
    MeasurementCycle m_cycle;
    bool m_loggedOn = false;
};
