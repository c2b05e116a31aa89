#pragma once

#include "observation_record.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>

// Renderings of a timed observation: what `iec1000 observe` prints, what
// `evaluate --record` of an observation prints, and the CSV and JSON report
// files. Each names the rule set and says how the samples were taken
// (samplingSentence).

// One electrical value over the judged samples: their mean, lowest and
// highest; none when no judged sample gave it as a number.
struct ValueRange
{
    double average = 0;
    double minimum = 0;
    double maximum = 0;
};

// The five measured values a report gives beside the harmonics, in this
// order: voltage (V), current (A), power (W), power factor, frequency (Hz).
struct ElectricalValue
{
    const char* key;     // "volts", "amps", "watts", "power_factor", "frequency"
    const char* caption; // "Voltage", ...
    const char* unit;    // "V", ...; "" for the power factor
    int decimals;        // as reports print them
    std::optional<ValueRange> range;
};
std::array<ElectricalValue, 5> electricalValues(const ObservationResult& result);
// "230.1 V (229.8 to 230.4 V)"; "-" without a range.
QString electricalText(const ElectricalValue& value);

// Why an observation has no verdict or what it found amiss: the observation's
// problem, else its class's (a power out of range), else for "Incomplete
// observation" why the samples did not suffice; empty when there is none.
QString observationProblem(const ObservationResult& result);

// verdict, class, power (the typed Class D power; "" for the other classes),
// duration_s, elapsed_s, samples (the judged samples), samples_not_judged,
// sample_interval_s, sampling (the sentence), rules, harmonics (39 objects:
// order, limit_ma (a number; null where the class sets none), average_ma,
// maximum_ma, average_pct, maximum_pct (null without a limit), state as
// `measure` names it), pohc (measured_ma, limit_ma, allowance_applied; null
// for Class B and C), measured_at (the start), electrical (volts, amps,
// watts, power_factor, frequency: each {average, minimum, maximum} over the
// judged samples, or null), problem (observationProblem, only when there is
// one), and the record's header (insertHeader: record_id once stored, store,
// port, device, tool_version, simulated, the product fields).
// Class D adds highest_power_w and power_differs (over 10 % from the typed
// power); Class C fundamental_a and power_factor, the sample its limits come
// from.
QJsonObject observationJson(const ObservationRecord& record);

// RFC 4180: a header line, then one line per order (39), each ended by
// CR LF: the observation's values (with the header's columns, the Class D
// highest_power_w and power_differs, empty for another class, and problem)
// repeated, then the order's.
QString observationCsv(const ObservationRecord& record);

// A table for a terminal: the record's header (headerText), the
// observation's values and electrical values, the sampling sentence,
// the rule set, one line per order, POHC, the problem if any, and
// "Verdict: <text>" as the last line.
QString observationText(const ObservationRecord& record);
