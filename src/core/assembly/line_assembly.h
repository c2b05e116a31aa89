#pragma once

#include "analyzer_session.h"
#include "qt_serial_port.h"
#include "system_clock.h"

// The analyzer of a command: the serial adapter, the clock and the session
// over them. The command resolves its --port to a device path and opens the
// session there.
struct LineAssembly
{
    LineAssembly() = default;
    LineAssembly(const LineAssembly&) = delete;
    LineAssembly& operator=(const LineAssembly&) = delete;

    QtSerialPort port;
    SystemClock clock;
    AnalyzerSession session{port, clock};
};
