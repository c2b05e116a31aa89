// zento-sim: a stand-in for the Zento power analyzer on a pseudo-terminal.
//
// It prints the device path of the terminal's slave side as the first line of
// its standard output; a program that opens that device talks to the simulated
// analyzer as it would over a serial line. Every received line and every write
// is logged with a timestamp (see sim_log.h).

#include "sim_analyzer.h"
#include "sim_log.h"
#include "sim_scenarios.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;
using zentosim::EventLog;
using zentosim::Reply;
using zentosim::Scenario;

struct Options
{
    std::string scenario = "pass";
    std::string logPath;
    unsigned long long streamBytes = 100ull * 1000 * 1000;
    bool exitOnStdinEof = false;
    bool help = false;
    bool listScenarios = false;
};

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: zento-sim [--scenario NAME] [--log FILE] [--stream-bytes N]\n"
                 "                 [--exit-on-stdin-eof]\n"
                 "       zento-sim --list-scenarios | --help\n"
                 "\n"
                 "Simulates a Zento power analyzer on a pseudo-terminal. The first line of\n"
                 "standard output is the device to open (19200 baud, 8N1, commands end in CR LF).\n"
                 "\n"
                 "  --scenario NAME       how the analyzer answers (default: pass)\n"
                 "  --log FILE            write the log to FILE instead of standard error\n"
                 "  --stream-bytes N      how many bytes a streaming scenario sends\n"
                 "                        (default: 100000000); its writes are not logged\n"
                 "  --exit-on-stdin-eof   end when standard input reaches end-of-file\n"
                 "  --list-scenarios      list the scenarios and end\n"
                 "  --help                show this text and end\n"
                 "\n"
                 "Log lines: <epoch seconds.mmm> RX \"<received line, C-escaped>\"\n"
                 "           <epoch seconds.mmm> TX \"<bytes written, C-escaped>\"\n"
                 "           <epoch seconds.mmm> EV <event>\n"
                 "The event \"all sent bytes read\" says when the tool had read every byte\n"
                 "of a reply (checked every 5 ms, from 20 ms after the write).\n"
                 "\n"
                 "Scenarios:\n");
    for (const Scenario& scenario : zentosim::scenarios())
        std::fprintf(out, "  %-16s %s\n", scenario.name.c_str(), scenario.summary.c_str());
}

bool parseOptions(int argc, char** argv, Options* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // Options taking a value accept both "--opt VALUE" and "--opt=VALUE".
        const auto takeValue = [&](std::string_view name, std::string* value) {
            if (arg == name) {
                if (i + 1 >= argc) {
                    *error = std::string(name) + " needs a value";
                    return true;
                }
                *value = argv[++i];
                return true;
            }
            if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                arg[name.size()] == '=') {
                *value = std::string(arg.substr(name.size() + 1));
                return true;
            }
            return false;
        };
        std::string streamBytes;
        if (takeValue("--scenario", &options->scenario) || takeValue("--log", &options->logPath)) {
            if (!error->empty())
                return false;
        } else if (takeValue("--stream-bytes", &streamBytes)) {
            if (!error->empty())
                return false;
            char* end = nullptr;
            options->streamBytes = std::strtoull(streamBytes.c_str(), &end, 10);
            if (streamBytes.empty() || *end != '\0' || streamBytes[0] == '-') {
                *error = "--stream-bytes needs a number of bytes";
                return false;
            }
        } else if (arg == "--exit-on-stdin-eof") {
            options->exitOnStdinEof = true;
        } else if (arg == "--list-scenarios") {
            options->listScenarios = true;
        } else if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else {
            *error = "unknown argument: " + std::string(arg);
            return false;
        }
    }
    return true;
}

// The self-pipe through which SIGTERM, SIGINT and SIGHUP reach the poll loop.
int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

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

// Both sides of the pseudo-terminal. The simulator keeps a descriptor of the
// slave side open itself, so the master never sees a hang-up while the tool
// has the device closed (between log off and the next log on, say).
struct Line
{
    int master = -1;
    int slave = -1;
    std::string devicePath;
};

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

class Simulator
{
public:
    Simulator(const Scenario& scenario, EventLog& log, const Line& line, bool watchStdin,
              unsigned long long streamBytes)
        : m_analyzer(scenario), m_log(log), m_master(line.master), m_slave(line.slave),
          m_watchStdin(watchStdin), m_streamKind(scenario.stream), m_streamLeft(streamBytes)
    {
        if (m_streamKind != zentosim::Stream::None)
            m_streamPattern = streamPattern(m_streamKind);
    }

    // Runs until a signal arrives or, when watched, standard input ends.
    int run();

private:
    struct Pending
    {
        Clock::time_point due;
        std::string bytes;
    };

    bool lineOpen() const { return m_master >= 0; }
    void readLine();
    void handleReceivedLines();
    void schedule(const Reply& reply);
    void releaseDueChunks(Clock::time_point now);
    void writeOutgoing();
    bool writeStream();
    void noteWhenSentBytesRead(Clock::time_point now);
    void closeLine(std::string_view reason);
    void releaseLine();
    int pollTimeoutMs(Clock::time_point now) const;
    static std::string streamPattern(zentosim::Stream kind);

    zentosim::Analyzer m_analyzer;
    EventLog& m_log;
    int m_master;
    int m_slave;
    bool m_watchStdin;
    std::string m_received;          // bytes of a line not yet ended by LF
    std::deque<Pending> m_scheduled; // reply pieces in the order of their due times
    std::string m_outgoing;          // due bytes the line has not yet taken
    Clock::time_point m_lastDue;

    zentosim::Stream m_streamKind;
    bool m_streaming = false;
    unsigned long long m_streamLeft;
    unsigned long long m_streamSent = 0;
    std::string m_streamPattern;
    std::size_t m_streamOffset = 0;

    // A reply was written and the tool has not yet read all of it.
    bool m_sentBytesUnread = false;
    Clock::time_point m_lastWrite;
};

// Checks whether the tool has read what was sent only this long after the
// last write, so that bytes still on their way into the terminal do not count
// as read, and then every kReadCheckMs.
constexpr auto kReadSettle = std::chrono::milliseconds(20);
constexpr int kReadCheckMs = 5;

std::string Simulator::streamPattern(zentosim::Stream kind)
{
    std::string unit;
    if (kind == zentosim::Stream::Lines) {
        unit = zentosim::resultLine(zentosim::passingMeasurement());
    } else {
        for (const std::string& field : zentosim::resultFields(zentosim::passingMeasurement()))
            unit += field + ',';
    }
    std::string pattern;
    while (pattern.size() < 64 * 1024)
        pattern += unit;
    return pattern;
}

int Simulator::run()
{
    std::string exitReason;
    while (exitReason.empty()) {
        releaseDueChunks(Clock::now());
        writeOutgoing();
        const bool streamWaits = writeStream();
        noteWhenSentBytesRead(Clock::now());

        pollfd fds[3] = {};
        nfds_t count = 0;
        fds[count++] = {signalPipe[0], POLLIN, 0};
        int masterIndex = -1;
        if (lineOpen()) {
            masterIndex = static_cast<int>(count);
            const short events = POLLIN | (m_outgoing.empty() && !streamWaits ? 0 : POLLOUT);
            fds[count++] = {m_master, events, 0};
        }
        int stdinIndex = -1;
        if (m_watchStdin) {
            stdinIndex = static_cast<int>(count);
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }

        if (::poll(fds, count, pollTimeoutMs(Clock::now())) < 0) {
            if (errno == EINTR)
                continue;
            exitReason = std::string("exit: poll failed: ") + std::strerror(errno);
            break;
        }

        if (fds[0].revents & POLLIN) {
            unsigned char number = 0;
            if (::read(signalPipe[0], &number, 1) == 1) {
                exitReason = "exit: signal " + std::to_string(number);
                if (const char* name = ::strsignal(number))
                    exitReason += std::string(" (") + name + ")";
            }
        }
        if (masterIndex >= 0 && lineOpen() && (fds[masterIndex].revents & ~POLLOUT))
            readLine();
        if (stdinIndex >= 0 && fds[stdinIndex].revents) {
            char scratch[256];
            const ssize_t n = ::read(STDIN_FILENO, scratch, sizeof scratch);
            if (n == 0 || (fds[stdinIndex].revents & POLLNVAL))
                exitReason = "exit: end of standard input";
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                exitReason = std::string("exit: standard input failed: ") + std::strerror(errno);
        }
    }

    if (lineOpen())
        readLine(); // whatever is still on its way
    if (lineOpen())
        releaseLine();
    m_log.event(exitReason);
    return 0;
}

void Simulator::readLine()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            m_received.append(buffer, static_cast<std::size_t>(n));
            handleReceivedLines();
            if (!lineOpen())
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // With our own slave descriptor open this does not happen in normal use.
        closeLine(n == 0 ? "closing line (end of file on master)"
                         : std::string("closing line (read failed: ") + std::strerror(errno) + ")");
        return;
    }
}

void Simulator::handleReceivedLines()
{
    std::size_t end;
    while (lineOpen() && (end = m_received.find('\n')) != std::string::npos) {
        const std::string line = m_received.substr(0, end + 1);
        m_received.erase(0, end + 1);
        m_log.received(line);
        if (m_streamKind != zentosim::Stream::None && !m_streaming && m_streamSent == 0) {
            m_streaming = true;
            m_log.event("stream start bytes=" + std::to_string(m_streamLeft));
        }
        const zentosim::Response response = m_analyzer.handleLine(line);
        schedule(response.reply);
        if (response.closeLine)
            closeLine("closing line");
    }
}

void Simulator::schedule(const Reply& reply)
{
    // Pieces of a later reply never overtake those of an earlier one.
    Clock::time_point due = std::max(Clock::now(), m_lastDue);
    for (const zentosim::Chunk& chunk : reply) {
        due += std::chrono::milliseconds(chunk.delayMs);
        m_scheduled.push_back({due, chunk.bytes});
    }
    m_lastDue = due;
}

void Simulator::releaseDueChunks(Clock::time_point now)
{
    while (!m_scheduled.empty() && m_scheduled.front().due <= now) {
        m_outgoing += m_scheduled.front().bytes;
        m_scheduled.pop_front();
    }
}

void Simulator::writeOutgoing()
{
    while (lineOpen() && !m_outgoing.empty()) {
        const ssize_t n = ::write(m_master, m_outgoing.data(), m_outgoing.size());
        if (n > 0) {
            m_log.sent(std::string_view(m_outgoing).substr(0, static_cast<std::size_t>(n)));
            m_outgoing.erase(0, static_cast<std::size_t>(n));
            m_sentBytesUnread = true;
            m_lastWrite = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return; // the terminal's buffer is full; poll() says when it drains
        closeLine(std::string("closing line (write failed: ") + std::strerror(errno) + ")");
    }
}

// Writes the stream while the line takes it; true while the stream waits for
// the line to take more.
bool Simulator::writeStream()
{
    while (m_streaming && lineOpen()) {
        if (m_streamLeft == 0) {
            m_streaming = false;
            m_log.event("stream end sent=" + std::to_string(m_streamSent));
            return false;
        }
        const std::size_t size = static_cast<std::size_t>(
            std::min<unsigned long long>(m_streamLeft, m_streamPattern.size() - m_streamOffset));
        const ssize_t n = ::write(m_master, m_streamPattern.data() + m_streamOffset, size);
        if (n > 0) {
            m_streamLeft -= static_cast<unsigned long long>(n);
            m_streamSent += static_cast<unsigned long long>(n);
            m_streamOffset =
                (m_streamOffset + static_cast<std::size_t>(n)) % m_streamPattern.size();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        closeLine(std::string("closing line (write failed: ") + std::strerror(errno) + ")");
    }
    return false;
}

void Simulator::noteWhenSentBytesRead(Clock::time_point now)
{
    if (!m_sentBytesUnread || !lineOpen() || now - m_lastWrite < kReadSettle)
        return;
    int unread = 0;
    if (::ioctl(m_slave, FIONREAD, &unread) == 0 && unread == 0) {
        m_sentBytesUnread = false;
        m_log.event("all sent bytes read");
    }
}

void Simulator::closeLine(std::string_view reason)
{
    releaseLine();
    m_scheduled.clear();
    m_outgoing.clear();
    m_sentBytesUnread = false;
    if (m_streaming) {
        m_streaming = false;
        m_log.event("stream end sent=" + std::to_string(m_streamSent));
    }
    m_log.event(reason);
}

void Simulator::releaseLine()
{
    // Lines that arrived together with the one that closes the line are
    // logged, though not answered, as are bytes still without their LF.
    std::size_t end;
    while ((end = m_received.find('\n')) != std::string::npos) {
        m_log.received(std::string_view(m_received).substr(0, end + 1));
        m_received.erase(0, end + 1);
    }
    if (!m_received.empty())
        m_log.received(m_received);
    m_received.clear();
    // Closing the master hangs up the slave side: the tool's next read on the
    // device ends (EOF or EIO) and its next write fails with EIO.
    ::close(m_slave);
    ::close(m_master);
    m_master = m_slave = -1;
}

int Simulator::pollTimeoutMs(Clock::time_point now) const
{
    int timeout = -1;
    if (m_sentBytesUnread && lineOpen())
        timeout = kReadCheckMs;
    if (m_scheduled.empty())
        return timeout;
    const auto wait = m_scheduled.front().due - now;
    if (wait <= Clock::duration::zero())
        return 0;
    // Round up, so the loop never wakes just before the piece is due.
    const int due = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
    return timeout < 0 ? due : std::min(timeout, due);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "zento-sim: %s\n\n", error.c_str());
        printUsage(stderr);
        return 2;
    }
    if (options.help || options.listScenarios) {
        if (options.help) {
            printUsage(stdout);
        } else {
            for (const Scenario& scenario : zentosim::scenarios())
                std::printf("%s\t%s\n", scenario.name.c_str(), scenario.summary.c_str());
        }
        return 0;
    }

    const Scenario* scenario = zentosim::findScenario(options.scenario);
    if (!scenario) {
        std::fprintf(stderr, "zento-sim: unknown scenario \"%s\"; known scenarios:",
                     options.scenario.c_str());
        for (const Scenario& known : zentosim::scenarios())
            std::fprintf(stderr, " %s", known.name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }

    EventLog log;
    if (!options.logPath.empty() && !log.openFile(options.logPath, &error)) {
        std::fprintf(stderr, "zento-sim: %s\n", error.c_str());
        return 1;
    }
    if (!installSignalHandlers(&error)) {
        std::fprintf(stderr, "zento-sim: %s\n", error.c_str());
        return 1;
    }
    Line line;
    if (!openLine(&line, &error)) {
        std::fprintf(stderr, "zento-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
        return 1;
    }

    // Logged before the path is printed: whoever has read the path finds the
    // start in the log.
    log.event("start scenario=" + scenario->name + " device=" + line.devicePath);
    std::printf("%s\n", line.devicePath.c_str());
    std::fflush(stdout);

    Simulator simulator(*scenario, log, line, options.exitOnStdinEof, options.streamBytes);
    return simulator.run();
}
