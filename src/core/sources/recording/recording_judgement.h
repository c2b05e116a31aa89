#pragma once

#include "observation.h"
#include "observation_rules.h"
#include "recording_analysis.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// A recording judged as the lab judges: every smoothed DFT window one sample
// of the edition's observation rules (average against 100 %, each window
// against 150 % and the Class A 200 % provision, the Class D power basis from
// the highest smoothed power).
struct JudgedRecording
{
    // The file as given, its size in bytes and its SHA-256 (hex).
    QString file;
    qint64 sizeBytes = 0;
    QString sha256;
    RecordingAnalysis analysis;
    ObservationJudgement judgement;
    // The mean length of a window, s; the recording's length judged, s.
    double windowSeconds = 0;
    double judgedSeconds = 0;
    // Why the verdict is no Pass or Fail although the windows were judged:
    // the file ended early ("Incomplete observation"), or a channel clipped
    // ("Invalid result", the channel and the time named).
    std::optional<RecordingError> clipped;
};

// The neutral sample of a window: its harmonics, the currents below 5 mA or
// below 0.6 % of its rms current not tested, as a single measurement takes
// them.
RuleSample windowSample(const SmoothedWindow& window);

// Reads and judges `path` under `choice`. A file that cannot be judged is
// the refusal (RecordingError, exit 65) except a clipped channel, which is
// judged no further and kept in `clipped`. `keepWindows`: keep every window
// in analysis.windows (report --samples). `eachWindow`, when given, is
// called with every window as it is made, kept or not.
std::variant<JudgedRecording, RecordingError>
judgeRecording(const QString& path, const RecordingOptions& options, const ClassChoice& choice,
               bool keepWindows = false,
               const std::function<void(const SmoothedWindow&)>& eachWindow = {});

// The neutral shown values of a window: V, A, W, PF, Hz.
ShownValues windowShownValues(const SmoothedWindow& window);

// The recording as a timed observation judged under `choice`: each kept
// window one sample (judgeRecording with keepWindows), the recording's facts
// kept with it, begun at `startedAt`. A recording shorter than the
// observation period is judged and its notes say so.
ObservationResult recordingObservation(const JudgedRecording& judged, const ClassChoice& choice,
                                       const QDateTime& startedAt);

// The recording's facts: the file and what its windows showed.
RecordingFacts recordingFacts(const JudgedRecording& judged);

// A recording whose windows were written as they came (none kept in
// judged.analysis.windows), as an observation's result: its judgement,
// `selection` (some of its windows, for the charts) as its samples and the
// shown values of all of them.
ObservationResult streamedRecording(const JudgedRecording& judged, const ClassChoice& choice,
                                    QList<ObservedSample> selection, const ShownRanges& all);

// Nothing is kept of a recording that clipped or ended early: its refusal,
// or none for one that may be kept.
std::optional<QString> notKeptBecause(const JudgedRecording& judged);

// "Incomplete observation", "Invalid result", or the judgement's verdict.
QString recordingVerdictText(const JudgedRecording& judged);

