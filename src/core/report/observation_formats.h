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

// The verdict as the outputs say it: under a guard band, Pass and Fail say
// so ("Fail (10 % guard band)").
QString shownObservationVerdict(const ObservationResult& result);

// Class D: what the limits came from, in words: "the typed power 75 W
// (highest measured: 70.2 W)" or "the highest measured power 60 W (not
// within 10 % of the typed 75 W)"; "-" without a typed power.
QString powerBasisText(const ObservationJudgement& judgement);
// Class C: "median 1 A (sample 4), power factor 0.95; over 10 % from it in
// samples 3, 7"; "-" without a judged sample.
QString fundamentalBasisText(const ObservationJudgement& judgement);

// verdict (shownObservationVerdict), class, power (the typed Class D power;
// "" for the other classes), duration_s, elapsed_s, samples (the judged
// samples), samples_not_judged, sample_interval_s, sampling (the sentence),
// rules, edition ("1995", "2018"), professional, judgement_notes (an array:
// the rules not judged and why; "notes" are the product's), guard_band_pct,
// harmonics (39 objects: order, limit_ma (a number; null where the class sets
// none), guarded_limit_ma (the limit less the guard band: what it was judged
// against), average_ma, maximum_ma, average_pct, maximum_pct (not rounded;
// null without a limit), state as `measure` names it, provision_used: the
// Class A 200 % provision allowed its samples), closest ({order,
// percent_of_limit, guarded}: the judged order whose average is nearest its
// limit, the limit it was judged against; null without one),
// stored_rules (only for a stored observation judged again by rules other
// than those it was stored under), pohc
// (measured_ma, limit_ma, guarded_limit_ma, allowance_applied; null for
// Class B and C), measured_at (the start), electrical (volts, amps, watts,
// power_factor, frequency: each {average, minimum, maximum} over the judged
// samples, or null), problem (observationProblem, only when there is one),
// and the record's header (insertHeader: record_id once stored, store, port,
// device, tool_version, simulated, the product fields). Class D adds
// highest_power_w, power_differs (the highest measured power not within
// 10 % of the typed one), power_basis ("typed" or "measured") and basis_w
// (the power the limits come from); Class C fundamental_a and power_factor
// (the median sample's, its limits come from), fundamental_sample (its
// number, from 1), fundamental_varies and fundamental_varying_samples (the
// numbers of the samples over 10 % from the median).
QJsonObject observationJson(const ObservationRecord& record);

// RFC 4180: a header line, then one line per order (39), each ended by
// CR LF: the observation's values (with the header's columns, the Class D
// highest_power_w and power_differs, empty for another class, and problem)
// repeated, then the order's, the rules, the sampling sentence and
// provision_used ("yes" or "no"); guard_band_pct, guarded_limit_ma,
// edition and professional ("yes" or "no") last.
QString observationCsv(const ObservationRecord& record);

// A table for a terminal: the record's header (headerText), the
// observation's values ("Edition: ..." after the class) and electrical
// values, the sampling sentence, the rule set ("Judged again: stored under
// ..." when it changed since), one line per order (its state followed by
// "(200 % provision)" where that provision was used), POHC, the problem if
// any, each note ("Note: ..."), the closest line ("Closest to its limit:
// 19th harmonic, 28.5 %") and "Verdict: <text>" as the last line.
QString observationText(const ObservationRecord& record);
