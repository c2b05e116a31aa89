#pragma once

#include "class_evaluation.h"
#include "harmonics.h"

#include <QDateTime>
#include <QString>

#include <array>

// One measurement as any source gives it: the values it shows, when it was
// taken and which source took it. The judging, the records and the faces read
// these values and never the source's own form of them. Each value is the
// text shown for it (the judging reads these texts); a null QString where the
// source gave none.
struct Measurement
{
    // The source that took it: "zento" (the analyzer over the serial line)
    // or "recording" (a recorded waveform).
    QString source;
    // When it was taken; local time.
    QDateTime takenAt;

    QString watts; // W, the true power
    QString volts; // V, rms
    QString amps;  // A, rms
    QString powerFactor;
    // The power factor as the source gave it, quoted when it is no number;
    // empty to quote powerFactor instead.
    QString powerFactorGiven;
    QString frequency; // Hz
    // The fundamental current in A, as the source gave it.
    QString fundamentalA;
    // Harmonic i + 2 in mA.
    std::array<QString, kHarmonicCells> harmonicsMa{};
};

// What the class evaluations read of a measurement.
MeasuredValues measuredValues(const Measurement& measurement);
