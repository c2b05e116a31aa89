#include "observation.h"

#include "clock.h"
#include "conversions.h"
#include "rejudge.h"
#include "sort_out.h"
#include "verdict_scheme.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

ObservationEnd endOf(Verdict verdict)
{
    switch (verdict) {
    case Verdict::LineFailed:
        return ObservationEnd::LineFailed;
    case Verdict::Stopped:
        return ObservationEnd::Stopped;
    default:
        return ObservationEnd::Completed;
    }
}

} // namespace

QString observationVerdictText(ObservationVerdict verdict)
{
    switch (verdict) {
    case ObservationVerdict::Pass:
        return verdictText(Verdict::Pass);
    case ObservationVerdict::Fail:
        return verdictText(Verdict::Fail);
    case ObservationVerdict::IncompleteObservation:
        break;
    case ObservationVerdict::LineFailed:
        return verdictText(Verdict::LineFailed);
    case ObservationVerdict::Stopped:
        return verdictText(Verdict::Stopped);
    case ObservationVerdict::NotLimited:
        return verdictText(Verdict::NotLimited);
    }
    return QStringLiteral("Incomplete observation");
}

std::optional<RuleSample> ruleSampleOf(const CycleResult& result)
{
    // A reply the edition does not limit, or whose lamp's verdict rests on
    // a wave shape, is measured all the same: the observation judges it.
    if (!isJudged(result.verdict) && result.verdict != Verdict::NotLimited &&
        !(result.verdict == Verdict::NoVerdict && result.judgement.waveShapeUndecided))
        return std::nullopt;
    RuleSample sample;
    const Measurement measured = result.measurement();
    // The single-cycle rule's threshold, whatever the cycle's own limits.
    const double notTestedBelow = evaluation::notTestedBelowMa(measured.amps);
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        sample.currentsMa[cell] = NumericValue(measured.harmonicsMa[cell]);
        sample.notTested[cell] = sample.currentsMa[cell] < notTestedBelow;
    }
    sample.fundamentalA = NumericValue(measured.fundamentalA);
    sample.powerFactor = NumericValue(measured.powerFactor);
    sample.powerW = NumericValue(measured.watts);
    sample.rmsA = NumericValue(measured.amps);
    return sample;
}

ShownValues shownValuesOf(const Measurement& measured)
{
    ShownValues shown;
    shown.set(ShownValues::Volts, StrictNumber(measured.volts));
    shown.set(ShownValues::Amps, StrictNumber(measured.amps));
    shown.set(ShownValues::Watts, StrictNumber(measured.watts));
    shown.set(ShownValues::PowerFactor, StrictNumber(measured.powerFactor));
    shown.set(ShownValues::Frequency, StrictNumber(measured.frequency));
    return shown;
}

QByteArray keptReplyLine(const QString& line)
{
    if (line.isNull())
        return {};
    const QByteArray bytes = line.toLatin1();
    return bytes.isEmpty() ? QByteArray("", 0) : bytes;
}

QString replyLineText(const QByteArray& kept)
{
    if (kept.isNull())
        return {};
    const QString text = QString::fromLatin1(kept);
    return text.isNull() ? QStringLiteral("") : text;
}

ObservedSample observedSample(double startS, const CycleResult& cycle)
{
    ObservedSample sample;
    sample.startS = startS;
    sample.measuredAt = cycle.measuredAt;
    sample.verdict = cycle.verdict;
    sample.problem = cycle.problem;
    sample.line = keptReplyLine(cycle.reply.line);
    switch (cycle.verdict) {
    case Verdict::AnalyzerDidNotAnswer:
    case Verdict::LineFailed:
    case Verdict::Stopped:
        sample.reply = ObservedSample::Reply::NotRead;
        break;
    default:
        // A whole line that is not empty has at least one field: a line
        // kept without any was cut.
        if (!cycle.reply.line.isEmpty() && cycle.reply.fieldsFound == 0)
            sample.reply = ObservedSample::Reply::Cut;
        break;
    }
    sample.values = ruleSampleOf(cycle);
    sample.shown = shownValuesOf(cycle.measurement());
    return sample;
}

CycleResult cycleResultOf(const ObservedSample& sample, const ClassChoice& choice)
{
    const ClassDPower power = choice.classDPower();
    CycleResult result;
    result.measuredAt = sample.measuredAt;
    switch (sample.reply) {
    case ObservedSample::Reply::Whole:
        result.reply.line = replyLineText(sample.line);
        return judgeAgain(result, choice);
    case ObservedSample::Reply::Cut:
        result.reply.line = replyLineText(sample.line);
        result.judgement = Limits(choice, measuredValues(result.reply));
        break;
    case ObservedSample::Reply::NotRead:
    case ObservedSample::Reply::Window:
        result.judgement.productClass = choice.productClass;
        result.judgement.power = power.text();
        result.judgement.guardBandPct = choice.guardBandPct;
        result.judgement.edition = choice.edition;
        result.judgement.professional = choice.professional;
        break;
    }
    // Neither depends on the class.
    result.verdict = sample.verdict;
    result.problem = sample.problem;
    return result;
}

void readAgain(ObservedSample& sample, const ClassChoice& choice)
{
    // A window's values are the recording's, whatever the class.
    if (sample.reply == ObservedSample::Reply::Window)
        return;
    const CycleResult cycle = cycleResultOf(sample, choice);
    sample.values = ruleSampleOf(cycle);
    sample.shown = shownValuesOf(cycle.measurement());
}

ObservationEnd endOf(ObservationVerdict verdict)
{
    switch (verdict) {
    case ObservationVerdict::LineFailed:
        return ObservationEnd::LineFailed;
    case ObservationVerdict::Stopped:
        return ObservationEnd::Stopped;
    default:
        return ObservationEnd::Completed;
    }
}

ObservationResult judgedAgain(ObservationResult result, const ClassChoice& choice)
{
    if (result.recording)
        return judgedRecordingAgain(std::move(result), choice);
    const ObservationEnd end = endOf(result.verdict);
    // Under its own class the samples give its verdict unless it was never
    // finished.
    const bool unfinished =
        result.verdict == ObservationVerdict::IncompleteObservation &&
        judgeSamples(result.samples, result.choice, end, result.sampleIntervalS).verdict !=
            result.verdict;
    for (ObservedSample& sample : result.samples)
        sample = observedSample(sample.startS, cycleResultOf(sample, choice));
    result.choice = choice;
    result.judgement = judgeSamples(result.samples, choice, end, result.sampleIntervalS);
    result.samplesNotJudged = result.judgement.samplesNotJudged;
    if (unfinished)
        result.judgement.verdict = ObservationVerdict::IncompleteObservation;
    result.verdict = result.judgement.verdict;
    return result;
}

void ShownRanges::add(const ShownValues& shown)
{
    for (int n = 0; n < ShownValues::kCount; ++n) {
        const std::optional<double> value = shown[ShownValues::Value(n)];
        if (!value)
            continue;
        const std::size_t k = std::size_t(n);
        lowest[k] = count[k] == 0 ? *value : std::min(lowest[k], *value);
        highest[k] = count[k] == 0 ? *value : std::max(highest[k], *value);
        sum[k] += *value;
        ++count[k];
    }
}

ObservedSample windowSampleAt(double startS, const QDateTime& measuredAt, const RuleSample& values,
                              const ShownValues& shown)
{
    ObservedSample sample;
    sample.startS = startS;
    sample.measuredAt = measuredAt;
    sample.reply = ObservedSample::Reply::Window;
    sample.values = values;
    sample.shown = shown;
    return sample;
}

RuleSample windowRuleSample(const std::array<double, kHarmonicCells>& currentsMa, double rmsA,
                            double fundamentalA, double powerFactor, double powerW)
{
    RuleSample sample;
    const double notTestedBelow = evaluation::notTestedBelowMa(rmsA);
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell) {
        sample.currentsMa[cell] = currentsMa[cell];
        sample.notTested[cell] = currentsMa[cell] < notTestedBelow;
    }
    sample.fundamentalA = fundamentalA;
    sample.powerFactor = powerFactor;
    sample.powerW = powerW;
    sample.rmsA = rmsA;
    return sample;
}

QString windowValuesText(const ObservedSample& sample)
{
    if (!sample.values)
        return QString();
    QStringList numbers;
    const auto add = [&numbers](double value) { numbers << QString::number(value, 'g', 9); };
    for (ShownValues::Value value : {ShownValues::Volts, ShownValues::Amps, ShownValues::Watts,
                                     ShownValues::PowerFactor, ShownValues::Frequency})
        add(sample.shown[value].value_or(0));
    add(sample.values->fundamentalA);
    for (double ma : sample.values->currentsMa)
        add(ma);
    return numbers.join(QLatin1Char(' '));
}

bool readWindowValues(const QString& text, ObservedSample* sample)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    constexpr int kShown = ShownValues::kCount;
    if (parts.size() != kShown + 1 + kHarmonicCells)
        return false;
    std::array<double, kShown + 1 + kHarmonicCells> numbers{};
    for (std::size_t n = 0; n < numbers.size(); ++n) {
        bool ok = false;
        numbers[n] = parts.at(qsizetype(n)).toDouble(&ok);
        if (!ok || !std::isfinite(numbers[n]))
            return false;
    }
    for (int value = 0; value < kShown; ++value)
        sample->shown.set(ShownValues::Value(value), numbers[std::size_t(value)]);
    std::array<double, kHarmonicCells> currentsMa{};
    std::copy(numbers.begin() + kShown + 1, numbers.end(), currentsMa.begin());
    sample->values = windowRuleSample(currentsMa, numbers[ShownValues::Amps], numbers[kShown],
                                      numbers[ShownValues::PowerFactor],
                                      numbers[ShownValues::Watts]);
    return true;
}

QString recordingMethodSentence(const RecordingFacts& facts)
{
    return QStringLiteral("1.5 s smoothed DFT windows of %1 periods (IEC 61000-4-7) from a "
                          "recording")
        .arg(facts.periodsPerWindow);
}

QString recordingSupplyText(const RecordingFacts& facts)
{
    if (!facts.supplyWarning.isEmpty())
        return facts.supplyWarning;
    return QStringLiteral("%1-%2 V, %3-%4 Hz: within the test supply's requirements")
        .arg(facts.voltsLowest, 0, 'f', 1)
        .arg(facts.voltsHighest, 0, 'f', 1)
        .arg(facts.hzLowest, 0, 'f', 2)
        .arg(facts.hzHighest, 0, 'f', 2);
}

QString ObservationResult::source() const
{
    return recording ? QStringLiteral("recording") : QStringLiteral("zento");
}

QString ObservationResult::sampling() const
{
    return recording ? recordingMethodSentence(*recording) : samplingSentence(sampleIntervalS);
}

QString ObservationResult::rules() const
{
    return QLatin1String(recording ? kRecordingRules : kObservationRules);
}

CellState windowOrderState(const ObservationJudgement& judgement, const RuleSample& values,
                           int cell)
{
    const std::optional<double>& limit = judgement.orders[std::size_t(cell)].guardedLimitMa;
    if (!limit)
        return CellState::NotJudged;
    if (values.notTested[std::size_t(cell)])
        return CellState::NotTested;
    return values.currentsMa[std::size_t(cell)] > *limit ? CellState::Fail : CellState::Pass;
}

void markWindowVerdicts(ObservationResult& result)
{
    for (ObservedSample& sample : result.samples) {
        if (sample.reply != ObservedSample::Reply::Window || !sample.values)
            continue;
        bool above = false;
        for (int cell = 0; cell < kHarmonicCells && !above; ++cell)
            above = windowOrderState(result.judgement, *sample.values, cell) == CellState::Fail;
        sample.verdict = above ? Verdict::Fail : Verdict::Pass;
    }
}

std::optional<WorstWindow> worstWindow(const ObservationResult& result)
{
    std::optional<WorstWindow> worst;
    for (int index = 0; index < int(result.samples.size()); ++index) {
        const ObservedSample& sample = result.samples.at(index);
        if (sample.reply != ObservedSample::Reply::Window || !sample.values)
            continue;
        for (int cell = 0; cell < kHarmonicCells; ++cell) {
            const std::optional<double>& limit =
                result.judgement.orders[std::size_t(cell)].guardedLimitMa;
            if (!limit || *limit <= 0 || sample.values->notTested[std::size_t(cell)])
                continue;
            const double pct = sample.values->currentsMa[std::size_t(cell)] / *limit * 100;
            if (!worst || pct > worst->percentOfLimit)
                worst = WorstWindow{index, cell, pct};
        }
    }
    return worst;
}

ObservationResult judgedRecordingAgain(ObservationResult result, const ClassChoice& choice)
{
    result.choice = choice;
    result.judgement =
        judgeSamples(result.samples, choice, ObservationEnd::Completed, result.sampleIntervalS);
    result.samplesNotJudged = result.judgement.samplesNotJudged;
    result.verdict = result.judgement.verdict;
    noteARecordingTooShort(result);
    markWindowVerdicts(result);
    return result;
}

void noteARecordingTooShort(ObservationResult& result)
{
    if (result.elapsedS < Observation::kDefaultDurationS)
        result.judgement.notes << QStringLiteral("The recording is %1 s long, shorter than the "
                                                 "observation period of %2 min: judged as it is.")
                                      .arg(QString::number(result.elapsedS, 'f', 1))
                                      .arg(Observation::kDefaultDurationS / 60.0);
}

ObservationJudgement judgeSamples(const QList<ObservedSample>& samples, const ClassChoice& choice,
                                  ObservationEnd end, double sampleIntervalS)
{
    ObservationTally tally(choice);
    for (const ObservedSample& sample : samples) {
        if (sample.values)
            tally.add(*sample.values);
        else
            tally.addNotJudged();
    }
    return tally.judge(end, sampleIntervalS);
}

Observation::Observation(MeasurementCycle& cycle, Clock& clock) : m_cycle(cycle), m_clock(clock) {}

ObservationResult Observation::run(const ClassChoice& choice, int durationS,
                                   ObservationObserver& observer, Interruption& interruption)
{
    ObservationResult result;
    result.choice = choice;
    result.durationS = durationS;
    ObservationTally tally(choice);
    if (durationS < kShortestDurationS || durationS > kLongestDurationS) {
        result.problem = QStringLiteral("An observation lasts from %1 s to %2 s (24 h), not %3 s; "
                                        "nothing was sent.")
                             .arg(kShortestDurationS)
                             .arg(kLongestDurationS)
                             .arg(durationS);
        result.judgement = tally.judge(ObservationEnd::Completed, 0);
        result.verdict = result.judgement.verdict;
        return result;
    }

    const qint64 startMs = m_clock.steadyMs();
    const qint64 durationMs = qint64(durationS) * 1000;
    const auto sinceStartS = [&] { return double(m_clock.steadyMs() - startMs) / 1000; };
    int shownLeft = -1;
    const auto tick = [&] {
        const qint64 leftMs = std::max<qint64>(durationMs - (m_clock.steadyMs() - startMs), 0);
        const int left = int((leftMs + 999) / 1000);
        if (left != shownLeft) {
            shownLeft = left;
            observer.secondsLeft(left);
        }
    };
    // The countdown follows the cycles' reports while this observation runs.
    observer.m_tick = tick;
    struct TickEnd
    {
        ObservationObserver& observer;
        ~TickEnd() { observer.m_tick = nullptr; }
    } tickEnd{observer};
    // A cycle lasts at least 6 s (Delay "5" and Delay "3"): room for every
    // sample at once, so that a day's samples are never copied to grow.
    result.samples.reserve(durationS / 6 + 1);

    ObservationEnd end = ObservationEnd::Completed;
    double firstEndS = 0;
    tick();
    while (m_clock.steadyMs() - startMs < durationMs) {
        const int index = int(result.samples.size());
        const double startS = sinceStartS();
        const std::optional<CycleResult> cycle = m_cycle.run(choice, observer, interruption);
        end = cycle ? endOf(cycle->verdict) : ObservationEnd::Stopped;
        if (end != ObservationEnd::Completed) {
            if (cycle)
                result.problem = cycle->problem;
            break;
        }
        result.samples.append(observedSample(startS, *cycle));
        if (const std::optional<RuleSample>& values = result.samples.last().values)
            tally.add(*values);
        else
            tally.addNotJudged();
        if (index == 0)
            firstEndS = sinceStartS();
        // The interval so far: the mean time between the starts of the
        // samples (none yet with one sample).
        const double intervalSoFarS =
            index > 0 ? (startS - result.samples.first().startS) / double(index) : 0;
        observer.sampleTaken(index, result.samples.last(), *cycle,
                             tally.judge(ObservationEnd::Completed, intervalSoFarS));
        tick();
    }

    result.elapsedS = sinceStartS();
    result.samplesNotJudged = tally.notJudged();
    const qsizetype taken = result.samples.size();
    if (taken > 1)
        result.sampleIntervalS =
            (result.samples.last().startS - result.samples.first().startS) / double(taken - 1);
    else if (taken == 1)
        result.sampleIntervalS = firstEndS - result.samples.first().startS;
    result.judgement = tally.judge(end, result.sampleIntervalS);
    result.verdict = result.judgement.verdict;
    return result;
}
