#include "recording_judgement.h"

#include "observation_rules.h"
#include "verdict_scheme.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// The file's SHA-256 in hex, read in blocks; empty when it cannot be read.
QString sha256Of(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

RuleSample windowSample(const SmoothedWindow& window)
{
    std::array<double, kHarmonicCells> currentsMa{};
    for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell)
        currentsMa[cell] = double(window.harmonicsMilliamps[cell]);
    return windowRuleSample(currentsMa, window.amps, window.fundamentalAmps, window.powerFactor,
                            window.watts);
}

ShownValues windowShownValues(const SmoothedWindow& window)
{
    ShownValues shown;
    shown.set(ShownValues::Volts, double(window.volts));
    shown.set(ShownValues::Amps, double(window.amps));
    shown.set(ShownValues::Watts, double(window.watts));
    shown.set(ShownValues::PowerFactor, double(window.powerFactor));
    shown.set(ShownValues::Frequency, double(window.hz));
    return shown;
}

RecordingFacts recordingFacts(const JudgedRecording& judged)
{
    const RecordingAnalysis& a = judged.analysis;
    RecordingFacts facts;
    facts.file = judged.file;
    facts.sizeBytes = judged.sizeBytes;
    facts.sha256 = judged.sha256;
    facts.voltageChannel = a.voltageChannel;
    facts.currentChannel = a.currentChannel;
    facts.sampleRate = a.sampleRate;
    facts.periodsPerWindow = a.periodsPerWindow;
    facts.frequencyHz = judged.windowSeconds > 0 ? a.periodsPerWindow / judged.windowSeconds : 0;
    facts.thdPct = a.maximumThdPercent;
    facts.crestFactor = a.maximumCrestFactor;
    facts.highestPowerW = a.maximumWatts;
    facts.voltsLowest = a.supply.lowestVolts;
    facts.voltsHighest = a.supply.highestVolts;
    facts.hzLowest = a.supply.lowestHz;
    facts.hzHighest = a.supply.highestHz;
    facts.crestLowest = a.supply.lowestCrest;
    facts.crestHighest = a.supply.highestCrest;
    facts.supplyWarning = a.supply.warning;
    return facts;
}

namespace {

// The result's facts and times, without samples.
ObservationResult recordingResult(const JudgedRecording& judged)
{
    ObservationResult result;
    result.recording = recordingFacts(judged);
    result.durationS = int(std::lround(judged.judgedSeconds));
    result.elapsedS = judged.judgedSeconds;
    result.sampleIntervalS = judged.windowSeconds;
    return result;
}

} // namespace

ObservationResult recordingObservation(const JudgedRecording& judged, const ClassChoice& choice,
                                       const QDateTime& startedAt)
{
    ObservationResult result = recordingResult(judged);
    result.samples.reserve(qsizetype(judged.analysis.windows.size()));
    for (const SmoothedWindow& window : judged.analysis.windows)
        result.samples.append(windowSampleAt(window.time,
                                             startedAt.addMSecs(qint64(window.time * 1000)),
                                             windowSample(window), windowShownValues(window)));
    return judgedRecordingAgain(std::move(result), choice);
}

ObservationResult streamedRecording(const JudgedRecording& judged, const ClassChoice& choice,
                                    QList<ObservedSample> selection, const ShownRanges& all)
{
    ObservationResult result = recordingResult(judged);
    result.samples = std::move(selection);
    result.rangesOfAll = all;
    result.judgement = judged.judgement;
    result.choice = choice;
    result.samplesNotJudged = result.judgement.samplesNotJudged;
    result.verdict = result.judgement.verdict;
    noteARecordingTooShort(result);
    markWindowVerdicts(result);
    // A file that ended early or a channel that clips: its windows judged,
    // no verdict.
    if (judged.clipped) {
        result.recording->invalid = judged.clipped->message;
        result.problem = judged.clipped->message;
    } else if (judged.analysis.incomplete) {
        result.problem = QStringLiteral("The file ended before the samples it announced: its %1 "
                                        "whole windows were judged.")
                             .arg(judged.judgement.samplesJudged);
    }
    if (judged.clipped || judged.analysis.incomplete)
        result.verdict = result.judgement.verdict = ObservationVerdict::IncompleteObservation;
    return result;
}

std::optional<QString> notKeptBecause(const JudgedRecording& judged)
{
    if (judged.clipped)
        return QStringLiteral("a channel clips; nothing is kept");
    if (judged.analysis.incomplete)
        return QStringLiteral("the file ended before the samples it announced; nothing is kept");
    return std::nullopt;
}

std::variant<JudgedRecording, RecordingError>
judgeRecording(const QString& path, const RecordingOptions& options, const ClassChoice& choice,
               bool keepWindows, const std::function<void(const SmoothedWindow&)>& eachWindow)
{
    OpenedRecording opened = openRecording(path, options);
    if (auto* refused = std::get_if<RecordingError>(&opened))
        return *refused;
    WaveformReader& reader = *std::get<std::unique_ptr<WaveformReader>>(opened);

    ObservationTally tally(choice);
    double firstStart = 0;
    double lastStart = 0;
    qint64 windows = 0;
    AnalysisOptions analysisOptions;
    analysisOptions.keepWindows = keepWindows;
    analysisOptions.onWindow = [&](const SmoothedWindow& window) {
        if (windows == 0)
            firstStart = window.time;
        lastStart = window.time;
        ++windows;
        tally.add(windowSample(window));
        if (eachWindow)
            eachWindow(window);
    };
    AnalysisOutcome outcome = analyzeRecording(reader, analysisOptions);

    JudgedRecording judged;
    judged.file = path;
    judged.sizeBytes = QFileInfo(path).size();
    judged.sha256 = sha256Of(path);
    if (auto* refused = std::get_if<RecordingError>(&outcome)) {
        if (!refused->invalidatesResult())
            return *refused;
        judged.clipped = *refused;
    } else {
        judged.analysis = std::move(std::get<RecordingAnalysis>(outcome));
    }
    // The windows follow each other without gaps: the mean start-to-start
    // time; one window alone stands for its periods.
    const RecordingAnalysis& a = judged.analysis;
    if (windows > 1)
        judged.windowSeconds = (lastStart - firstStart) / double(windows - 1);
    else if (windows == 1 && !a.windows.empty() && a.windows.front().hz > 0)
        judged.windowSeconds = a.periodsPerWindow / double(a.windows.front().hz);
    else if (windows == 1)
        judged.windowSeconds = a.periodsPerWindow / (a.periodsPerWindow == 12 ? 60.0 : 50.0);
    judged.judgedSeconds = judged.windowSeconds * double(windows);
    judged.judgement = tally.judge(ObservationEnd::Completed, judged.windowSeconds);
    return judged;
}

QString recordingVerdictText(const JudgedRecording& judged)
{
    if (judged.clipped)
        return QStringLiteral("Invalid result");
    if (judged.analysis.incomplete)
        return QStringLiteral("Incomplete observation");
    switch (judged.judgement.verdict) {
    case ObservationVerdict::Pass:
        return QStringLiteral("Pass");
    case ObservationVerdict::Fail:
        return QStringLiteral("Fail");
    case ObservationVerdict::NotLimited:
        return QStringLiteral("Not limited");
    case ObservationVerdict::IncompleteObservation:
    case ObservationVerdict::LineFailed:
    case ObservationVerdict::Stopped:
        break;
    }
    return QStringLiteral("Incomplete observation");
}
