#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// One line of the simulator's log.
struct SimLogEntry
{
    double atSeconds = 0; // wall clock, seconds since the epoch (millisecond resolution)
    QByteArray direction; // "RX" (a line received), "TX" (one write) or "EV" (an event)
    QByteArray bytes;     // RX/TX: the bytes, unescaped; EV: the event text
};

// Whether this machine can open a pseudo-terminal, which every test that talks
// to the simulator needs. When it cannot, *why (if given) says so and why:
//     QByteArray why;
//     QVERIFY2(ptsUsable(&why), why.constData());
bool ptsUsable(QByteArray* why = nullptr);

// Runs zento-sim for a test. The binary is the one named by the environment
// variable ZENTO_SIM (CTest sets it), else zento-sim beside the test binary.
// The log goes to a file in a temporary directory of this object.
class Simulator
{
public:
    Simulator();
    ~Simulator(); // stops the simulator
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Starts the simulator with the scenario and waits up to startTimeoutMs
    // for the device path. On failure returns false and errorString() says why.
    bool start(const QString& scenario = QStringLiteral("pass"),
               const QStringList& extraArguments = {}, int startTimeoutMs = 5000);
    QString errorString() const { return m_error; }

    QString devicePath() const { return m_devicePath; }
    QString logPath() const;

    // Ends the simulator: SIGTERM, then SIGKILL if it has not ended within 3 s.
    void stop();

    // The log as written so far.
    QByteArray rawLog() const;
    QList<SimLogEntry> log() const;
    QList<SimLogEntry> entries(const QByteArray& direction) const;
    QList<QByteArray> received() const; // the bytes of every RX line, in order
    QByteArray sent() const;            // every TX write joined

    // Wait until the log holds at least count entries of the direction.
    bool waitForEntries(const QByteArray& direction, int count, int timeoutMs) const;
    bool waitForReceived(int count, int timeoutMs) const
    {
        return waitForEntries("RX", count, timeoutMs);
    }
    // Wait until the log satisfies the condition, checking every few ms.
    bool waitForLog(const std::function<bool(const QList<SimLogEntry>&)>& condition,
                    int timeoutMs) const;

    // Parses log text; a line that does not have the log's form makes *error
    // name it and is left out.
    static QList<SimLogEntry> parseLog(const QByteArray& text, QString* error = nullptr);
    // The reverse of the simulator's C-style escaping; false on a malformed escape.
    static bool unescape(const QByteArray& escaped, QByteArray* bytes);
    static QString binaryPath();

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_devicePath;
    QString m_error;
};
