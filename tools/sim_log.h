#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zentosim {

// The bytes as a C string literal body: printable ASCII stays as it is, except
// '"' and '\' which become \" and \\; CR, LF and TAB become \r, \n and \t; every
// other byte becomes \xHH with exactly two upper-case hex digits.
std::string escapeBytes(std::string_view bytes);

// Wall-clock seconds since the epoch with three decimals, e.g. "1765111111.123".
std::string wallClockStamp();

// One line per event, flushed at once, so a reader can follow the log while the
// simulator runs:
//   <stamp> RX "<escaped bytes>"   a line received from the tool, line end included
//   <stamp> TX "<escaped bytes>"   bytes written to the tool, one write each
//   <stamp> EV <text>              something the simulator did on its own
class EventLog
{
public:
    EventLog();
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Logs into the file (truncated) instead of standard error.
    bool openFile(const std::string& path, std::string* error);

    void received(std::string_view bytes);
    void sent(std::string_view bytes);
    void event(std::string_view text);

private:
    void writeLine(std::string_view kind, std::string_view payload);

    std::FILE* m_out;
    bool m_ownsFile = false;
};

} // namespace zentosim
