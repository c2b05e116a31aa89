#include "verdict_scheme.h"

#include "conversions.h"
#include "evaluation_steps.h"

CellState judgeHarmonic(const QString& measuredMa, const QString& limit, const QString& amps,
                        bool& failed)
{
    const double limitMa = NumericValue(limit);
    const double measured = NumericValue(measuredMa);

    // Not-tested rule: below 0.6 % of the rms current (both in mA) or below
    // 5 mA. Exactly 5 mA or exactly 0.6 % is tested, so the threshold is taken
    // as shown, to 15 digits: 0.006 * 0.01 A * 1000 is 0.060000000000000005 in
    // double, meant as 0.06. Such a current is disregarded: it never fails,
    // whatever its limit.
    const double rmsAmps = NumericValue(amps);
    const double sixPerMille = evaluation::asShown(0.006 * rmsAmps * 1000);
    if (measured < sixPerMille || measured < 5)
        return CellState::NotTested;

    // Limit test: a current equal to its limit passes.
    if (measured > limitMa) {
        failed = true;
        return CellState::Fail;
    }
    return CellState::Pass;
}

namespace evaluation {

void judgeCell(Judgement& judgement, int cell, const MeasuredValues& measured)
{
    judgement.states[cell] = judgeHarmonic(judgement.currents[cell], judgement.limits[cell],
                                           measured.amps, judgement.anyFailed);
}

} // namespace evaluation
