#pragma once

#include "class_evaluation.h"
#include "cycle_result.h"

#include <QString>

// A stored measurement judged again under `choice` (its class, Class D
// power, guard band, edition and category), as a live cycle would have
// judged the same reply line: the line is parsed again (SortOut), judged by
// Limits and given its verdict by MeasurementCycle::replyVerdict. The line
// counts as ended when it ends with CR or LF. measuredAt is kept.
CycleResult judgeAgain(const CycleResult& stored, const ClassChoice& choice);
