#pragma once

#include "measurement_record.h"
#include "observation.h"

#include <QString>

// One stored timed observation: its result with every sample, where and by
// what it was taken, and the product fields. A record store keeps it as one
// record whose samples are written as they arrive.
struct ObservationRecord
{
    // Assigned by the store; 0 until the observation is begun there.
    qint64 id = 0;
    ObservationResult result;
    // As MeasurementRecord: "Com 1" to "Com 4", or the device path given.
    QString port;
    QString device;
    ProductInfo product;
    QString toolVersion;
    // As MeasurementRecord: the store it was written to or read from.
    QString store = {};
};
