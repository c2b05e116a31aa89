#include "sim_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zentosim {

std::string escapeBytes(std::string_view bytes)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte >= 0x20 && byte < 0x7f) {
                out += c;
            } else {
                out += "\\x";
                out += hexDigits[byte >> 4];
                out += hexDigits[byte & 0x0f];
            }
        }
    }
    return out;
}

std::string wallClockStamp()
{
    using namespace std::chrono;
    const long long ms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

EventLog::EventLog() : m_out(stderr) {}

EventLog::~EventLog()
{
    if (m_ownsFile)
        std::fclose(m_out);
}

bool EventLog::openFile(const std::string& path, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        if (error)
            *error = "cannot write the log file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (m_ownsFile)
        std::fclose(m_out);
    m_out = file;
    m_ownsFile = true;
    return true;
}

void EventLog::received(std::string_view bytes)
{
    writeLine("RX", '"' + escapeBytes(bytes) + '"');
}

void EventLog::sent(std::string_view bytes)
{
    writeLine("TX", '"' + escapeBytes(bytes) + '"');
}

void EventLog::event(std::string_view text)
{
    writeLine("EV", text);
}

void EventLog::writeLine(std::string_view kind, std::string_view payload)
{
    std::string line = wallClockStamp();
    line += ' ';
    line += kind;
    line += ' ';
    line += payload;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}

} // namespace zentosim
