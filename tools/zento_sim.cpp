// zento-sim: a stand-in for the Zento power analyzer on a pseudo-terminal.
//
// It prints the device path of the terminal's slave side as the first line of
// its standard output; a program that opens that device talks to the simulated
// analyzer as it would over a serial line. Every received line and every write
// is logged with a timestamp (see sim_log.h).

#include "sim_line.h"
#include "sim_log.h"
#include "sim_loop.h"
#include "sim_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using zentosim::EventLog;
using zentosim::Line;
using zentosim::Scenario;
using zentosim::Simulator;

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
    if (!zentosim::installSignalHandlers(&error)) {
        std::fprintf(stderr, "zento-sim: %s\n", error.c_str());
        return 1;
    }
    Line line;
    if (!zentosim::openLine(&line, &error)) {
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
