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

// The Class A limits, mA: the 200 % provision counts the samples above 150 %
// of them as they come, whatever class the observation is judged under.
const std::array<double, kHarmonicCells>& classALimitsMa()
{
    static const std::array<double, kHarmonicCells> limits = [] {
        const Judgement classA = ClassA(MeasuredValues{});
        std::array<double, kHarmonicCells> values{};
        for (std::size_t cell = 0; cell < values.size(); ++cell)
            values[cell] = NumericValue(classA.limits[cell]);
        return values;
    }();
    return limits;
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
    const std::array<double, kHarmonicCells>& classA = classALimitsMa();
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        const double current = sample.currentsMa[cell];
        m_sumMa[cell] += current;
        m_maximumMa[cell] = m_judged == 0 ? current : std::max(m_maximumMa[cell], current);
        // A current the single-cycle rule disregarded never fails a sample.
        if (sample.notTested[cell])
            continue;
        m_maximumTestedMa[cell] = std::max(m_maximumTestedMa[cell], current);
        if (current > oneAndAHalf(classA[cell]))
            ++m_aboveClassAOneAndAHalf[cell];
    }
    m_sumRmsA += sample.rmsA;
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

    // An order whose average is below 5 mA or below 0.6 % of the average rms
    // current is disregarded, as the single-cycle rule disregards a current.
    const double averageRmsA = m_judged > 0 ? m_sumRmsA / m_judged : 0;
    const double sixPerMille = evaluation::asShown(0.006 * averageRmsA * 1000);
    bool anyFailed = false;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        OrderJudgement& order = judgement.orders[i];
        if (!order.limitMa)
            continue;
        if (m_judged == 0 || order.averageMa < 5 || order.averageMa < sixPerMille) {
            order.state = CellState::NotTested;
            continue;
        }
        const double limit = *order.limitMa;
        const bool allowance =
            judgement.pohc && judgement.pohc->allowanceApplied && isPohcCell(cell);
        const double averageLimit = allowance ? oneAndAHalf(limit) : limit;
        bool sampleFailed = m_maximumTestedMa[i] > oneAndAHalf(limit);
        // Class A: samples up to 200 % of the limit pass when they are at most
        // 10 % of the judged samples and the average is at most 90 % of it.
        if (sampleFailed && productClass == ProductClass::A &&
            m_maximumTestedMa[i] <= evaluation::asShown(2 * limit) &&
            10 * m_aboveClassAOneAndAHalf[i] <= m_judged &&
            order.averageMa <= evaluation::asShown(0.9 * limit)) {
            sampleFailed = false;
            order.provisionUsed = true;
        }
        const bool failed = order.averageMa > averageLimit || sampleFailed;
        order.state = failed ? CellState::Fail : CellState::Pass;
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

QList<int> rankedOrderCells(const ObservationJudgement& judgement)
{
    QList<int> cells;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = judgement.orders[std::size_t(cell)];
        if ((order.state == CellState::Pass || order.state == CellState::Fail) && order.averagePct)
            cells << cell;
    }
    std::stable_sort(cells.begin(), cells.end(), [&](int a, int b) {
        return *judgement.orders[std::size_t(a)].averagePct >
               *judgement.orders[std::size_t(b)].averagePct;
    });
    return cells;
}

std::optional<ClosestOrder> closestOrder(const ObservationJudgement& judgement)
{
    const QList<int> ranked = rankedOrderCells(judgement);
    if (ranked.isEmpty())
        return std::nullopt;
    return ClosestOrder{harmonicOrder(ranked.first()),
                        *judgement.orders[std::size_t(ranked.first())].averagePct};
}
