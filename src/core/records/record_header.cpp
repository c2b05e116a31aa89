#include "record_header.h"

#include "version.h"

bool RecordHeader::simulated() const
{
    return isSimulatedDevice(device);
}

RecordHeader newRecordHeader(const QString& port, const QString& device)
{
    RecordHeader header;
    header.port = port;
    header.device = device;
    header.toolVersion = QString::fromLatin1(kToolVersion);
    return header;
}
