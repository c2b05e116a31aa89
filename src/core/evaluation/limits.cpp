#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "guard_band.h"
#include "power_basis.h"

#include <cmath>

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

// The failed cell furthest above its limit (guarded under a guard band):
// "3rd 280 mA against 255 mA".
QString worstFailure(const Judgement& judgement)
{
    // The limit cell i was judged against.
    const auto judgedLimit = [&](std::size_t i) {
        const double limit = NumericValue(judgement.limits[i]);
        return judgement.guardBandPct > 0 ? guardedLimitMa(limit, judgement.guardBandPct) : limit;
    };
    int worst = -1;
    double worstRatio = 0;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        if (judgement.states[i] != CellState::Fail)
            continue;
        const double limit = judgedLimit(i);
        const double ratio = limit > 0 ? NumericValue(judgement.currents[i]) / limit : 0;
        if (worst < 0 || ratio > worstRatio) {
            worst = cell;
            worstRatio = ratio;
        }
    }
    if (worst < 0)
        return QString();
    const auto i = std::size_t(worst);
    const double limit = judgedLimit(i);
    QString order = harmonicName(harmonicOrder(worst));
    order.chop(QStringLiteral(" harmonic").size());
    return QStringLiteral("%1 %2 mA against %3 mA")
        .arg(order, NumberText(NumericValue(judgement.currents[i])), NumberText(limit));
}

// The Class D judgement of an edition that judges by the typed power, at
// the measured power: what the lab's verdict would be.
LabBasis labBasis(const MeasuredValues& measured, const ClassDPower& typed, double measuredW,
                  double guardBandPct)
{
    LabBasis lab;
    lab.typedW = *typed.watts();
    lab.measuredW = measuredW;
    lab.basisW = measuredW;
    if (measuredW <= 0) {
        lab.evaluation = {Evaluation::NotJudged,
                          QStringLiteral("the measured power %1 W gives no Class D limits")
                              .arg(NumberText(measuredW))};
        return lab;
    }
    Judgement atMeasured = ClassDAt(measured, typed.text(), measuredW);
    applyGuardBand(atMeasured, measured.amps, guardBandPct);
    lab.evaluation = atMeasured.evaluation;
    lab.anyFailed = atMeasured.anyFailed;
    lab.closest = closestOrder(atMeasured);
    lab.worstFailure = worstFailure(atMeasured);
    return lab;
}

// The rated power the scope reads: the typed Class D power where one is
// typed, otherwise the measured power; and which of the two it is.
std::optional<std::pair<double, QString>> ratedPower(const ClassChoice& choice,
                                                     std::optional<double> measuredW)
{
    if (choice.productClass == ProductClass::D && choice.power.watts())
        return std::pair{*choice.power.watts(), QStringLiteral("typed power")};
    if (measuredW)
        return std::pair{*measuredW, QStringLiteral("measured power")};
    return std::nullopt;
}

} // namespace

QString notLimitedReason(const ClassChoice& choice, std::optional<double> measuredW)
{
    const EditionRules& rules = editionRules(choice.edition);
    const auto rated = ratedPower(choice, measuredW);
    if (!rated || choice.productClass == ProductClass::None)
        return QString();
    const auto [watts, whose] = *rated;
    QString what;
    if (choice.productClass == ProductClass::C) {
        if (rules.lightingUnlimitedUpToW && watts <= *rules.lightingUnlimitedUpToW)
            what = QStringLiteral("lighting of %1 W or less")
                       .arg(NumberText(*rules.lightingUnlimitedUpToW));
    } else if (rules.otherUnlimitedUpToW && watts <= *rules.otherUnlimitedUpToW) {
        what = QStringLiteral("equipment other than lighting of %1 W or less")
                   .arg(NumberText(*rules.otherUnlimitedUpToW));
    } else if (choice.productClass == ProductClass::A && choice.professional &&
               rules.professionalUnlimitedAboveW && watts > *rules.professionalUnlimitedAboveW) {
        what = QStringLiteral("professional equipment above %1 kW")
                   .arg(NumberText(*rules.professionalUnlimitedAboveW / 1000));
    }
    if (what.isEmpty())
        return QString();
    return QStringLiteral("Not limited under %1: %2 (%3 %4 W)")
        .arg(editionTitle(choice.edition), what, whose, NumberText(watts));
}

QString lowPowerLightingNote()
{
    return QStringLiteral("IEC 61000-3-2 has its own rules for lighting of 25 W or less, which "
                          "this edition does not apply: judge it with edition 2018 "
                          "(--edition 2018)");
}

QString labBasisLine(const Judgement& judgement)
{
    if (!judgement.lab)
        return QString();
    const LabBasis& lab = *judgement.lab;
    QString outcome;
    if (lab.evaluation.status != Evaluation::Judged)
        outcome = QStringLiteral("cannot be judged: ") + lab.evaluation.problem;
    else if (lab.anyFailed)
        outcome = QStringLiteral("fails (%1)").arg(lab.worstFailure);
    else
        outcome = QStringLiteral("passes");
    return QStringLiteral("Measured %1 W is outside 90-110 % of the typed %2 W: at the lab's "
                          "basis the product %3")
        .arg(NumberText(lab.measuredW), NumberText(lab.typedW), outcome);
}

Judgement Limits(const ClassChoice& choice, const MeasuredValues& measured)
{
    const EditionRules& rules = editionRules(choice.edition);
    const std::optional<double> measuredW = StrictNumber(measured.watts);
    const ClassDPower power = choice.classDPower();
    Judgement judgement;
    // The typed Class D power is checked first: out of its range nothing is
    // judged, whatever the edition.
    const bool typedUsable = choice.productClass != ProductClass::D || power.inRange();
    const QString unlimited = typedUsable ? notLimitedReason(choice, measuredW) : QString();
    // Lighting the edition gives limits of its own.
    const bool lowPowerLamp = choice.productClass == ProductClass::C &&
                              rules.lowPowerLightingUpToW && measuredW &&
                              *measuredW <= *rules.lowPowerLightingUpToW;
    if (!unlimited.isEmpty()) {
        judgement = evaluation::startJudgement(choice.productClass, measured);
        judgement.power = power.text();
        judgement.evaluation = {Evaluation::NotLimited, unlimited};
    } else if (lowPowerLamp) {
        judgement = LowPowerLighting(measured, *measuredW, choice.guardBandPct);
    } else if (choice.productClass == ProductClass::D && typedUsable && measuredW &&
               labPowerBasis(power.watts(), measuredW) == PowerBasis::Measured) {
        if (rules.classDMeasuredBasis) {
            judgement = ClassDAt(measured, power.text(), *measuredW);
            judgement.powerBasis = PowerBasis::Measured;
        } else {
            judgement = classJudgement(choice.productClass, measured, power);
            judgement.lab = labBasis(measured, power, *measuredW, choice.guardBandPct);
        }
    } else {
        judgement = classJudgement(choice.productClass, measured, power);
    }

    if (choice.productClass == ProductClass::C && judgement.evaluation.status == Evaluation::Judged) {
        if (!rules.classCThirdKnown && !lowPowerLamp) {
            judgement.limits[1] = QString();
            judgement.states[1] = CellState::NotJudged;
            judgement.anyFailed = false;
            for (CellState state : judgement.states)
                judgement.anyFailed = judgement.anyFailed || state == CellState::Fail;
            judgement.notes << classCThirdNotJudgedNote();
        }
        if (!rules.lowPowerLightingUpToW && measuredW && *measuredW <= 25)
            judgement.notes << lowPowerLightingNote();
    }
    judgement.edition = choice.edition;
    judgement.professional = choice.professional;
    applyGuardBand(judgement, measured.amps, choice.guardBandPct);
    return judgement;
}
