#pragma once

// The window as the operator gets it (the real serial adapter, the real
// clock, Qt's event dispatch) against the simulated analyzer on a
// pseudo-terminal. Message boxes are recorded instead of shown.

#include "analyzer_lines.h"
#include "com_port_override.h"
#include "fake_printer.h"
#include "main_window.h"
#include "qt_serial_port.h"
#include "qt_toolkit.h"
#include "simulator.h"
#include "system_clock.h"

#include <QDateTime>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

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

class E2EBench
{
public:
    // Starts the simulator with the scenario and points Com `com` at it.
    // False (with errorString()) when the simulator cannot start.
    bool start(const QString& scenario, qint16 com = 1, Printer* printer = nullptr)
    {
        if (!sim.start(scenario)) {
            m_error = sim.errorString();
            return false;
        }
        m_com = std::make_unique<ComPortOverride>(com, sim.devicePath());
        window = std::make_unique<IEC1000>(port, clock, toolkit,
                                           printer ? *printer : static_cast<Printer&>(m_noPrinter));
        toolkit.setWindow(window.get());
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
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

    Simulator sim;
    QtSerialPort port;
    SystemClock clock;
    RecordingToolkit toolkit;
    std::unique_ptr<IEC1000> window;

private:
    FakePrinter m_noPrinter;
    std::unique_ptr<ComPortOverride> m_com;
    QString m_error;
};

#define START_BENCH(bench, ...)                                                                    \
    do {                                                                                           \
        QByteArray why;                                                                            \
        QVERIFY2(ptsUsable(&why), why.constData());                                                \
        QVERIFY2((bench).start(__VA_ARGS__), qPrintable((bench).errorString()));                   \
    } while (false)
