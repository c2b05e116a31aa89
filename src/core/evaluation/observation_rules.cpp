#include "observation_rules.h"

#include "class_evaluation.h"
#include "conversions.h"
#include "evaluation_steps.h"
#include "guard_band.h"
#include "power_basis.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// The cells of the odd orders 21 to 39, whose combined current (POHC) can
// allow them more on average.
constexpr int kFirstPohcCell = 21 - 2;
constexpr int kLastPohcCell = 39 - 2;

// The Class A 200 % provision allows samples above 150 % of the limit for
// less than this time, s: 10 minutes.
constexpr double kProvisionShorterThanS = 600;

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
    double guarded = 0;
    for (int cell = kFirstPohcCell; cell <= kLastPohcCell; cell += 2) {
        const OrderJudgement& order = orders[std::size_t(cell)];
        measured += order.averageMa * order.averageMa;
        limit += order.limitMa.value_or(0) * order.limitMa.value_or(0);
        guarded += order.guardedLimitMa.value_or(0) * order.guardedLimitMa.value_or(0);
    }
    Pohc pohc;
    pohc.measuredMa = evaluation::asShown(std::sqrt(measured));
    pohc.limitMa = evaluation::asShown(std::sqrt(limit));
    pohc.guardedLimitMa = evaluation::asShown(std::sqrt(guarded));
    pohc.allowanceApplied = pohc.measuredMa <= pohc.guardedLimitMa;
    return pohc;
}

// `pct` above `bound`, with as few decimals as show that it is above: "151",
// but "150.01" for a value a hair above 150.
QString percentAbove(double pct, double bound)
{
    QString text;
    for (int decimals = 0; decimals <= 3; ++decimals) {
        text = QString::number(pct, 'f', decimals);
        if (text.toDouble() > bound)
            break;
    }
    return text;
}

// The sample numbers (from 1) of `samples` (indices from 0), at most the
// first `shown`, "and N more" after them.
QString sampleNumbers(const QList<int>& samples, qsizetype shown)
{
    QStringList numbers;
    for (qsizetype n = 0; n < std::min(shown, samples.size()); ++n)
        numbers << QString::number(samples[n] + 1);
    QString text = numbers.join(QStringLiteral(", "));
    if (samples.size() > shown)
        text += QStringLiteral(" and %1 more").arg(samples.size() - shown);
    return text;
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

QString orderOrdinal(int order)
{
    const int lastTwo = order % 100;
    const int last = order % 10;
    const char* suffix = (lastTwo >= 11 && lastTwo <= 13) ? "th"
                         : last == 1                      ? "st"
                         : last == 2                      ? "nd"
                         : last == 3                      ? "rd"
                                                          : "th";
    return QString::number(order) + QLatin1String(suffix);
}

QString failureReasonText(const std::array<OrderJudgement, kHarmonicCells>& orders, int shown)
{
    QStringList reasons;
    int failed = 0;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = orders[std::size_t(cell)];
        if (!order.averageAbove && !order.sampleAbove)
            continue;
        if (++failed > shown)
            continue;
        // Under a guard band the rules judge against the guarded limit.
        const double limit = order.guardedLimitMa.value_or(0);
        const bool guarded = order.limitMa && limit != *order.limitMa;
        const std::optional<double> averagePct = percentOf(order.averageMa, limit);
        const std::optional<double> maximumPct = percentOf(order.maximumMa, limit);
        QStringList rules;
        if (order.averageAbove && averagePct) {
            QString rule = QStringLiteral("average at %1 %")
                               .arg(percentAbove(*averagePct, order.averageAllowedPct));
            if (order.averageAllowedPct != 100)
                rule += QStringLiteral(" (%1 % allowed)").arg(order.averageAllowedPct);
            rules << rule;
        }
        if (order.sampleAbove && maximumPct)
            rules << QStringLiteral("one sample at %1 %").arg(percentAbove(*maximumPct, 150));
        reasons << QStringLiteral("%1: %2 of its %3limit")
                       .arg(orderOrdinal(harmonicOrder(cell)), rules.join(QStringLiteral(", ")),
                            guarded ? QStringLiteral("guarded ") : QString());
    }
    if (failed > shown)
        reasons << QStringLiteral("%1 more %2")
                       .arg(failed - shown)
                       .arg(failed - shown == 1 ? QStringLiteral("order")
                                                : QStringLiteral("orders"));
    return reasons.join(QStringLiteral("; "));
}

QString samplingSentence(double intervalS)
{
    // One sample of one still being recorded: no time between two yet.
    if (intervalS <= 0)
        return QStringLiteral(
            "sampled from analyzer snapshots, not the standard's 1.5 s smoothing; the interval "
            "shows from the second sample");
    return QStringLiteral(
               "sampled every %1 s from analyzer snapshots, not the standard's 1.5 s smoothing")
        .arg(QString::number(intervalS, 'f', 1));
}

ObservationTally::ObservationTally(const ClassChoice& choice)
    : m_choice(choice), m_productClass(choice.productClass), m_guardBandPct(choice.guardBandPct)
{
    const double guardBandPct = m_guardBandPct;
    const std::array<double, kHarmonicCells>& classA = classALimitsMa();
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell)
        m_classAOneAndAHalfMa[cell] = oneAndAHalf(
            guardBandPct > 0 ? guardedLimitMa(classA[cell], guardBandPct) : classA[cell]);
}

void ObservationTally::add(const RuleSample& sample)
{
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        const double current = sample.currentsMa[cell];
        m_sumMa[cell] += current;
        m_maximumMa[cell] = m_judged == 0 ? current : std::max(m_maximumMa[cell], current);
        // A current the single-cycle rule disregarded never fails a sample.
        if (sample.notTested[cell])
            continue;
        m_maximumTestedMa[cell] = std::max(m_maximumTestedMa[cell], current);
        if (current > m_classAOneAndAHalfMa[cell])
            ++m_aboveClassAOneAndAHalf[cell];
    }
    m_sumRmsA += sample.rmsA;
    if (m_productClass == ProductClass::C)
        m_fundamentals.push_back({sample.fundamentalA, m_judged + m_notJudged, sample.powerFactor});
    m_highestPowerW = std::max(m_highestPowerW.value_or(sample.powerW), sample.powerW);
    ++m_judged;
}

ObservationJudgement ObservationTally::judge(ObservationEnd end, double sampleIntervalS) const
{
    const ProductClass productClass = m_productClass;
    const double guardBandPct = m_guardBandPct;
    const ClassDPower power = m_choice.classDPower();
    const EditionRules& rules = editionRules(m_choice.edition);
    ObservationJudgement judgement;
    judgement.productClass = productClass;
    judgement.edition = m_choice.edition;
    judgement.samplesJudged = m_judged;
    judgement.samplesNotJudged = m_notJudged;
    judgement.guardBandPct = guardBandPct;

    LimitsBasis& basis = judgement.basis;
    basis.highestPowerW = m_highestPowerW;
    MeasuredValues measured;
    QString steadyProblem;
    if (productClass == ProductClass::C && !m_fundamentals.empty()) {
        // The median: one glitch, or a few, cannot set every limit. Ordered by
        // the current, equal currents by the sample's place.
        std::vector<Fundamental> ordered = m_fundamentals;
        const auto middle = ordered.begin() + std::ptrdiff_t((ordered.size() - 1) / 2);
        std::nth_element(ordered.begin(), middle, ordered.end(),
                         [](const Fundamental& a, const Fundamental& b) {
                             return a.amps < b.amps || (a.amps == b.amps && a.sample < b.sample);
                         });
        const Fundamental median = *middle;
        basis.fundamentalSample = median.sample;
        basis.fundamentalA = median.amps;
        basis.powerFactor = median.powerFactor;
        measured.fundAmp = NumberText(median.amps);
        measured.powerFactor = NumberText(median.powerFactor);
        const double tolerance = evaluation::asShown(0.1 * median.amps);
        // Rounding as a field shows it never makes a difference larger: only
        // one above the tolerance is rounded to be sure.
        for (const Fundamental& f : m_fundamentals) {
            const double apart = std::abs(f.amps - median.amps);
            if (apart > tolerance && evaluation::asShown(apart) > tolerance)
                basis.fundamentalVaries << f.sample;
        }
        // More than 10 % of the judged samples: exactly 10 % is steady.
        if (10 * basis.fundamentalVaries.size() > m_judged)
            steadyProblem =
                QStringLiteral("The fundamental current was not steady: %1 of the %2 judged "
                               "samples differ from the median %3 A by more than 10 % (samples "
                               "%4), so the Class C limits cannot be based on it.")
                    .arg(basis.fundamentalVaries.size())
                    .arg(m_judged)
                    .arg(NumberText(median.amps), sampleNumbers(basis.fundamentalVaries, 10));
    }
    ClassChoice limitsChoice = m_choice;
    limitsChoice.guardBandPct = 0;
    if (m_highestPowerW)
        measured.watts = NumberText(*m_highestPowerW);
    if (productClass == ProductClass::D) {
        basis.typedPower = power.text();
        const std::optional<double> typed = power.watts();
        basis.basisW = typed;
        // The lab's rule: the typed power only when the highest measured
        // power is within ±10 % of it, otherwise the highest measured power.
        if (typed && m_highestPowerW && !typedPowerWithin(*typed, *m_highestPowerW)) {
            basis.powerDiffers = true;
            basis.powerBasis = PowerBasis::Measured;
            basis.basisW = *m_highestPowerW;
            // An edition that judges a single measurement by the typed
            // power gets the measured one here (Limits takes the typed
            // rated power for the scope and the basis from the measured
            // power where its edition does so).
            if (!rules.classDMeasuredBasis)
                limitsChoice.power = NumberText(*m_highestPowerW);
        }
    }

    // The limits of one cycle's evaluation: no second table of them.
    const Judgement limits = Limits(limitsChoice, measured);
    const bool limited = limits.evaluation.status == Evaluation::Judged;
    judgement.notes = limits.notes;
    if (productClass == ProductClass::C && rules.lowPowerLightingUpToW && m_highestPowerW &&
        *m_highestPowerW <= *rules.lowPowerLightingUpToW && limited)
        judgement.notes = {QStringLiteral(
            "Lighting of 25 W or less (highest measured %1 W): an observation judges it by the "
            "Class D limits per watt alone, the first of the edition's three alternatives; "
            "the other two (limits in % of the fundamental, a wave shape) were not judged")
                               .arg(NumberText(*m_highestPowerW))};
    if (limits.evaluation.status == Evaluation::NotLimited) {
        judgement.problem = limits.evaluation.problem;
    } else if (limits.evaluation.status == Evaluation::NotJudged && m_judged > 0) {
        judgement.problem = limits.evaluation.problem;
        if (basis.powerBasis == PowerBasis::Measured)
            judgement.problem =
                QStringLiteral("The highest measured power %2 W is not within 10 % of the typed "
                               "power %1 W, and it is outside Class D's 50 to 600 W: Class D "
                               "cannot be judged.")
                    .arg(NumberText(*power.watts()), NumberText(*m_highestPowerW));
    } else if (!steadyProblem.isEmpty()) {
        judgement.problem = steadyProblem;
    }

    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        OrderJudgement& order = judgement.orders[cell];
        if (m_judged > 0) {
            order.averageMa = evaluation::asShown(m_sumMa[cell] / m_judged);
            order.maximumMa = m_maximumMa[cell];
        }
        if (!limited || limits.limits[cell].isEmpty())
            continue;
        order.limitMa = NumericValue(limits.limits[cell]);
        order.guardedLimitMa =
            guardBandPct > 0 ? guardedLimitMa(*order.limitMa, guardBandPct) : *order.limitMa;
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
        if (!order.guardedLimitMa)
            continue;
        if (m_judged == 0) {
            order.state = CellState::NotTested;
            continue;
        }
        // Such an order is not judged on its average; each sample the
        // single-cycle rule tested still is.
        const bool disregarded = order.averageMa < 5 || order.averageMa < sixPerMille;
        const double limit = *order.guardedLimitMa;
        const bool allowance =
            judgement.pohc && judgement.pohc->allowanceApplied && isPohcCell(cell);
        const double averageLimit = allowance ? oneAndAHalf(limit) : limit;
        order.averageAllowedPct = allowance ? 150 : 100;
        order.averageAbove = !disregarded && order.averageMa > averageLimit;
        bool sampleFailed = m_maximumTestedMa[i] > oneAndAHalf(limit);
        // Class A: samples up to 200 % of the limit pass when their time is
        // less than 10 % of the judged samples' time and less than 10
        // minutes, and the average is less than 90 % of the limit.
        if (sampleFailed && productClass == ProductClass::A &&
            m_maximumTestedMa[i] <= evaluation::asShown(2 * limit) &&
            10 * m_aboveClassAOneAndAHalf[i] < m_judged &&
            evaluation::asShown(m_aboveClassAOneAndAHalf[i] * sampleIntervalS) <
                kProvisionShorterThanS &&
            order.averageMa < evaluation::asShown(0.9 * limit)) {
            sampleFailed = false;
            order.provisionUsed = true;
        }
        order.sampleAbove = sampleFailed;
        const bool failed = order.averageAbove || order.sampleAbove;
        order.state = failed        ? CellState::Fail
                      : disregarded ? CellState::NotTested
                                    : CellState::Pass;
        anyFailed = anyFailed || failed;
    }
    judgement.failureReason = failureReasonText(judgement.orders);

    switch (end) {
    case ObservationEnd::LineFailed:
        judgement.verdict = ObservationVerdict::LineFailed;
        break;
    case ObservationEnd::Stopped:
        judgement.verdict = ObservationVerdict::Stopped;
        break;
    case ObservationEnd::Completed:
        // More than 10 % not judged: exactly 10 % still gives a verdict.
        if (!limited || m_judged < 2 || 10 * m_notJudged > m_judged + m_notJudged ||
            !steadyProblem.isEmpty())
            judgement.verdict = limits.evaluation.status == Evaluation::NotLimited &&
                                        m_judged >= 2 &&
                                        10 * m_notJudged <= m_judged + m_notJudged
                                    ? ObservationVerdict::NotLimited
                                    : ObservationVerdict::IncompleteObservation;
        else
            judgement.verdict = anyFailed ? ObservationVerdict::Fail : ObservationVerdict::Pass;
        break;
    }
    return judgement;
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
    const OrderJudgement& order = judgement.orders[std::size_t(ranked.first())];
    // Under a guard band, of the guarded limit the order was judged against.
    if (judgement.guardBandPct > 0 && order.guardedLimitMa)
        if (const std::optional<double> pct = percentOf(order.averageMa, *order.guardedLimitMa))
            return ClosestOrder{harmonicOrder(ranked.first()), *pct, true};
    return ClosestOrder{harmonicOrder(ranked.first()), *order.averagePct};
}
