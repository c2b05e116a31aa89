#pragma once

#include "observation_record.h"
#include "recording_judgement.h"

#include <QDateTime>
#include <QString>

#include <optional>

// A recording taken in, as the window and the command line take it: judged
// under a class choice and, when it may be kept, made the record of kind
// waveform the store keeps (RecordStore::saveRecording).
struct RecordingIntake
{
    // The file could not be judged (unreadable, damaged, out of range): the
    // reason and where. Nothing else is set.
    std::optional<RecordingError> refused;
    // It was judged but is not kept (a channel clips, the file ended early):
    // why, and what was judged, to show.
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
