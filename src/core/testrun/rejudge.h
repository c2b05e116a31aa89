#pragma once

#include "class_evaluation.h"
#include "cycle_result.h"

#include <QString>

// A stored measurement judged again under another class, as a live cycle
// would have judged the same reply line: the line is parsed again (SortOut),
// judged by Limits and given its verdict by MeasurementCycle::replyVerdict.
// The line counts as ended when it ends with CR or LF. `power`: the Class D
// power text in W, ignored for the other classes; `guardBandPct`: every
// limit reduced by it for the verdict. measuredAt is kept.
CycleResult judgeAgain(const CycleResult& stored, ProductClass productClass, const ClassDPower& power,
                       double guardBandPct = 0);
