#pragma once

#include "main_window.h"
#include "qt_printer.h"
#include "qt_serial_port.h"
#include "qt_toolkit.h"
#include "system_clock.h"

// The window wired to the real serial port, clock, toolkit and printer: the
// one place the tool, the benchmark and the end-to-end tests build it. A
// benchmark or a test may put a watching subclass of an adapter in its place.
template <class Port = QtSerialPort, class WindowClock = SystemClock,
          class WindowToolkit = QtToolkit, class WindowPrinter = QtPrinter>
class WindowAssembly
{
public:
    WindowAssembly() { toolkit.setWindow(&window); }
    // The port is released (drained) after the window has gone.
    ~WindowAssembly() { port.close(); }
    WindowAssembly(const WindowAssembly&) = delete;
    WindowAssembly& operator=(const WindowAssembly&) = delete;

    Port port;
    WindowClock clock;
    WindowToolkit toolkit;
    WindowPrinter printer;
    IEC1000 window{port, clock, toolkit, printer};
};
