#include "record_header.h"

#include "judgement.h"
#include "observation.h"
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
    switch (kind) {
    case RecordKind::Observation:
        header.rules = QLatin1String(kObservationRules);
        break;
    case RecordKind::Waveform:
        header.rules = QLatin1String(kRecordingRules);
        break;
    case RecordKind::Measurement:
        header.rules = measurementRules(choice.edition);
        break;
    }
    header.toolVersion = QString::fromLatin1(kToolVersion);
    return header;
}
