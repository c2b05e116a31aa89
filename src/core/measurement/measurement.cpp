#include "measurement.h"

MeasuredValues measuredValues(const Measurement& measurement)
{
    MeasuredValues measured;
    measured.harmonics = measurement.harmonicsMa;
    measured.amps = measurement.amps;
    measured.powerFactor = measurement.powerFactor;
    measured.powerFactorSent = measurement.powerFactorGiven;
    measured.fundAmp = measurement.fundamentalA;
    measured.watts = measurement.watts;
    return measured;
}
