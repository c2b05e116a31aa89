#include "observation_rules.h"

#include "class_evaluation.h"
#include "conversions.h"
#include "evaluation_steps.h"

#include <algorithm>
#include <cmath>

namespace {

// The cells of the odd orders 21 to 39, whose combined current (POHC) can
// allow them more on average.
constexpr int kFirstPohcCell = 21 - 2;
constexpr int kLastPohcCell = 39 - 2;

bool isPohcCell(int cell)
{
    return cell >= kFirstPohcCell && cell <= kLastPohcCell && harmonicOrder(cell) % 2 == 1;
}

// A sample may reach 150 % of the limit; with the POHC allowance, so may the
// average. Rounded as a field shows it, so that exactly 150 % is not above.
double oneAndAHalf(double limitMa)
{
    return evaluation::asShown(1.5 * limitMa);
}

std::optional<double> percentOf(double valueMa, double limitMa)
{
    if (limitMa <= 0)
        return std::nullopt;
    return evaluation::asShown(valueMa / limitMa * 100);
}

// POHC over the averages and limits of the odd orders 21 to 39.
Pohc pohcOf(const std::array<OrderJudgement, kHarmonicCells>& orders)
{
    double measured = 0;
    double limit = 0;
    for (int cell = kFirstPohcCell; cell <= kLastPohcCell; cell += 2) {
        const OrderJudgement& order = orders[std::size_t(cell)];
        measured += order.averageMa * order.averageMa;
        limit += order.limitMa.value_or(0) * order.limitMa.value_or(0);
    }
    Pohc pohc;
    pohc.measuredMa = evaluation::asShown(std::sqrt(measured));
    pohc.limitMa = evaluation::asShown(std::sqrt(limit));
    pohc.allowanceApplied = pohc.measuredMa <= pohc.limitMa;
    return pohc;
}

} // namespace

QString samplingSentence(double intervalS)
{
    return QStringLiteral(
               "sampled every %1 s from analyzer snapshots, not the standard's 1.5 s smoothing")
        .arg(QString::number(intervalS, 'f', 1));
}

void ObservationTally::add(const RuleSample& sample)
{
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        const double current = sample.currentsMa[cell];
        m_sumMa[cell] += current;
        m_maximumMa[cell] = m_judged == 0 ? current : std::max(m_maximumMa[cell], current);
    }
    m_tested |= ~sample.notTested;
    // The first of equal highest fundamentals is the basis.
    if (!m_fundamentalSample || sample.fundamentalA > m_fundamentalA) {
        m_fundamentalSample = m_judged;
        m_fundamentalA = sample.fundamentalA;
        m_powerFactor = sample.powerFactor;
    }
    m_highestPowerW = std::max(m_highestPowerW.value_or(sample.powerW), sample.powerW);
    ++m_judged;
}

ObservationJudgement ObservationTally::judge(ProductClass productClass, const QString& power,
                                             ObservationEnd end) const
{
    ObservationJudgement judgement;
    judgement.productClass = productClass;
    judgement.samplesJudged = m_judged;
    judgement.samplesNotJudged = m_notJudged;

    LimitsBasis& basis = judgement.basis;
    basis.highestPowerW = m_highestPowerW;
    MeasuredValues measured;
    if (productClass == ProductClass::C && m_fundamentalSample) {
        basis.fundamentalSample = m_fundamentalSample;
        basis.fundamentalA = m_fundamentalA;
        basis.powerFactor = m_powerFactor;
        measured.fundAmp = NumberText(m_fundamentalA);
        measured.powerFactor = NumberText(m_powerFactor);
    }
    if (productClass == ProductClass::D) {
        basis.typedPower = power;
        const std::optional<double> typed = StrictNumber(power);
        if (typed && m_highestPowerW)
            basis.powerDiffers = evaluation::asShown(std::abs(*m_highestPowerW - *typed)) >
                                 evaluation::asShown(0.1 * *typed);
    }

    // The limits of one cycle's evaluation: no second table of them.
    const Judgement limits = Limits(productClass, measured, power);
    const bool limited = limits.evaluation.status == Evaluation::Judged;
    if (limits.evaluation.status == Evaluation::NotJudged && m_judged > 0)
        judgement.problem = limits.evaluation.problem;

    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        OrderJudgement& order = judgement.orders[cell];
        if (m_judged > 0) {
            order.averageMa = evaluation::asShown(m_sumMa[cell] / m_judged);
            order.maximumMa = m_maximumMa[cell];
        }
        if (!limited || limits.limits[cell].isEmpty())
            continue;
        order.limitMa = NumericValue(limits.limits[cell]);
        order.averagePct = percentOf(order.averageMa, *order.limitMa);
        order.maximumPct = percentOf(order.maximumMa, *order.limitMa);
    }

    if (limited && (productClass == ProductClass::A || productClass == ProductClass::D))
        judgement.pohc = pohcOf(judgement.orders);

    bool anyFailed = false;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        OrderJudgement& order = judgement.orders[std::size_t(cell)];
        if (!order.limitMa)
            continue;
        const double limit = *order.limitMa;
        const bool allowance =
            judgement.pohc && judgement.pohc->allowanceApplied && isPohcCell(cell);
        const double averageLimit = allowance ? oneAndAHalf(limit) : limit;
        const bool failed = order.averageMa > averageLimit || order.maximumMa > oneAndAHalf(limit);
        order.state = failed                         ? CellState::Fail
                      : !m_tested[std::size_t(cell)] ? CellState::NotTested
                                                     : CellState::Pass;
        anyFailed = anyFailed || failed;
    }

    switch (end) {
    case ObservationEnd::LineFailed:
        judgement.verdict = ObservationVerdict::LineFailed;
        break;
    case ObservationEnd::Stopped:
        judgement.verdict = ObservationVerdict::Stopped;
        break;
    case ObservationEnd::Completed:
        // More than 10 % not judged: exactly 10 % still gives a verdict.
        if (!limited || m_judged < 2 || 10 * m_notJudged > m_judged + m_notJudged)
            judgement.verdict = ObservationVerdict::IncompleteObservation;
        else
            judgement.verdict = anyFailed ? ObservationVerdict::Fail : ObservationVerdict::Pass;
        break;
    }
    return judgement;
}

ObservationJudgement judgeObservation(ProductClass productClass, const QString& power,
                                      const QList<RuleSample>& judged, int notJudged,
                                      ObservationEnd end)
{
    ObservationTally tally;
    for (const RuleSample& sample : judged)
        tally.add(sample);
    for (int n = 0; n < notJudged; ++n)
        tally.addNotJudged();
    return tally.judge(productClass, power, end);
}
