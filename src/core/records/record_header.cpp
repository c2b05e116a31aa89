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
    header.choice.power = choice.classDPower();
    header.rules = kind == RecordKind::Observation ? QLatin1String(kObservationRules)
                                                   : measurementRules(choice.edition);
    header.toolVersion = QString::fromLatin1(kToolVersion);
    return header;
}
