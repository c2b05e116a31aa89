#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "guard_band.h"
#include "limit_text.h"
#include "verdict_scheme.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

// The third alternative: the orders 2 to 11 in % of the fundamental, and
// the total harmonic distortion (orders 2 to 40) up to 70 %.
constexpr std::array<std::pair<int, double>, 6> kThirdAlternativePct{
    {{2, 5}, {3, 35}, {5, 25}, {7, 30}, {9, 20}, {11, 20}}};
constexpr double kThirdAlternativeThdPct = 70;
// The second alternative's current limits, % of the fundamental; its wave
// shape is not in a snapshot.
constexpr double kSecondAlternativeThirdPct = 86;
constexpr double kSecondAlternativeFifthPct = 61;

double reduced(double limit, double guardBandPct)
{
    return guardBandPct > 0 ? guardedLimitMa(limit, guardBandPct) : limit;
}

} // namespace

Judgement LowPowerLighting(const MeasuredValues& measured, double watts, double guardBandPct)
{
    // The first alternative: the Class D table at the measured power.
    Judgement perWatt = ClassDAt(measured, QString(), watts);
    perWatt.productClass = ProductClass::C;
    perWatt.basisW.reset();
    applyGuardBand(perWatt, measured.amps, guardBandPct);
    const QString firstNote =
        QStringLiteral("Lighting of 25 W or less (measured %1 W): judged by the Class D limits "
                       "per watt, the first of the edition's three alternatives")
            .arg(NumberText(watts));
    if (!perWatt.anyFailed) {
        perWatt.notes << firstNote;
        return perWatt;
    }

    const std::optional<double> fundamentalA = StrictNumber(measured.fundAmp);
    if (!fundamentalA || *fundamentalA <= 0) {
        perWatt.evaluation = {
            Evaluation::NotJudged,
            evaluation::inputProblem(QStringLiteral("The fundamental current of the result reply"),
                                     measured.fundAmp, QStringLiteral("a number in amperes above 0")) +
                QStringLiteral(" Lighting of 25 W or less fails the Class D limits per watt; its "
                               "other alternatives cannot be judged.")};
        perWatt.anyFailed = false;
        return perWatt;
    }
    const double fundamentalMa = *fundamentalA * 1000;
    double sumOfSquares = 0;
    for (const QString& current : measured.harmonics)
        sumOfSquares += std::pow(NumericValue(current), 2);
    const double thdPct = std::sqrt(sumOfSquares) / fundamentalMa * 100;

    Judgement ofFundamental = evaluation::startJudgement(ProductClass::C, measured);
    const double notTestedBelow = evaluation::notTestedBelowMa(measured.amps);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        ofFundamental.currents[std::size_t(cell)] = QString();
        for (const auto& [order, pct] : kThirdAlternativePct)
            if (harmonicOrder(cell) == order) {
                ofFundamental.currents[std::size_t(cell)] = measured.harmonics[std::size_t(cell)];
                ofFundamental.limits[std::size_t(cell)] = LimitText(fundamentalMa * pct / 100);
                evaluation::judgeCell(ofFundamental, cell, notTestedBelow);
            }
    }
    applyGuardBand(ofFundamental, measured.amps, guardBandPct);
    const bool thdWithin = evaluation::asShown(thdPct) <= reduced(kThirdAlternativeThdPct, guardBandPct);
    if (!ofFundamental.anyFailed && thdWithin) {
        ofFundamental.notes << QStringLiteral(
                                   "Lighting of 25 W or less (measured %1 W): judged by the "
                                   "third of the edition's three alternatives, the harmonics "
                                   "in % of the fundamental and a total harmonic distortion "
                                   "of %2 % (at most 70 %)")
                                   .arg(NumberText(watts), percentFigure(thdPct));
        return ofFundamental;
    }

    // The second alternative's currents: when they hold, only the wave
    // shape can decide, and no snapshot shows it.
    const double third = NumericValue(measured.harmonics[1]);
    const double fifth = NumericValue(measured.harmonics[3]);
    const bool secondCurrentsHold =
        third <= reduced(fundamentalMa * kSecondAlternativeThirdPct / 100, guardBandPct) &&
        fifth <= reduced(fundamentalMa * kSecondAlternativeFifthPct / 100, guardBandPct);
    perWatt.notes << firstNote;
    if (secondCurrentsHold) {
        perWatt.evaluation = {
            Evaluation::NotJudged,
            QStringLiteral("Lighting of 25 W or less fails the Class D limits per watt and the "
                           "limits in % of the fundamental (total harmonic distortion %1 %), and "
                           "its 3rd and 5th are within 86 % and 61 % of the fundamental: the "
                           "second alternative then depends on the current's wave shape, which "
                           "a snapshot of harmonic currents does not show, so it was not "
                           "checked.")
                .arg(percentFigure(thdPct))};
        perWatt.anyFailed = false;
        perWatt.waveShapeUndecided = true;
        return perWatt;
    }
    perWatt.notes << QStringLiteral("The other alternatives fail too: the harmonics in % of the "
                                    "fundamental (total harmonic distortion %1 %), and the 3rd "
                                    "above 86 % or the 5th above 61 % of the fundamental")
                         .arg(percentFigure(thdPct));
    return perWatt;
}
