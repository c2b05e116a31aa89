#include "zento_measurement.h"

Measurement zentoMeasurement(const ParsedReply& reply, const QDateTime& takenAt)
{
    Measurement measurement;
    measurement.source = QString::fromLatin1(kZentoSource);
    measurement.takenAt = takenAt;
    measurement.watts = reply.watts;
    measurement.volts = reply.volts;
    measurement.amps = reply.amps;
    measurement.powerFactor = reply.powerFactor;
    measurement.powerFactorGiven = reply.fieldsFound >= 4 ? reply.fields[3] : QString();
    measurement.frequency = reply.frequency;
    measurement.fundamentalA = reply.fundAmp;
    measurement.harmonicsMa = reply.harmonics;
    return measurement;
}
