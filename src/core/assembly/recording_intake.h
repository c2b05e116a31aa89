#pragma once

#include "observation_record.h"
#include "recording_judgement.h"

#include <QDateTime>
#include <QString>

#include <optional>

class RecordStore;

// A recording taken in, as the window and the command line take it: judged
// under a class choice and, when it may be kept, made the record of kind
// waveform the store keeps (RecordStore::saveRecording).
struct RecordingIntake
{
    // The file could not be judged (unreadable, damaged, out of range): the
    // reason and where. Nothing else is set.
    std::optional<RecordingError> refused;
    // It was judged but is not kept (a channel clips, the file ended early):
    // why, and what was judged. keepRecordingAsJudged then also makes
    // `record`, to show: "Invalid result" or "Incomplete observation", its
    // problem the reason, no id.
    QString notKept;
    std::optional<JudgedRecording> shownOnly;
    // The record to keep, judged, with the product fields; named by its
    // source ("recording") and the file.
    ObservationRecord record;
};

// Judges `path` under `choice`, taken at `takenAt`. The file is streamed;
// only its windows are held. Touches no store: the window judges off its
// own thread.
RecordingIntake takeRecording(const QString& path, const RecordingOptions& options,
                              const ClassChoice& choice, const ProductInfo& product,
                              const QDateTime& takenAt);

// How many windows a recording kept as it is judged holds for its charts at
// most, about: every other one is let go when twice as many are held.
inline constexpr int kChartWindows = 3000;

// As takeRecording, and kept in `store` as it is judged: each window written
// as it comes, so that the memory does not grow with the recording's length.
// The record's samples are then a selection of at most about twice
// `chartWindows` of its windows, evenly spread (ObservationResult::rangesOfAll
// holds the shown values of all). A recording not kept, or whose writes
// failed, leaves nothing in the store; record.recordProblem says why a
// judged one is not kept.
RecordingIntake keepRecordingAsJudged(const QString& path, const RecordingOptions& options,
                                      const ClassChoice& choice, const ProductInfo& product,
                                      const QDateTime& takenAt, RecordStore& store,
                                      int chartWindows = kChartWindows);
