#pragma once

#include "sim_scenarios.h"

#include <string>
#include <string_view>

namespace zentosim {

// What the analyzer does with one received command line.
struct Response
{
    Reply reply;            // pieces to send, in order
    bool closeLine = false; // hang up the line after the reply (if any)
};

// The analyzer's command interpreter for one scenario. A line may carry
// several commands separated by ";"; each is matched without its line end and
// surrounding blanks, regardless of case. "*STB?" and ":FRD?" are answered as
// the scenario says; everything else is accepted without a reply.
class Analyzer
{
public:
    explicit Analyzer(const Scenario& scenario) : m_scenario(scenario) {}

    // Counts the ":FRD?" it answers: the count picks the reply of a scenario
    // whose replies change from sample to sample.
    Response handleLine(std::string_view line);

private:
    const Scenario& m_scenario;
    int m_resultsAnswered = 0;
};

// The command with blanks and line-end characters removed from both ends, in
// upper case.
std::string normalizedCommand(std::string_view command);

} // namespace zentosim
