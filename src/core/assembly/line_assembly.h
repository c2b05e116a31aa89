#pragma once

#include "analyzer_line.h"
#include "configuration.h"
#include "qt_serial_port.h"
#include "system_clock.h"

// The analyzer line of a command wired from its configuration: the serial
// adapter on the configured devices, the clock, the channel, the session
// that logs on and off, and the measurement cycle over them.
struct LineAssembly
{
    explicit LineAssembly(const Configuration& configuration)
        : port(configuration.devices), portNumber(configuration.port)
    {}
    LineAssembly(const LineAssembly&) = delete;
    LineAssembly& operator=(const LineAssembly&) = delete;

    QtSerialPort port;
    const qint16 portNumber;
    SystemClock clock;
    AnalyzerLine line{port, clock};
    CommandChannel& channel = line.channel;
    AnalyzerSession& session = line.session;
    MeasurementCycle& cycle = line.cycle;
};
