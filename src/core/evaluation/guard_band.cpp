#include "guard_band.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "verdict_scheme.h"

std::optional<double> guardBandOf(const QString& text)
{
    const std::optional<double> pct = StrictNumber(text);
    if (!pct || *pct < 0 || *pct > kLargestGuardBandPct)
        return std::nullopt;
    return pct;
}

QString guardBandText(double pct)
{
    return NumberText(pct) + QStringLiteral(" %");
}

double guardedLimitMa(double limitMa, double pct)
{
    return evaluation::asShown(limitMa * (100 - pct) / 100);
}

QString guardedLimitText(const QString& limit, double pct)
{
    if (limit.isEmpty())
        return QString();
    return NumberText(guardedLimitMa(NumericValue(limit), pct)) + QStringLiteral("mA");
}

QString withGuardBand(const QString& verdict, double pct)
{
    if (pct <= 0)
        return verdict;
    return QStringLiteral("%1 (%2 guard band)").arg(verdict, guardBandText(pct));
}

void applyGuardBand(Judgement& judgement, const QString& amps, double pct)
{
    if (pct <= 0)
        return;
    // Kept with a judgement that set no limits too: its record keeps the
    // guard band the operator chose.
    judgement.guardBandPct = pct;
    if (judgement.evaluation.status != Evaluation::Judged)
        return;
    judgement.anyFailed = false;
    const double notTestedBelow = evaluation::notTestedBelowMa(amps);
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        if (judgement.states[cell] == CellState::NotJudged || judgement.limits[cell].isEmpty())
            continue;
        judgement.states[cell] = evaluation::judgeHarmonic(
            NumericValue(judgement.currents[cell]),
            NumericValue(guardedLimitText(judgement.limits[cell], pct)), notTestedBelow,
            judgement.anyFailed);
    }
}

std::optional<ClosestOrder> closestOrder(const Judgement& judgement)
{
    std::optional<ClosestOrder> closest;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        if (judgement.states[i] != CellState::Pass && judgement.states[i] != CellState::Fail)
            continue;
        // The limit the cell was judged against.
        const bool guarded = judgement.guardBandPct > 0;
        const double limitMa =
            guarded ? guardedLimitMa(NumericValue(judgement.limits[i]), judgement.guardBandPct)
                    : NumericValue(judgement.limits[i]);
        if (limitMa <= 0)
            continue;
        const double percent = NumericValue(judgement.currents[i]) / limitMa * 100;
        if (!closest || percent > closest->percentOfLimit)
            closest = ClosestOrder{harmonicOrder(cell), percent, guarded};
    }
    return closest;
}
