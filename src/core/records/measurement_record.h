#pragma once

#include "cycle_result.h"
#include "record_header.h"

#include <QString>

// One stored measurement: the cycle result with where, when, under which
// class and by what it was taken.
struct MeasurementRecord : RecordHeader
{
    CycleResult result = {};
};

// The class a cycle result was judged under, as its judgement says.
inline ClassChoice judgedChoice(const Judgement& judgement)
{
    return {judgement.productClass, judgement.power, judgement.guardBandPct, judgement.edition,
            judgement.professional};
}

// The record of a measurement just taken on `port` (the device `device`), as
// the window and the command line keep it: taken when its reply was read,
// under the class it was judged under. The product fields are left for the
// caller.
inline MeasurementRecord newRecord(const CycleResult& result, const QString& port,
                                   const QString& device)
{
    return {newRecordHeader(RecordKind::Measurement, port, device,
                            judgedChoice(result.judgement), result.measuredAt),
            result};
}
