#pragma once

#include "com_ports.h"

#include <QString>

// The machine's Com devices with option `number` pointed at `device`, as an
// operator does with IEC1000_COMn or --comN.
inline ComDevices comDevicesWith(qint16 number, const QString& device)
{
    ComDevices devices;
    devices.setDevice(number, device);
    return devices;
}
