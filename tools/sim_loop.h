#pragma once

#include "sim_analyzer.h"
#include "sim_line.h"
#include "sim_log.h"
#include "sim_scenarios.h"

#include <chrono>
#include <deque>
#include <string>
#include <string_view>

namespace zentosim {

// The poll loop of the simulated analyzer: reads the tool's lines from the
// pseudo-terminal, answers them as the scenario says (in timed pieces) and
// logs what passes.
class Simulator
{
    using Clock = std::chrono::steady_clock;

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

} // namespace zentosim
