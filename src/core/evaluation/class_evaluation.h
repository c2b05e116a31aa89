#pragma once

#include "class_choice.h"
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
    // The measured true power in W as shown: the edition's scope and the
    // Class D power basis.
    QString watts = {};
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
// The Class D limits of `basisW` watts, whatever the power (the range is the
// typed power's), for a judgement that says `powerText` was typed.
Judgement ClassDAt(const MeasuredValues& measured, const QString& powerText, double basisW);
// Lighting of 25 W or less under an edition that gives it its own limits,
// at the measured power `watts`: it passes when one alternative holds.
// The first, each odd order within the Class D limit per watt, or the
// third, the total harmonic distortion up to 70 % and the orders 2 to 11
// within their % of the fundamental, set the cells; the second (3rd and 5th
// within 86 % and 61 % of the fundamental) also asks a wave shape no snapshot
// shows: when only it may hold, there is no verdict and the note says so.
// `guardBandPct`: every limit, the distortion's too, reduced by it.
Judgement LowPowerLighting(const MeasuredValues& measured, double watts, double guardBandPct);

// What the operator is told about a power out of range (ClassDPower::inRange):
// "You need to enter a value  from 50 to 600 for Class D Power" (two blanks
// after "value", as the window has always said it).
QString classDPowerRangeMessage();

// The evaluation of a measurement under `choice`, whole: its edition's scope
// (equipment it does not limit: status NotLimited), its class's table (for
// None a judgement with status NoClass and every cell NotJudged), the Class D
// power basis of the edition, with the lab's basis beside a typed one that
// the measured power does not bear out, and the guard band: the cells judged
// against their limits reduced by that percentage (applyGuardBand); the
// limit texts stay the class's.
Judgement Limits(const ClassChoice& choice, const MeasuredValues& measured);

// Why the edition of `choice` sets no limits for this equipment, whose rated
// power is the typed Class D power where one is typed, otherwise
// `measuredW`: "Not limited under IEC 61000-3-2:2018+A1:2020: equipment other
// than lighting of 75 W or less (measured power 60 W)". Empty when it is
// limited (or no power is known).
QString notLimitedReason(const ClassChoice& choice, std::optional<double> measuredW);

// "Measured 75 W is outside 90-110 % of the typed 90 W: at the lab's basis
// the product fails (3rd 280 mA against 255 mA)"; empty without a lab basis.
QString labBasisLine(const Judgement& judgement);

// What the outputs add to a Class C judgement of lighting of 25 W or less
// under an edition without its own rules for it.
QString lowPowerLightingNote();
