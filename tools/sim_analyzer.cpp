#include "sim_analyzer.h"

#include <algorithm>

namespace zentosim {

std::string normalizedCommand(std::string_view command)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!command.empty() && isSpace(command.front()))
        command.remove_prefix(1);
    while (!command.empty() && isSpace(command.back()))
        command.remove_suffix(1);
    std::string upper(command);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

Response Analyzer::handleLine(std::string_view line)
{
    Response response;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(';', start), line.size());
        const std::string command = normalizedCommand(line.substr(start, end - start));
        start = end + 1;

        if (!m_scenario.hangUpOn.empty() && command == m_scenario.hangUpOn) {
            response.closeLine = true;
            break;
        }
        const Reply* reply = nullptr;
        Reply sampleReply;
        if (command == "*STB?") {
            reply = &m_scenario.statusReply;
        } else if (command == ":FRD?" && m_scenario.resultForSample) {
            sampleReply = {{0, m_scenario.resultForSample(m_resultsAnswered++)}};
            reply = &sampleReply;
        } else if (command == ":FRD?") {
            reply = &m_scenario.resultReply;
        }
        if (reply)
            response.reply.insert(response.reply.end(), reply->begin(), reply->end());
    }
    return response;
}

} // namespace zentosim
