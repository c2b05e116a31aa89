#pragma once

#include "class_d_power.h"
#include "judgement.h"

#include <QString>

#include <array>

// What the class evaluations read of a measurement.
struct MeasuredValues
{
    // The measured current of harmonic i + 2 as shown, in mA.
    std::array<QString, kHarmonicCells> harmonics{};
    // The rms current as shown, in A (for the not-tested rule).
    QString amps;
    // The power factor as shown (Class C).
    QString powerFactor;
    // The power factor as the analyzer sent it, quoted when it does not
    // convert; empty to quote powerFactor instead.
    QString powerFactorSent;
    // The fundamental current in A as the result reply gave it
    // (Class C).
    QString fundAmp;
};

// Each gives the limit texts of its class, judges each measured harmonic by
// the verdict scheme and empties the cells the class does not judge.
Judgement ClassA(const MeasuredValues& measured);
// The limit cells of Class A (orders 2 to 40), the same for every
// measurement: the caps of the Class D limits.
const std::array<QString, kHarmonicCells>& classALimitTexts();
Judgement ClassB(const MeasuredValues& measured);
Judgement ClassC(const MeasuredValues& measured);
// `power`: the operator's Class D power, in W. A power that is not a
// number, or not from 50 to 600 W, is not judged: no limit, no cell coloured.
// Each Class D limit is the lower of the per-watt limit and the Class A limit
// of that order (above about 584 W the orders 15 to 39 take Class A's).
Judgement ClassD(const MeasuredValues& measured, const ClassDPower& power);

// What the operator is told about a power out of range (ClassDPower::inRange):
// "You need to enter a value  from 50 to 600 for Class D Power" (two blanks
// after "value", as the window has always said it).
QString classDPowerRangeMessage();

// Limits: the evaluation of `productClass`; for None a judgement with status
// NoClass and every cell NotJudged. `guardBandPct`: the cells judged against
// their limits reduced by that percentage (applyGuardBand); the limit texts
// stay the class's.
Judgement Limits(ProductClass productClass, const MeasuredValues& measured,
                 const ClassDPower& power, double guardBandPct = 0);
