#pragma once

#include "class_evaluation.h"
#include "judgement.h"

#include <QString>

// The per-harmonic verdict scheme shared by all classes: the not-tested rule
// (measured below 5 mA or below 0.6 % of the rms current: not tested, a
// disregarded current that never fails), then the limit test (measured above
// the limit: failed). `measuredMa` and `limit` are the cell texts (mA),
// `amps` the rms current text (A). Sets `failed` (never clears it) when a
// tested current is above the limit.
CellState judgeHarmonic(const QString& measuredMa, const QString& limit, const QString& amps,
                        bool& failed);

namespace evaluation {

// Judges cell `cell` against the limit already in the judgement.
void judgeCell(Judgement& judgement, int cell, const MeasuredValues& measured);

} // namespace evaluation
