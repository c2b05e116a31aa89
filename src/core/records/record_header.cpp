#include "record_header.h"

#include "judgement.h"
#include "observation_rules.h"
#include "version.h"

bool RecordHeader::simulated() const
{
    return isSimulatedDevice(device);
}

RecordHeader newRecordHeader(RecordKind kind, const QString& port, const QString& device,
                             const ClassChoice& choice, const QDateTime& startedAt)
{
    RecordHeader header;
    header.kind = kind;
    header.port = port;
    header.device = device;
    header.startedAt = startedAt;
    header.choice = choice;
    // A power is a Class D product's only.
    if (choice.productClass != ProductClass::D)
        header.choice.power = ClassDPower();
    header.rules = QLatin1String(kind == RecordKind::Observation ? kObservationRules
                                                                  : kMeasurementRules);
    header.toolVersion = QString::fromLatin1(kToolVersion);
    return header;
}
