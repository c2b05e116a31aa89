#include "sim_scenarios.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace zentosim {

std::string analyzerNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4E", value);
    return text;
}

std::vector<std::string> resultFields(const Measurement& m)
{
    std::vector<double> values = {m.truePower, m.voltage,       m.current,       m.powerFactor,
                                  m.frequency, m.apparentPower, m.reactivePower, m.fundamental};
    values.insert(values.end(), m.harmonics.begin(), m.harmonics.end());
    std::vector<std::string> fields;
    for (const double value : values)
        fields.push_back(analyzerNumber(value));
    return fields;
}

std::string joinFields(const std::vector<std::string>& fields, std::size_t count)
{
    std::string line;
    for (std::size_t i = 0; i < count && i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += fields[i];
    }
    return line;
}

std::string resultLine(const Measurement& m, int fieldCount)
{
    return joinFields(resultFields(m), static_cast<std::size_t>(std::max(fieldCount, 0))) + "\r\n";
}

namespace {

constexpr double milliamperes = 0.001;

// A small lamp ballast of 75 W: comfortably inside the limits of every class,
// Class D taken at the 75 W the operator's field starts with. Its lowest
// currents lie below 5 mA and show as not tested.
Measurement makePassing()
{
    Measurement m;
    m.truePower = 75.0;
    m.voltage = 230.1;
    m.current = 0.343;
    m.powerFactor = 0.95;
    m.frequency = 50.0;
    m.apparentPower = 78.92; // 230.1 V x 0.343 A
    m.reactivePower = 24.58;
    m.fundamental = 0.330;
    const std::array<double, 39> mA = {
        3.1, 80.2, 2.1, 28.4, 1.4, 19.6, 1.0, 12.1, 0.9, 8.2, // 2nd to 11th
        0.8, 7.1,  0.7, 6.3,  0.7, 5.6,  0.6, 5.2,  0.6, 4.9, // 12th to 21st
        0.5, 4.7,  0.5, 4.5,  0.5, 4.3,  0.4, 4.1,  0.4, 3.9, // 22nd to 31st
        0.4, 3.7,  0.3, 3.5,  0.3, 3.3,  0.3, 3.1,  0.3,      // 32nd to 40th
    };
    for (std::size_t i = 0; i < mA.size(); ++i)
        m.harmonics[i] = mA[i] * milliamperes;
    return m;
}

// A rectifier load of 550 W with a 3rd harmonic of 3.5 A: above the 3rd
// harmonic limit of every class (A 2.3 A, B 3.45 A, C 30 % x PF of 3.9 A,
// D 255 mA at 75 W).
Measurement makeFailing()
{
    Measurement m;
    m.truePower = 550.0;
    m.voltage = 229.8;
    m.current = 4.2;
    m.powerFactor = 0.57;
    m.frequency = 50.0;
    m.apparentPower = 965.2; // 229.8 V x 4.2 A
    m.reactivePower = 793.1;
    m.fundamental = 3.9;
    const std::array<double, 39> mA = {
        12.0, 3500.0, 8.0, 900.0, 6.0, 450.0, 5.0, 250.0, 4.0, 150.0, // 2nd to 11th
        4.0,  100.0,  3.0, 80.0,  3.0, 70.0,  3.0, 60.0,  2.0, 50.0,  // 12th to 21st
        2.0,  45.0,   2.0, 40.0,  2.0, 35.0,  2.0, 30.0,  2.0, 28.0,  // 22nd to 31st
        1.0,  26.0,   1.0, 24.0,  1.0, 22.0,  1.0, 20.0,  1.0,        // 32nd to 40th
    };
    for (std::size_t i = 0; i < mA.size(); ++i)
        m.harmonics[i] = mA[i] * milliamperes;
    return m;
}

Reply now(const std::string& bytes)
{
    return {{0, bytes}};
}

constexpr std::size_t harmonicField(int harmonic)
{
    return static_cast<std::size_t>(harmonic + 6);
}

// The passing reply with some fields replaced by other text.
std::string passLineWith(std::initializer_list<std::pair<int, std::string>> harmonics)
{
    std::vector<std::string> fields = resultFields(passingMeasurement());
    for (const auto& [harmonic, text] : harmonics)
        fields[harmonicField(harmonic)] = text;
    return joinFields(fields, fields.size()) + "\r\n";
}

// The passing reply whose 40th harmonic reads a failing 0.5 A, cut after "0.":
// no line end follows.
std::string cutPassLine()
{
    std::vector<std::string> fields = resultFields(passingMeasurement());
    fields.back() = "0.";
    return joinFields(fields, fields.size());
}

// The failing reply with field `field` (1 to 47) replaced by `text`.
std::string failLineWithField(int field, const std::string& text)
{
    std::vector<std::string> fields = resultFields(failingMeasurement());
    fields[static_cast<std::size_t>(field - 1)] = text;
    return joinFields(fields, fields.size()) + "\r\n";
}

std::vector<Scenario> fixedScenariosTable()
{
    const std::string passLine = resultLine(passingMeasurement());
    // The table: add a scenario by adding a row.
    return {
        {"pass", "a measurement that passes every class", now("1\r\n"), now(passLine)},
        {"fail", "a measurement that fails every class (3rd harmonic 3.5 A)", now("1\r\n"),
         now(resultLine(failingMeasurement()))},
        {"class-d-basis",
         "the passing 75 W measurement with a 3rd harmonic of 280 mA: within Class D's limit "
         "at a typed 90 W (306 mA), above it at the measured 75 W (255 mA)",
         now("1\r\n"), now(passLineWith({{3, "2.8000E-01"}}))},
        {"silent", "answers nothing at all", {}, {}},
        {"status-split",
         "the status line arrives in four pieces, 100 ms apart",
         {{0, " "}, {100, "1"}, {100, "\r"}, {100, "\n"}},
         now(passLine)},
        {"status-never", "the status always reads 0", now("0\r\n"), now(passLine)},
        {"status-3", "the status reads 3 (other bits set)", now("3\r\n"), now(passLine)},
        {"short", "the result reply has only 20 fields", now("1\r\n"),
         now(resultLine(passingMeasurement(), 20))},
        {"empty", "the result reply is an empty line", now("1\r\n"), now("\r\n")},
        {"no-reply", "the result query goes unanswered", now("1\r\n"), {}},
        {"late-line-end",
         "the CR LF of the status line follows the 1 after 400 ms",
         {{0, "1"}, {400, "\r\n"}},
         now(passLine)},
        {"close-mid-cycle", "closes the line when it receives *TRG", now("1\r\n"), now(passLine),
         "*TRG"},
        {"hang-up", "hangs up the line when it receives *STB?", now("1\r\n"), now(passLine),
         "*STB?"},
        {"hang-up-result", "hangs up the line when it receives :FRD?", now("1\r\n"), now(passLine),
         ":FRD?"},
        {"garbage-nan", "harmonics 4 to 7 read \"nan\", \"inf\", blanks and nothing", now("1\r\n"),
         now(passLineWith({{4, "nan"}, {5, "inf"}, {6, "   "}, {7, ""}}))},
        {"garbage-nul", "the 8th harmonic reads a NUL byte, then a failing 0.5", now("1\r\n"),
         now(passLineWith({{8, std::string(1, '\0') + "0.5"}}))},
        {"garbage-ff", "the 8th harmonic reads a 0xFF byte, then a failing 0.5", now("1\r\n"),
         now(passLineWith({{8, "\xff"
                               "0.5"}}))},
        {"cut-reply", "the result reply ends without a line end, inside the 40th harmonic \"0.\"",
         now("1\r\n"), now(cutPassLine())},
        {"over-range",
         "the failing measurement, its rms current read as the over-range code 9.9100E+37",
         now("1\r\n"), now(failLineWithField(3, "9.9100E+37"))},
        {"stray-line",
         "a line \"1,\" follows the status line after 100 ms",
         {{0, "1\r\n"}, {100, "1,\r\n"}},
         now(passLine)},
        {"stream", "streams result fields without line ends from the first line it receives",
         now("1\r\n"), now(passLine), "", Stream::Bytes},
        {"stream-lines", "streams result lines from the first line it receives", now("1\r\n"),
         now(passLine), "", Stream::Lines},
    };
}

} // namespace

const Measurement& passingMeasurement()
{
    static const Measurement measurement = makePassing();
    return measurement;
}

const Measurement& failingMeasurement()
{
    static const Measurement measurement = makeFailing();
    return measurement;
}

std::vector<Scenario> fixedScenarios()
{
    return fixedScenariosTable();
}

} // namespace zentosim
