#pragma once

#include "judgement.h"

#include <QString>

#include <optional>

// A guard band for pre-compliance: every limit reduced by a percentage for
// the verdict, so that a product that passes keeps that margin to the lab's
// limits. 0 (the default) judges against the limits themselves; the window's
// own test always does.
inline constexpr double kLargestGuardBandPct = 50;

// The guard band a text gives, in %: a number from 0 to 50, both included,
// read as StrictNumber reads it ("10", " 2.5 "); nothing for any other text.
std::optional<double> guardBandOf(const QString& text);

// "10 %", "2.5 %": the guard band as the outputs write it.
QString guardBandText(double pct);

// The limit reduced by `pct` %, rounded as a field shows it: 2300 mA under a
// 10 % guard band is 2070 mA.
double guardedLimitMa(double limitMa, double pct);
// The guarded limit as a limit cell writes it ("2070mA"); empty for an empty
// limit.
QString guardedLimitText(const QString& limit, double pct);

// `verdict` as a verdict under the guard band says it: "Fail (10 % guard
// band)"; unchanged for a guard band of 0.
QString withGuardBand(const QString& verdict, double pct);

// Judges every cell the class judged again, against its limit reduced by
// `pct` %, and sets judgement.guardBandPct (also when the class judged
// nothing); anyFailed then says whether a harmonic is above its guarded
// limit. `amps`: the rms current text, A (the
// not-tested rule). Nothing changes for a guard band of 0.
void applyGuardBand(Judgement& judgement, const QString& amps, double pct);

// Among the cells a judgement tested (Pass or Fail; not tested and not judged
// cells never count), the one with the highest current in % of its limit
// (the guarded limit under a guard band), the lower order first among
// equals; nothing when none was.
std::optional<ClosestOrder> closestOrder(const Judgement& judgement);
