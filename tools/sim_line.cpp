#include "sim_line.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zentosim {

namespace {

// The self-pipe through which SIGTERM, SIGINT and SIGHUP reach the poll loop.
int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

bool installSignalHandlers(std::string* error)
{
    if (::pipe(signalPipe) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    for (const int fd : signalPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool openLine(Line* line, std::string* error)
{
    const auto fail = [&](const char* what) {
        *error = std::string(what) + ": " + std::strerror(errno);
        if (line->slave >= 0)
            ::close(line->slave);
        if (line->master >= 0)
            ::close(line->master);
        line->master = line->slave = -1;
        return false;
    };

    line->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (line->master < 0)
        return fail("posix_openpt");
    if (::grantpt(line->master) != 0)
        return fail("grantpt");
    if (::unlockpt(line->master) != 0)
        return fail("unlockpt");
    const char* name = ::ptsname(line->master);
    if (!name)
        return fail("ptsname");
    line->devicePath = name;
    line->slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->slave < 0)
        return fail("open slave");

    // Raw mode: no echo (the replies would come straight back), no line
    // editing, no CR/LF translation in either direction.
    termios settings = {};
    if (::tcgetattr(line->slave, &settings) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    if (::tcsetattr(line->slave, TCSANOW, &settings) != 0)
        return fail("tcsetattr");

    ::fcntl(line->master, F_SETFD, FD_CLOEXEC);
    if (::fcntl(line->master, F_SETFL, O_NONBLOCK) != 0)
        return fail("fcntl");
    return true;
}

int signalReadFd()
{
    return signalPipe[0];
}

} // namespace zentosim
