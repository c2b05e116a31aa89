#pragma once

#include "judgement.h"

#include <QList>
#include <QString>

#include <array>
#include <bitset>
#include <optional>

// The rule set a timed observation is judged by. Every record and report
// names it, so that a later rule set can be told apart.
inline constexpr const char* kObservationRules =
    "observation rules, average 100 %, samples 150 %, POHC";

// What every output says about the samples: "sampled every 8.3 s from
// analyzer snapshots, not the standard's 1.5 s smoothing", the interval in
// seconds with one decimal.
QString samplingSentence(double intervalS);

// How an observation came out. Pass and Fail only for an observation that ran
// its duration with enough judged samples.
enum class ObservationVerdict {
    Pass,
    Fail,
    IncompleteObservation, // fewer than 2 samples judged, or more than 10 % not judged
    LineFailed,            // the serial line failed; the samples so far are kept
    Stopped,               // stopped by the operator (or a signal)
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
};

// One order over the judged samples.
struct OrderJudgement
{
    // The limit in mA, as the single-cycle limit cell gives it; none where
    // the class judges no limit for this order (state NotJudged).
    std::optional<double> limitMa;
    // Mean and highest of the sample values, in mA (0 without samples).
    double averageMa = 0;
    double maximumMa = 0;
    // Both as % of the limit; none without a limit or with a limit of 0.
    std::optional<double> averagePct;
    std::optional<double> maximumPct;
    // Fail: the average above its limit (150 % of it under the POHC
    // allowance) or a sample above 150 % of the limit; it takes precedence
    // over NotTested, which every sample being not tested gives.
    CellState state = CellState::NotJudged;
};

// The partial odd harmonic current: odd orders 21 to 39, Class A and D.
struct Pohc
{
    // Square root of the sum of the squares of their averages, mA.
    double measuredMa = 0;
    // Square root of the sum of the squares of their limits, mA.
    double limitMa = 0;
    // measuredMa <= limitMa: each of these orders may average up to 150 %
    // of its limit.
    bool allowanceApplied = false;
};

// What the limits of an observation were computed from.
struct LimitsBasis
{
    // Class D: the typed power (text, W) the limits come from; the highest
    // measured power of the samples, and whether the two differ by more than
    // 10 % of the typed power.
    QString typedPower;
    std::optional<double> highestPowerW;
    bool powerDiffers = false;
    // Class C: the sample (index among the judged samples) with the highest
    // fundamental current, that current (A) and that sample's power factor.
    std::optional<int> fundamentalSample;
    double fundamentalA = 0;
    double powerFactor = 0;
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
    int samplesJudged = 0;
    int samplesNotJudged = 0;
    // Why the class set no limits (a Class D power out of range); empty
    // otherwise.
    QString problem;
};

// The samples of an observation added one by one: a running judgement costs
// the same after the 10,000th sample as after the first.
class ObservationTally
{
public:
    void add(const RuleSample& sample);
    void addNotJudged() { ++m_notJudged; }

    int judged() const { return m_judged; }
    int notJudged() const { return m_notJudged; }

    // The rules over the samples added so far. `power`: the typed Class D
    // power text, W; ignored for the other classes.
    ObservationJudgement judge(ProductClass productClass, const QString& power,
                               ObservationEnd end) const;

private:
    std::array<double, kHarmonicCells> m_sumMa{};
    std::array<double, kHarmonicCells> m_maximumMa{};
    // Cells some sample tested.
    std::bitset<kHarmonicCells> m_tested;
    int m_judged = 0;
    int m_notJudged = 0;
    std::optional<int> m_fundamentalSample;
    double m_fundamentalA = 0;
    double m_powerFactor = 0;
    std::optional<double> m_highestPowerW;
};

// The rules over `judged` samples and `notJudged` samples that were counted
// but not judged.
ObservationJudgement judgeObservation(ProductClass productClass, const QString& power,
                                      const QList<RuleSample>& judged, int notJudged,
                                      ObservationEnd end);
