#pragma once

#include <QString>

// The device behind each port option "Com 1" to "Com 4": /dev/ttyS0 to
// /dev/ttyS3 on Linux, COM1 to COM4 on Windows. The environment variable
// IEC1000_COMn, when set and not empty, names the device of option n instead
// (a USB adapter such as /dev/ttyUSB0, or a pseudo-terminal).
QString comPortDevice(qint16 number);

// The name of the environment variable that replaces the device of option n.
QString comPortVariable(qint16 number);
