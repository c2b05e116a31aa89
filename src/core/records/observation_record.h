#pragma once

#include "observation.h"
#include "record_header.h"

#include <QString>

// One stored timed observation: its result with every sample, where and by
// what it was taken, and the product fields. A record store keeps it as one
// record whose samples are written as they arrive.
struct ObservationRecord : RecordHeader
{
    ObservationResult result = {};
    // The rule set the observation was judged by when it was stored
    // (kObservationRules then); empty for one not read from a store. Read
    // back, it is judged by the current rules: the outputs say so when the
    // two differ (rulesChanged).
    QString storedRules = {};
};

// True when `record` was stored under other rules than kObservationRules and
// has been judged again by them.
inline bool rulesChanged(const ObservationRecord& record)
{
    return !record.storedRules.isEmpty() && record.storedRules != QLatin1String(kObservationRules);
}
