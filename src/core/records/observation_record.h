#pragma once

#include "observation.h"
#include "record_header.h"

#include <QString>

// One stored timed observation: its result with every sample, where, when,
// under which class and by what it was taken, and the product fields. A
// record store keeps it as one record whose samples are written as they
// arrive.
struct ObservationRecord : RecordHeader
{
    ObservationResult result = {};
};

// The record of an observation of `durationS` about to begin on `port` (the
// device `device`) under `choice`, at `startedAt`, as the window and the
// command line begin it. The product fields are left for the caller.
inline ObservationRecord newObservationRecord(const QString& port, const QString& device,
                                              const ClassChoice& choice, int durationS,
                                              const QDateTime& startedAt)
{
    ObservationRecord record{
        newRecordHeader(RecordKind::Observation, port, device, choice, startedAt)};
    record.result.choice = choice;
    record.result.durationS = durationS;
    return record;
}

// True when `record` was stored under other rules than kObservationRules and
// has been judged again by them.
inline bool rulesChanged(const ObservationRecord& record)
{
    return !record.rules.isEmpty() && record.rules != record.result.rules();
}
