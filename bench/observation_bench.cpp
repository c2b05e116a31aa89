// Judges an observation of 10,000 samples (a day at 8 s) by the observation's
// rules (median of several runs): first over the samples' values alone, then
// over the samples as the runner keeps them (compact, each cycle's full
// result given back on demand). Prints the times and the peak memory of the
// process beside their goals.
#include "judged_samples.h"
#include "observation.h"
#include "peak_memory.h"
#include "rejudge.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSamples = 10000;
constexpr int kRuns = 7;
constexpr double kJudgeGoalMs = 1;
constexpr double kMemoryGoalMb = 80;

// A Class A reply whose values change from sample to sample.
QString replyLine(int n)
{
    QStringList fields{QString::number(580 + n % 17),
                       QStringLiteral("229.8"),
                       QString::number(4.08 + 0.001 * (n % 11)),
                       QStringLiteral("0.62"),
                       QStringLiteral("50.02"),
                       QStringLiteral("0"),
                       QStringLiteral("0"),
                       QString::number(2.64 + 0.01 * (n % 5))};
    for (int order = 2; order <= 40; ++order)
        fields << QString::number(0.9 / order * (1 + 0.05 * ((n + order) % 7)), 'E', 4);
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, double value, const char* unit, double goal)
{
    std::printf("%-56s %8.2f %s   goal < %.0f %s   %s\n", what, value, unit, goal, unit,
                value < goal ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const ClassChoice choice{ProductClass::A, {}};
    QElapsedTimer timer;

    // The samples' values only, each reply parsed and judged as one cycle
    // and dropped: what judging a stored observation again holds.
    timer.start();
    QList<RuleSample> values;
    values.reserve(kSamples);
    for (int n = 0; n < kSamples; ++n) {
        CycleResult stored;
        stored.reply.line = replyLine(n);
        values << ruleSampleOf(judgeAgain(stored, choice)).value();
    }
    const double rejudgeMs = double(timer.nsecsElapsed()) / 1e6;
    std::vector<double> rulesMs;
    ObservationJudgement judgement;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        judgement = judgeObservation(choice.productClass, choice.power, values, 0,
                                     ObservationEnd::Completed);
        rulesMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%d samples, %d judged, verdict %s; their replies parsed and judged as single "
                "cycles: %.0f ms\n",
                kSamples, judgement.samplesJudged,
                qPrintable(observationVerdictText(judgement.verdict)), rejudgeMs);
    report("the rules over 10,000 samples' values (median)", median(rulesMs), "ms", kJudgeGoalMs);
    // Class C also keeps each sample's fundamental for their median (no
    // goal: on a machine whose page faults are slow, growing that list costs
    // about a millisecond).
    std::vector<double> classCMs;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        judgeObservation(ProductClass::C, {}, values, 0, ObservationEnd::Completed);
        classCMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%-56s %8.2f ms\n", "the same judged as Class C (median)", median(classCMs));
    report("peak memory, the samples' values kept (VmHWM)", peakMegabytes(), "MB", kMemoryGoalMb);

    // The samples as the runner keeps them: each cycle's result made compact
    // as it ends.
    QList<ObservedSample> samples;
    samples.reserve(kSamples);
    for (int n = 0; n < kSamples; ++n) {
        CycleResult stored;
        stored.reply.line = replyLine(n);
        samples.append(
            observedSample(n * 8.0, judgeAgain(stored, choice)));
    }
    std::vector<double> judgeMs;
    for (int run = 0; run < kRuns; ++run) {
        timer.restart();
        judgement = judgeSamples(samples, choice, ObservationEnd::Completed, 8.0);
        judgeMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    report("judging 10,000 kept samples (median)", median(judgeMs), "ms", kJudgeGoalMs);
    report("peak memory, 10,000 samples kept (VmHWM)", peakMegabytes(), "MB", kMemoryGoalMb);

    // What a consumer pays for a sample's full result, and for all of them
    // judged again under another class (no goal).
    timer.restart();
    qsizetype rebuilt = 0;
    for (const ObservedSample& sample : samples)
        rebuilt += cycleResultOf(sample, choice).reply.fieldsFound;
    const double rebuildMs = double(timer.nsecsElapsed()) / 1e6;
    const ClassChoice other{ProductClass::D, QStringLiteral("250")};
    timer.restart();
    QList<ObservedSample> again;
    again.reserve(kSamples);
    for (const ObservedSample& sample : samples)
        again.append(observedSample(sample.startS, cycleResultOf(sample, other)));
    judgement = judgeSamples(again, other, ObservationEnd::Completed, 8.0);
    const double againMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("one sample's full result given back: %.3f ms (%lld fields); all 10,000 judged "
                "again under Class D 250 W: %.0f ms, verdict %s\n",
                rebuildMs / kSamples, static_cast<long long>(rebuilt), againMs,
                qPrintable(observationVerdictText(judgement.verdict)));
    report("peak memory, at the end (VmHWM)", peakMegabytes(), "MB", kMemoryGoalMb);
    return 0;
}
