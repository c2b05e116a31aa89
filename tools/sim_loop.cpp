#include "sim_loop.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace zentosim {
namespace {

// Checks whether the tool has read what was sent only this long after the
// last write, so that bytes still on their way into the terminal do not count
// as read, and then every kReadCheckMs.
constexpr auto kReadSettle = std::chrono::milliseconds(20);
constexpr int kReadCheckMs = 5;

} // namespace

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
        fds[count++] = {signalReadFd(), POLLIN, 0};
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
            if (::read(signalReadFd(), &number, 1) == 1) {
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

} // namespace zentosim
