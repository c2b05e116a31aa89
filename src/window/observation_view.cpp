#include "observation_view.h"

#include "class_evaluation.h"
#include "guard_band.h"
#include "observation_rules.h"

#include <QStringList>

namespace {

OrderPoint::State pointState(CellState state)
{
    switch (state) {
    case CellState::Pass:
        return OrderPoint::State::Pass;
    case CellState::Fail:
        return OrderPoint::State::Fail;
    case CellState::NotTested:
        return OrderPoint::State::NotTested;
    case CellState::NotJudged:
        break;
    }
    return OrderPoint::State::NotJudged;
}

} // namespace

QString observationNotes(const ObservationResult& result)
{
    QStringList notes;
    // Why it failed first, beside "Fail".
    if (result.verdict == ObservationVerdict::Fail && !result.judgement.failureReason.isEmpty())
        notes << result.judgement.failureReason;
    if (!result.samples.isEmpty())
        notes << result.sampling();
    const ObservationJudgement& judgement = result.judgement;
    if (judgement.guardBandPct > 0)
        notes << QStringLiteral("guard band %1: every limit reduced by it for the verdict")
                     .arg(guardBandText(judgement.guardBandPct));
    if (judgement.pohc && judgement.samplesJudged > 0)
        notes << QStringLiteral("POHC %1 mA, limit %2 mA: %3")
                     .arg(judgement.pohc->measuredMa, 0, 'f', 1)
                     .arg(judgement.pohc->limitMa, 0, 'f', 1)
                     .arg(judgement.pohc->allowanceApplied
                              ? QStringLiteral("orders 21 to 39 may average up to 150 %")
                              : QStringLiteral("no allowance"));
    if (judgement.productClass == ProductClass::D && judgement.basis.highestPowerW)
        notes << QStringLiteral("highest power %1 W, typed %2 W%3")
                     .arg(*judgement.basis.highestPowerW, 0, 'f', 1)
                     .arg(judgement.basis.typedPower)
                     .arg(judgement.basis.powerDiffers
                              ? QStringLiteral(": more than 10 % apart, limits from the "
                                               "measured power")
                              : QString());
    if (judgement.productClass == ProductClass::C && !judgement.basis.fundamentalVaries.isEmpty())
        notes << QStringLiteral("fundamental over 10 % from the median %1 A in %2 of %3 samples")
                     .arg(judgement.basis.fundamentalA)
                     .arg(judgement.basis.fundamentalVaries.size())
                     .arg(judgement.samplesJudged);
    notes += judgement.notes;
    if (!judgement.problem.isEmpty())
        notes << judgement.problem;
    return notes.join(QLatin1Char('\n'));
}

QString judgingBasisText(const ClassChoice& choice, const QString& port)
{
    QString judged;
    switch (choice.productClass) {
    case ProductClass::None:
        judged = QStringLiteral("no class chosen yet");
        break;
    case ProductClass::D:
        judged = choice.power.inRange()
                     ? QStringLiteral("Class D at %1 W").arg(choice.power.text().trimmed())
                     : QStringLiteral("Class D, no power from 50 to 600 W typed yet");
        break;
    default:
        judged = QStringLiteral("Class ") + classLetter(choice.productClass);
        break;
    }
    // The edition only when it is not the one the window has always judged by.
    if (choice.edition != kDefaultEdition)
        judged += QStringLiteral(" under ") + editionTitle(choice.edition);
    return QStringLiteral("Judges by %1 %2")
        .arg(judged, port.isEmpty() ? QStringLiteral("(not logged on)")
                                    : QStringLiteral("on %1").arg(port));
}

std::vector<OrderPoint> chartPoints(const ObservationJudgement& running,
                                    const ObservedSample& latest)
{
    std::vector<OrderPoint> points;
    points.reserve(kHarmonicCells);
    const QList<int> ranked = rankedOrderCells(running);
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        const OrderJudgement& order = running.orders[cell];
        OrderPoint point;
        point.order = int(cell) + 2;
        point.state = pointState(order.state);
        point.averagePct = order.averagePct;
        point.maximumPct = order.maximumPct;
        if (latest.values && order.limitMa && *order.limitMa > 0)
            point.latestPct = latest.values->currentsMa[cell] / *order.limitMa * 100;
        if (const qsizetype rank = ranked.indexOf(int(cell)); rank >= 0)
            point.rank = int(rank);
        points.push_back(point);
    }
    return points;
}

Colour observationVerdictColour(ObservationVerdict verdict)
{
    switch (verdict) {
    case ObservationVerdict::Pass:
        return Colour::Pass;
    case ObservationVerdict::Stopped:
    case ObservationVerdict::NotLimited:
        return Colour::Neutral;
    default:
        return Colour::Fail;
    }
}
