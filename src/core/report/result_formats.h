#pragma once

#include "cycle_result.h"
#include "measurement_record.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// Renderings of one measurement. Every value is the text the window shows:
// the five measured values, each harmonic's current in mA and its limit
// ("1080mA"). A harmonic's current is the judged current (Judgement::currents)
// when the class judged the measurement, the parsed one otherwise. A value
// that is not there is null in JSON, "" in CSV and "-" in text.

// The verdict as the outputs say it: under a guard band, Pass and Fail say
// so ("Fail (10 % guard band)").
QString shownVerdict(const CycleResult& result);

// The object `iec1000 evaluate --format json` prints: verdict (shownVerdict), class ("A" to
// "D", "" when none was selected), power, measured_power_w (null when not a
// number) and power_differs (over 10 % apart, powerDiffersLine) for Class D only, guard_band_pct,
// fields_found, volts, amps, watts,
// power_factor, frequency, harmonics (39 objects: order, current_ma, limit, state), problem (only
// when there is one), measured_at (null for a reply judged from a file, which
// has no time), reply. Beside the texts each harmonic has
// numbers: current_ma_value (the current in mA; null when it is not a
// number), limit_ma (null where the class sets no limit), guarded_limit_ma
// (the limit reduced by the guard band, what the cell was judged against)
// and percent_of_limit (the current as a percentage of its limit, not
// rounded; null where the harmonic was not judged). rules names the rules
// (measurementRules of the edition: "IEC 1000-3-2 limits, one analyzer
// snapshot"); closest is the tested
// order nearest its limit, {order, percent_of_limit, guarded}, null when none
// was or the result has no verdict. edition ("1995", "2018") and
// professional name what it was judged by; Class D adds power_basis ("typed",
// "measured") and basis_w (the power its limits came from) when a limit was
// computed; judgement_notes (an array: the rules not judged and why);
// lab_basis ({power_basis, basis_w, verdict (labVerdict: "Pass", "Fail", "No verdict";
// null for a result without a verdict), closest}) only for a judgement with
// a lab basis (Judgement::lab).
QJsonObject resultJson(const CycleResult& result);

// {order, percent_of_limit (not rounded; of the guarded limit under a guard
// band), guarded (true under a guard band)}; null without one.
QJsonValue closestJson(const std::optional<ClosestOrder>& closest);

// RFC 4180: a header line, then one line per harmonic (39), each ended by
// CR LF. Columns: verdict, class, power, measured_at, volts, amps, watts,
// power_factor, frequency, order, current_ma, limit, state, limit_ma,
// percent_of_limit, guard_band_pct, guarded_limit_ma (the numbers of
// resultJson; empty where null there), rules, edition, professional ("yes"
// or "no"), power_basis, basis_w (empty without a Class D basis),
// lab_verdict (empty without one). A
// field that starts with "=", "+", "-", "@", a tab or a CR and is not a
// number is written with a leading "'", so that a spreadsheet shows it as
// text instead of running it as a formula.
QString resultCsv(const CycleResult& result);

// A table for a terminal: when it was measured (when known), the class,
// "Edition: IEC 1000-3-2 (1995)" (editionShown), for Class D its power basis
// ("Power basis: typed 75 W"), the measured values with units, the rules, the
// guard band (when one is given), for Class D the line of powerDiffersLine
// (when the powers differ), one line per harmonic with its % of limit (and
// its guarded limit under a guard band; "Harmonics: -" instead when no
// harmonic has a current or a limit), the problem if any, each note ("Note:
// ..."), for a Pass or Fail "Closest to its limit: 19th harmonic, 28.5 %",
// the lab's basis ("Lab basis: " and labBasisLine) when there is one, and
// "Verdict: <text>" as the last line. Texts
// from the analyzer or the record are escaped (escapedText).
QString resultText(const CycleResult& result);

// What `iec1000 measure` prints of the measurement it recorded: resultJson
// with the record's header (insertHeader: record_id once the store gave the
// record its id, store, port, device, tool_version, simulated, the product
// fields).
QJsonObject measurementJson(const MeasurementRecord& record);
// resultText with the record's header (headerText) in front of it.
QString measurementText(const MeasurementRecord& record);

// The report's JSON: measurementJson plus id (record_id's number again).
QJsonObject recordJson(const MeasurementRecord& record);

// resultCsv's columns with the record's header columns (headerColumns:
// record_id to conditions) before limit_ma, repeated on every line; what
// `measure --format csv` prints and the report's CSV.
QString recordCsv(const MeasurementRecord& record);

// One RFC 4180 line of `fields`, quoted where needed, ended by CR LF.
QString csvRow(const QStringList& fields);

// The measurement time as ISO 8601 with its UTC offset, seconds precision:
// "2026-12-07T16:10:38+01:00". A zero offset is written "+00:00", never "Z".
// "" for an invalid time.
QString isoTimestamp(const QDateTime& time);
