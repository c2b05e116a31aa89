#pragma once

// The window as the operator gets it (the real serial adapter, the real
// clock, Qt's event dispatch) against the simulated analyzer on a
// pseudo-terminal. Message boxes are recorded instead of shown.

#include "analyzer_lines.h"
#include "configuration.h"
#include "fake_printer.h"
#include "simulator.h"
#include "window_assembly.h"

#include <QDateTime>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <QThread>

#include <functional>
#include <memory>
#include <thread>

class RecordingToolkit : public QtToolkit
{
public:
    void messageBox(const QString& text) override { messages << text; }
    void dispatchEvents() override
    {
        QtToolkit::dispatchEvents();
        dispatchedAt << QDateTime::currentMSecsSinceEpoch() / 1000.0;
    }

    QStringList messages;
    // Wall-clock seconds of each dispatch point, as the simulator logs time.
    QList<double> dispatchedAt;
};

// The real adapter, remembering every output() the tool made.
class WatchedSerialPort : public QtSerialPort
{
public:
    using QtSerialPort::QtSerialPort;
    Outcome output(const QByteArray& bytes) override
    {
        written << bytes;
        return QtSerialPort::output(bytes);
    }
    QList<QByteArray> written;
};

// The printer a test hands the bench (a PDF file), or one that keeps what
// it would print.
class ChosenPrinter : public Printer
{
public:
    void setOrientation(int value) override { target->setOrientation(value); }
    Outcome print(const QImage& image) override { return target->print(image); }

    Printer* target = nullptr;
};

// Runs `post` on a thread of its own once the simulator has logged the RX
// line `line` (without CR LF) and afterMs more have passed: input the window
// system would hold while a handler blocks. `post` may only post (a queued
// invokeMethod, QCoreApplication::postEvent).
class PostWhenReceived
{
public:
    PostWhenReceived(const Simulator& sim, const QByteArray& line, int afterMs,
                     std::function<void()> post)
        : m_thread([&sim, line, afterMs, post] {
              const bool seen = sim.waitForLog(
                  [&](const QList<SimLogEntry>& log) {
                      for (const SimLogEntry& entry : log)
                          if (entry.direction == "RX" && entry.bytes == line + "\r\n")
                              return true;
                      return false;
                  },
                  60000);
              if (seen) {
                  QThread::msleep(afterMs);
                  post();
              }
          })
    {}
    ~PostWhenReceived() { m_thread.join(); }

private:
    std::thread m_thread;
};

class E2EBench
{
public:
    using Assembly =
        WindowAssembly<WatchedSerialPort, SystemClock, RecordingToolkit, ChosenPrinter>;

    // Starts the simulator with the scenario and builds the window from the
    // configuration the environment names, with Com `com` on the simulator.
    // False (with errorString()) when the simulator cannot start.
    bool start(const QString& scenario, qint16 com = 1, Printer* printer = nullptr,
               const QStringList& simArguments = {})
    {
        if (!sim.start(scenario, simArguments)) {
            m_error = sim.errorString();
            return false;
        }
        Configuration configuration = Configuration::fromEnvironment();
        configuration.devices.setDevice(com, sim.devicePath());
        for (const auto& [other, device] : otherComs)
            configuration.devices.setDevice(other, device);
        m_tool = std::make_unique<Assembly>(configuration);
        m_tool->printer.target = printer ? printer : &m_noPrinter;
        window = &m_tool->window;
        window->show();
        return QTest::qWaitForWindowExposed(window);
    }
    WatchedSerialPort& port() { return m_tool->port; }
    SystemClock& clock() { return m_tool->clock; }
    RecordingToolkit& toolkit() { return m_tool->toolkit; }
    QString errorString() const { return m_error; }

    void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }

    QRadioButton* portOption(qint16 com) const
    {
        return std::array{window->com1, window->com2, window->com3, window->com4}[com - 1];
    }

    void logOn(qint16 com = 1)
    {
        click(portOption(com));
        click(window->Log);
    }

    QString reslbl() const { return window->Reslbl->text(); }
    QColor reslblColour() const { return window->Reslbl->palette().color(QPalette::Base); }

    // The RX lines the simulator logged, without their CR LF.
    QList<QByteArray> received() const
    {
        QList<QByteArray> lines;
        for (const QByteArray& line : sim.received())
            lines << (line.endsWith("\r\n") ? line.chopped(2) : line);
        return lines;
    }
    // When the simulator received `line` (its first time), -1 if never.
    double receivedAt(const QByteArray& line) const
    {
        for (const SimLogEntry& entry : sim.entries("RX"))
            if (entry.bytes == line + "\r\n")
                return entry.atSeconds;
        return -1;
    }
    // When the tool had read all of the reply to the query `line`, as the
    // simulator saw it (within 5 ms); -1 if it had not within 2 s.
    double replyReadAt(const QByteArray& line) const
    {
        double at = -1;
        sim.waitForLog(
            [&](const QList<SimLogEntry>& log) {
                bool asked = false;
                for (const SimLogEntry& entry : log) {
                    asked = asked || (entry.direction == "RX" && entry.bytes == line + "\r\n");
                    if (asked && entry.direction == "EV" && entry.bytes == "all sent bytes read") {
                        at = entry.atSeconds;
                        return true;
                    }
                }
                return false;
            },
            2000);
        return at;
    }

    Simulator sim;
    // Com ports pointed at other devices when the window is built, as
    // IEC1000_COMn or --comN do.
    QList<std::pair<qint16, QString>> otherComs;
    // The window of the assembly, once started.
    IEC1000* window = nullptr;

private:
    FakePrinter m_noPrinter;
    std::unique_ptr<Assembly> m_tool;
    QString m_error;
    // The devices behind the window's port options.
};

#define START_BENCH(bench, ...)                                                                    \
    do {                                                                                           \
        QByteArray why;                                                                            \
        QVERIFY2(ptsUsable(&why), why.constData());                                                \
        QVERIFY2((bench).start(__VA_ARGS__), qPrintable((bench).errorString()));                   \
    } while (false)
