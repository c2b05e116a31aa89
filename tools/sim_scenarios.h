#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zentosim {

// One measurement as the analyzer reports it to ":FRD?" after the tool's
// configuration: true power (W), rms voltage (V), rms current (A), power
// factor, frequency (Hz), apparent power (VA), reactive power (var),
// fundamental current (A), then the currents of harmonics 2 to 40 (A).
struct Measurement
{
    double truePower = 0;
    double voltage = 0;
    double current = 0;
    double powerFactor = 0;
    double frequency = 0;
    double apparentPower = 0;
    double reactivePower = 0;
    double fundamental = 0;
    std::array<double, 39> harmonics{}; // [0] is the 2nd harmonic, [38] the 40th
};

inline constexpr int resultFieldCount = 47;

// A number the way the analyzer writes it: "7.5000E+01", "3.1000E-03".
std::string analyzerNumber(double value);

// The first count fields separated by commas, without a line end.
std::string joinFields(const std::vector<std::string>& fields, std::size_t count);

// The ":FRD?" reply line: the first fieldCount fields of the measurement,
// separated by commas, ended by CR LF.
std::string resultLine(const Measurement& measurement, int fieldCount = resultFieldCount);

// The 47 fields of the ":FRD?" reply as the analyzer writes them, without
// separators or line end. The harmonic n (2 to 40) is field n + 6.
std::vector<std::string> resultFields(const Measurement& measurement);

const Measurement& passingMeasurement();
const Measurement& failingMeasurement();

// A piece of a reply, written delayMs after the previous piece (the first one
// delayMs after the query arrived).
struct Chunk
{
    int delayMs = 0;
    std::string bytes;
};
using Reply = std::vector<Chunk>;

// What a streaming analyzer sends, from the first line it receives until the
// stream's size (--stream-bytes) has been written, as fast as the line takes it.
enum class Stream {
    None,
    Bytes, // result fields and commas without any line end
    Lines, // whole result lines, each ended by CR LF
};

// How the simulated analyzer behaves. An empty reply leaves that query
// unanswered; every command other than the two queries is accepted silently.
struct Scenario
{
    std::string name;
    std::string summary;
    Reply statusReply; // answer to "*STB?"
    Reply resultReply; // answer to ":FRD?"
    // The command ("*TRG", "*STB?", ":FRD?") on whose arrival the analyzer
    // hangs up the line instead of answering; empty: never.
    std::string hangUpOn = {};
    Stream stream = Stream::None;
    // When set, the sample-th ":FRD?" answered since the start (from 0) is
    // answered with this line instead of resultReply: each measurement cycle
    // of an observation is one sample, and its reply may differ from the last.
    std::function<std::string(int sample)> resultForSample = {};
};

// The scenarios whose every result reply is the same, "pass" first.
std::vector<Scenario> fixedScenarios();

} // namespace zentosim
