#include "new_record.h"

#include "version.h"

MeasurementRecord newRecord(const CycleResult& result, const QString& port, const QString& device)
{
    MeasurementRecord record;
    record.result = result;
    record.port = port;
    record.device = device;
    record.toolVersion = QString::fromLatin1(kToolVersion);
    return record;
}
