#include "class_evaluation.h"

#include "evaluation_steps.h"
#include "guard_band.h"

namespace {

Judgement classJudgement(ProductClass productClass, const MeasuredValues& measured,
                         const ClassDPower& power)
{
    switch (productClass) {
    case ProductClass::A:
        return ClassA(measured);
    case ProductClass::B:
        return ClassB(measured);
    case ProductClass::C:
        return ClassC(measured);
    case ProductClass::D:
        return ClassD(measured, power);
    case ProductClass::None:
        break;
    }
    Judgement none = evaluation::startJudgement(ProductClass::None, measured);
    none.evaluation = {Evaluation::NoClass, {}};
    return none;
}

} // namespace

Judgement Limits(ProductClass productClass, const MeasuredValues& measured, const ClassDPower& power,
                 double guardBandPct)
{
    Judgement judgement = classJudgement(productClass, measured, power);
    applyGuardBand(judgement, measured.amps, guardBandPct);
    return judgement;
}
