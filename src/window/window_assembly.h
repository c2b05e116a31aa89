#pragma once

#include "configuration.h"
#include "main_window.h"
#include "qt_printer.h"
#include "qt_serial_port.h"
#include "qt_toolkit.h"
#include "system_clock.h"

// The window wired from the configuration to the real serial adapter, clock,
// toolkit, printer and record store, its port options on the configured
// devices: the one place the tool, the benchmark and the end-to-end tests
// build it. A benchmark or a test may put a watching subclass of an adapter
// in its place.
template <class Port = QtSerialPort, class WindowClock = SystemClock,
          class WindowToolkit = QtToolkit, class WindowPrinter = QtPrinter>
class WindowAssembly
{
public:
    explicit WindowAssembly(const Configuration& configuration)
        : window(session, configuration.devices, toolkit, printer)
    {
        toolkit.setWindow(&window);
        window.setRecordStore(configuration.storeName);
    }
    // The port is released (drained) after the window has gone.
    ~WindowAssembly() { port.close(); }
    WindowAssembly(const WindowAssembly&) = delete;
    WindowAssembly& operator=(const WindowAssembly&) = delete;

    Port port;
    WindowClock clock;
    AnalyzerSession session{port, clock};
    WindowToolkit toolkit;
    WindowPrinter printer;
    IEC1000 window;
};
