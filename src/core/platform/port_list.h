#pragma once

#include "com_ports.h"

#include <QJsonArray>
#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One serial device as the operator sees it: what the system reports about it
// and which of the port options "Com 1" to "Com 4" point at it.
struct PortEntry
{
    QString device; // path such as /dev/ttyUSB0 (COM3 on Windows)
    QString description;
    QString manufacturer;
    std::optional<quint16> vendorId, productId; // USB ids; empty when not a USB device
    QStringList comOptions;                     // "Com 1".. that point at this device
    bool listedBySystem = false; // false: only a Com option names it (a pseudo-terminal, ...)
    bool present = true;         // false: a Com option names a device that does not exist
};

// The system's serial ports (in their order), each with the Com options that
// point at it, followed by one entry per device that a Com option names but
// the system does not list, present or not. comDevice(n) gives the device
// behind Com n, n = 1 to 4 (empty: the option names none).
QList<PortEntry> listPorts(const QList<QSerialPortInfo>& system,
                           const std::function<QString(int)>& comDevice);

// The same from the system's ports already turned into entries (their
// comOptions, listedBySystem and present are set here).
QList<PortEntry> listPorts(QList<PortEntry> system, const std::function<QString(int)>& comDevice);

// The same for this machine: QSerialPortInfo::availablePorts() and the
// devices behind the Com options.
QList<PortEntry> listPorts(const ComDevices& devices);

// A table with one line per entry, for a terminal. Ends with
// "No serial ports found." when no entry is present.
QString portsText(const QList<PortEntry>& entries);

// One object per entry: device, description, manufacturer, vendor_id and
// product_id ("0403" style hex text, or null), com_options (array of "Com n"),
// listed_by_system, present.
QJsonArray portsJson(const QList<PortEntry>& entries);
