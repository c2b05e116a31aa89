#pragma once

#include <string>

namespace zentosim {

// Both sides of the pseudo-terminal. The simulator keeps a descriptor of the
// slave side open itself, so the master never sees a hang-up while the tool
// has the device closed (between log off and the next log on, say).
struct Line
{
    int master = -1;
    int slave = -1;
    std::string devicePath;
};

// Opens a pseudo-terminal in raw mode at 19200 baud; false with the reason.
bool openLine(Line* line, std::string* error);

// SIGTERM, SIGINT and SIGHUP are written to a self-pipe whose reading end is
// signalReadFd(), for the poll loop; SIGPIPE is ignored.
bool installSignalHandlers(std::string* error);
int signalReadFd();

} // namespace zentosim
