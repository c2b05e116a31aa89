#pragma once

#include "observation_record.h"
#include "outcome.h"
#include "recording_judgement.h"

#include <QString>

#include <optional>

class RecordStore;

// A recording taken in, as the window and the command line take it: judged
// under a class choice and, when it may be kept, kept in the store as a
// record of kind waveform.
struct RecordingIntake
{
    // The file could not be judged (unreadable, damaged, out of range): the
    // reason and where. Nothing else is set.
    std::optional<RecordingError> refused;
    // It was judged but is not kept (a channel clips, the file ended early):
    // why, and what was judged, to show.
    QString notKept;
    std::optional<JudgedRecording> shownOnly;
    // The record, judged; its id is set when the store kept it, otherwise
    // recordProblem says why it was not.
    ObservationRecord record;
};

// Judges `path` under `choice` and keeps the result in `store` with the
// product fields `product`, taken now. The file is streamed; only its
// windows are held.
RecordingIntake takeRecording(const QString& path, const RecordingOptions& options,
                              const ClassChoice& choice, const ProductInfo& product,
                              RecordStore& store);
