#pragma once

#include "analyzer_session.h"
#include "command_channel.h"
#include "measurement_cycle.h"

class Clock;
class SerialPort;

// The analyzer line over a serial port and a clock: the command channel, the
// session that logs on and off, and the measurement cycle. The window and
// every command get theirs from an assembly (LineAssembly, WindowAssembly);
// a test builds one over its fakes. The port and the clock outlive it.
struct AnalyzerLine
{
    AnalyzerLine(SerialPort& linePort, Clock& lineClock) : port(linePort), clock(lineClock) {}
    AnalyzerLine(const AnalyzerLine&) = delete;
    AnalyzerLine& operator=(const AnalyzerLine&) = delete;

    SerialPort& port;
    Clock& clock;
    CommandChannel channel{port, clock};
    AnalyzerSession session{port, channel};
    MeasurementCycle cycle{port, channel, clock};
};
