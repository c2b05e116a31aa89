#pragma once

#include "observation_record.h"

#include <QJsonObject>
#include <QString>

// Renderings of a timed observation: what `iec1000 observe` prints, what
// `evaluate --record` of an observation prints, and the CSV and JSON report
// files. Each names the rule set and says how the samples were taken
// (samplingSentence).

// verdict, class, power (the typed Class D power; "" for the other classes),
// duration_s, elapsed_s, samples (the judged samples), samples_not_judged,
// sample_interval_s, sampling (the sentence), rules, harmonics (39 objects:
// order, limit_ma (a number; null where the class sets none), average_ma,
// maximum_ma, average_pct, maximum_pct (null without a limit), state as
// `measure` names it), pohc (measured_ma, limit_ma, allowance_applied; null
// for Class B and C), measured_at (the start), record_id (once stored),
// problem (only when there is one), the product fields that are not empty.
// Class D adds highest_power_w and power_differs (over 10 % from the typed
// power); Class C fundamental_a and power_factor, the sample its limits come
// from.
QJsonObject observationJson(const ObservationRecord& record);

// RFC 4180: a header line, then one line per order (39), each ended by
// CR LF: the observation's values repeated, then the order's.
QString observationCsv(const ObservationRecord& record);

// A table for a terminal: the observation's values, the sampling sentence,
// the rule set, one line per order, POHC, the problem if any, and
// "Verdict: <text>" as the last line.
QString observationText(const ObservationRecord& record);
