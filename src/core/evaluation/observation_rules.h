#pragma once

#include "class_choice.h"
#include "class_d_power.h"

#include "judgement.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <optional>
#include <vector>

// The rule set a timed observation is judged by. Every record and report
// names it, so that a later rule set can be told apart.
inline constexpr const char* kObservationRules =
    "observation rules, average 100 %, samples 150 % (Class A 200 % under 10 % and 10 min), POHC";
// The rule set stored observations were judged by before, whose Class A
// 200 % provision took up to 10 % of the samples and an average up to 90 %,
// with no cap in minutes (before it: "observation rules, average 100 %,
// samples 150 %, POHC"). Such an observation read again is judged by
// kObservationRules.
inline constexpr const char* kEarlierObservationRules =
    "observation rules, average 100 %, samples 150 % (Class A 200 % provision), POHC";

// What every output says about the samples: "sampled every 8.3 s from
// analyzer snapshots, not the standard's 1.5 s smoothing", the interval in
// seconds with one decimal. Without an interval (0: a single sample of an
// observation still being recorded) it names none.
QString samplingSentence(double intervalS);

// How an observation came out. Pass and Fail only for an observation that ran
// its duration with enough judged samples.
enum class ObservationVerdict {
    Pass,
    Fail,
    IncompleteObservation, // fewer than 2 samples judged, or more than 10 % not judged
    LineFailed,            // the serial line failed; the samples so far are kept
    Stopped,               // stopped by the operator (or a signal)
    NotLimited,            // the edition sets no limits for this equipment
};

// How the observation ended (or that it still runs: Completed then means the
// judgement of the samples so far).
enum class ObservationEnd { Completed, LineFailed, Stopped };

// One judged sample, as the rules read it: a single cycle whose reply was
// complete, valid and judged under the observation's class.
struct RuleSample
{
    // The measured current of order cell + 2, in mA, as the cell shows it.
    std::array<double, kHarmonicCells> currentsMa{};
    // The cells the single-cycle rule did not test (below 5 mA or below 0.6 %
    // of the rms current).
    std::bitset<kHarmonicCells> notTested;
    // The fundamental current (A) and the power factor: the Class C limits.
    double fundamentalA = 0;
    double powerFactor = 0;
    // The measured true power, W.
    double powerW = 0;
    // The rms current, A: the not-tested rule of the averages.
    double rmsA = 0;
};

// One order over the judged samples.
struct OrderJudgement
{
    // The limit in mA, as the single-cycle limit cell gives it; none where
    // the class judges no limit for this order (state NotJudged).
    std::optional<double> limitMa;
    // The limit reduced by the guard band: what the rules judge against.
    // Equal to limitMa without a guard band.
    std::optional<double> guardedLimitMa;
    // Mean and highest of the sample values, in mA (0 without samples).
    double averageMa = 0;
    double maximumMa = 0;
    // Both as % of the limit; none without a limit or with a limit of 0.
    std::optional<double> averagePct;
    std::optional<double> maximumPct;
    // Fail: the average above its (guarded) limit (150 % of it under the
    // POHC allowance) or a tested sample above 150 % of that limit (a sample
    // the single-cycle rule did not test never counts), unless the Class A
    // 200 % provision allows it. An order whose average is below 5 mA or
    // below 0.6 % of the average rms current is not judged on its average:
    // NotTested unless a tested sample fails it.
    CellState state = CellState::NotJudged;
    // Class A: samples above 150 % of the limit, none above 200 %, were
    // allowed because their time is less than 10 % of the judged samples'
    // time and less than 10 minutes, and the average is less than 90 % of
    // the limit.
    bool provisionUsed = false;
    // The rules that failed it: the average above the limit it may average
    // (averageAllowedPct of its limit), a sample above 150 % of its limit.
    bool averageAbove = false;
    bool sampleAbove = false;
    double averageAllowedPct = 100;
};

// The partial odd harmonic current: odd orders 21 to 39, Class A and D.
struct Pohc
{
    // Square root of the sum of the squares of their averages, mA.
    double measuredMa = 0;
    // Square root of the sum of the squares of their limits, mA.
    double limitMa = 0;
    // measuredMa <= guardedLimitMa: each of these orders may average up to
    // 150 % of its (guarded) limit.
    bool allowanceApplied = false;
    // The same over their guarded limits (equal to limitMa without a guard
    // band).
    double guardedLimitMa = 0;
};

// What the limits of an observation were computed from.
struct LimitsBasis
{
    // Class D: the typed power (text, W); the highest measured power of the
    // judged samples; the basis the limits come from and its power, W (none
    // without a typed power that is a number). powerDiffers: the highest
    // measured power is not within ±10 % of the typed one, so the basis is
    // the measured power.
    QString typedPower;
    std::optional<double> highestPowerW;
    PowerBasis powerBasis = PowerBasis::Typed;
    std::optional<double> basisW;
    bool powerDiffers = false;
    // Class C: the sample (index among all the samples of the observation,
    // from 0) with the median fundamental current of the judged samples (of
    // an even count, the lower of the middle two), that current (A) and that
    // sample's power factor.
    std::optional<int> fundamentalSample;
    double fundamentalA = 0;
    double powerFactor = 0;
    // The samples (indices among all, from 0, in order) whose fundamental
    // differs from the median by more than 10 % of it. When they are more
    // than 10 % of the judged samples the fundamental was not steady: no
    // verdict ("Incomplete observation").
    QList<int> fundamentalVaries;
};

struct ObservationJudgement
{
    ObservationVerdict verdict = ObservationVerdict::IncompleteObservation;
    ProductClass productClass = ProductClass::None;
    // orders[cell]: order cell + 2.
    std::array<OrderJudgement, kHarmonicCells> orders{};
    // None for Class B and C.
    std::optional<Pohc> pohc;
    LimitsBasis basis;
    // The guard band the orders were judged under, %; 0 for none.
    double guardBandPct = 0;
    int samplesJudged = 0;
    int samplesNotJudged = 0;
    // Why the class set no limits (a Class D power out of range), or why
    // the samples give no verdict (the fundamental was not steady); empty
    // otherwise.
    QString problem;
    // The edition judged by, and what every output adds to the verdict (a
    // rule not judged and why, the edition's own rules for the equipment).
    Edition edition = kDefaultEdition;
    QStringList notes;
    // Why the orders failed, the order and the rule, lowest orders first:
    // "5th: one sample at 151 % of its limit; 7th: average at 104 % of its
    // limit" (failureReasonText); empty when none failed.
    QString failureReason;
};

// "5th", "21st", "22nd", "23rd": an order as a failure reason names it.
QString orderOrdinal(int order);

// The failureReason of judged orders: each failed order with the rules it
// broke, the first `shown` of them, then how many more failed.
QString failureReasonText(const std::array<OrderJudgement, kHarmonicCells>& orders, int shown = 3);

// The samples of an observation added one by one: adding a sample takes the
// same short time after the 10,000th sample as after the first, and judge()
// takes time in proportion to the samples only for Class C (the median of
// their fundamentals, which only a Class C tally keeps).
class ObservationTally
{
public:
    // `choice`: the class, Class D power, guard band, edition and category
    // the samples are judged under. Every limit is reduced by the guard band
    // for the verdict; the Class A 200 % provision counts the samples above
    // 150 % of the guarded limit as they come.
    explicit ObservationTally(const ClassChoice& choice);

    void add(const RuleSample& sample);
    void addNotJudged() { ++m_notJudged; }

    int judged() const { return m_judged; }
    int notJudged() const { return m_notJudged; }

    // The rules over the samples added so far. `sampleIntervalS`: the time
    // each sample stands for, s (the observation's sampling interval; 0
    // while it is not known), which the Class A 200 % provision counts.
    ObservationJudgement judge(ObservationEnd end, double sampleIntervalS) const;

private:
    std::array<double, kHarmonicCells> m_sumMa{};
    std::array<double, kHarmonicCells> m_maximumMa{};
    // The highest current of the samples that tested the cell (0 without).
    std::array<double, kHarmonicCells> m_maximumTestedMa{};
    ClassChoice m_choice;
    ProductClass m_productClass;
    double m_guardBandPct;
    // The tested samples above 150 % of the Class A limit of the order,
    // reduced by the guard band; that bound, mA, worked out once.
    std::array<double, kHarmonicCells> m_classAOneAndAHalfMa{};
    std::array<int, kHarmonicCells> m_aboveClassAOneAndAHalf{};
    double m_sumRmsA = 0;
    int m_judged = 0;
    int m_notJudged = 0;
    // Class C: the judged samples' fundamentals in the order they came, each
    // with its sample's index among all and its power factor.
    struct Fundamental
    {
        double amps;
        int sample;
        double powerFactor;
    };
    std::vector<Fundamental> m_fundamentals;
    std::optional<double> m_highestPowerW;
};

// The judged orders (Pass or Fail; neither not tested nor not judged) that
// have an average %, highest average % first, the lower order first among
// equals: the one ranking of an observation's orders every face shows.
QList<int> rankedOrderCells(const ObservationJudgement& judgement);

// The first of rankedOrderCells, with its average in % of the limit it was
// judged against (the guarded limit under a guard band); nothing when no
// order was judged.
std::optional<ClosestOrder> closestOrder(const ObservationJudgement& judgement);
