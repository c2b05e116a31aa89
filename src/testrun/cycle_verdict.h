#pragma once

#include "class_evaluation.h"

#include <QtGlobal>

// What a measurement cycle may show at its end. Only a complete reply that
// was judged can be called "Pass" or "Fail".
enum class CycleVerdict {
    Pass,       // complete reply, judged, no harmonic above its limit
    Fail,       // complete reply, judged, at least one harmonic above its limit
    Incomplete, // the reply had fewer than 47 fields (or none at all)
    NotJudged,  // the class's inputs could not be converted, or no class was chosen
};

CycleVerdict cycleVerdict(int fieldsFound, const Evaluation& evaluation, qint16 TestFailed);
