#pragma once

#include <QString>

#include <array>

// The devices behind the port options "Com 1" to "Com 4", a value the tool
// reads once at its start and hands to the serial adapter: /dev/ttyS0 to
// /dev/ttyS3 on Linux, COM1 to COM4 on Windows, unless the environment
// variable IEC1000_COMn (read by fromEnvironment()) or an option names the
// device of option n instead (a USB adapter such as /dev/ttyUSB0, or a
// pseudo-terminal).
class ComDevices
{
public:
    // The machine's own ports.
    ComDevices();
    // The machine's own ports, with each IEC1000_COMn that is set and not
    // empty in place of option n.
    static ComDevices fromEnvironment();

    // The device behind option `number`; empty outside 1 to 4.
    QString device(qint16 number) const;
    // Points option `number` (1 to 4) at `device`; an empty device leaves it.
    void setDevice(qint16 number, const QString& device);
    // Option `number` stands for the built-in simulated analyzer (`iec1000
    // --demo`); records made on it say so.
    void setSimulated(qint16 number) { m_simulated = number; }
    bool simulated(qint16 number) const { return number >= 1 && number == m_simulated; }
    // Whether `device` is the one of the option that stands for the simulated
    // analyzer.
    bool simulatedAt(const QString& device) const
    {
        return m_simulated >= 1 && !device.isEmpty() && device == this->device(m_simulated);
    }

private:
    std::array<QString, 4> m_devices;
    qint16 m_simulated = 0;
};

// The name of the environment variable that replaces the device of option n.
QString comPortVariable(qint16 number);
