#pragma once

#include "class_evaluation.h"
#include "judgement.h"

#include <QString>

// The per-harmonic verdict scheme shared by all classes: the not-tested rule
// (measured below 5 mA or below 0.6 % of the rms current: not tested, a
// disregarded current that never fails), then the limit test (measured above
// the limit: failed).

namespace evaluation {

// The current (mA) below which a harmonic is not tested, for the rms current
// text `amps` (A): 0.6 % of it as shown to 15 digits, and never below 5 mA.
double notTestedBelowMa(const QString& amps);
// The same for an rms current in A as a number (a recorded window's).
double notTestedBelowMa(double ampsA);

// One harmonic's state from its measured current and limit (mA) and
// `notTestedBelow` as notTestedBelowMa gives it. Sets `failed` (never clears
// it) when a tested current is above the limit.
CellState judgeHarmonic(double measuredMa, double limitMa, double notTestedBelow, bool& failed);

// Judges cell `cell` (its current and limit texts) against the limit already
// in the judgement.
void judgeCell(Judgement& judgement, int cell, double notTestedBelow);

} // namespace evaluation
