#pragma once

#include "cycle_result.h"
#include "measurement_record.h"

#include <QString>

// The record of a measurement just taken, as the window and the command line
// keep it: the result, the port as the operator chose it ("Com 2", or a
// device path), the device it stood for, and this tool's version. The product
// fields are left for the caller.
MeasurementRecord newRecord(const CycleResult& result, const QString& port, const QString& device);
