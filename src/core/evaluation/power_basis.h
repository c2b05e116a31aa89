#pragma once

#include <QString>

#include <optional>

// The power the Class D limits come from.
enum class PowerBasis {
    Typed,    // the typed power
    Measured, // the measured power (an observation: the highest sample), as the lab takes it
};

// "typed", "measured".
QString powerBasisName(PowerBasis basis);
std::optional<PowerBasis> powerBasisFromName(const QString& name);

// The basis the lab takes: the typed power when the measured one lies
// within 90 % to 110 % of it (both borders included), otherwise the
// measured power. Typed when either is missing or the typed is not above 0.
PowerBasis labPowerBasis(std::optional<double> typedW, std::optional<double> measuredW);

// The lab judges Class D by the measured power; a typed (declared) power
// stands for it only when the two are close. These are the tool's rules for
// saying so.

// How far the measured power lies from the typed one, in % of the typed
// power (positive when more was measured); nothing when either is not a
// number or the typed power is not above 0.
std::optional<double> powerDeviationPct(const QString& typedW, const QString& measuredW);

// A single measurement: the measured power differs from the typed one by
// more than 10 % of the typed power (exactly 10 % does not).
bool powerDiffers(double deviationPct);

// What text output and standard error say of such a measurement: "The
// measured power 75 W is 17 % below the typed 90 W: the lab will judge by
// the measured power". Empty when the powers do not differ by more than 10 %
// (or cannot be compared).
QString powerDiffersLine(const QString& typedW, const QString& measuredW);

// An observation: the highest measured power is within ±10 % of the typed
// power (10 % of the typed power, exactly 10 % included, as powerDiffers
// takes it), so the lab may judge by the typed power. False for a typed
// power not above 0.
bool typedPowerWithin(double typedW, double measuredW);
