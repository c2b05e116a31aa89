#include "verdict_scheme.h"

#include "conversions.h"
#include "evaluation_steps.h"

#include <algorithm>

namespace evaluation {

double notTestedBelowMa(const QString& amps)
{
    // Not-tested rule: below 0.6 % of the rms current (both in mA) or below
    // 5 mA. Exactly 5 mA or exactly 0.6 % is tested, so the threshold is taken
    // as shown, to 15 digits: 0.006 * 0.01 A * 1000 is 0.060000000000000005 in
    // double, meant as 0.06. Such a current is disregarded: it never fails,
    // whatever its limit.
    return notTestedBelowMa(NumericValue(amps));
}

double notTestedBelowMa(double ampsA)
{
    return std::max(evaluation::asShown(0.006 * ampsA * 1000), 5.0);
}

CellState judgeHarmonic(double measured, double limitMa, double notTestedBelow, bool& failed)
{
    if (measured < notTestedBelow)
        return CellState::NotTested;

    // Limit test: a current equal to its limit passes.
    if (measured > limitMa) {
        failed = true;
        return CellState::Fail;
    }
    return CellState::Pass;
}

void judgeCell(Judgement& judgement, int cell, double notTestedBelow)
{
    judgement.states[cell] =
        judgeHarmonic(NumericValue(judgement.currents[cell]), NumericValue(judgement.limits[cell]),
                      notTestedBelow, judgement.anyFailed);
}

} // namespace evaluation
