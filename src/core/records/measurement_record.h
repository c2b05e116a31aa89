#pragma once

#include "cycle_result.h"
#include "record_header.h"

#include <QString>

// One stored measurement: the cycle result with where and by what it was
// taken.
struct MeasurementRecord : RecordHeader
{
    CycleResult result = {};
};

// The record of a measurement just taken on `port` (the device `device`), as
// the window and the command line keep it. The product fields are left for
// the caller.
inline MeasurementRecord newRecord(const CycleResult& result, const QString& port,
                                   const QString& device)
{
    return {newRecordHeader(port, device), result};
}
