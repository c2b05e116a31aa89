#pragma once

// The requirements IEC 61000-3-2 (Annex A) sets for the test supply, checked
// window by window against the smoothed figures of a recording. Where each
// figure was read is in docs/standards.md, "Harmonics from recorded waveforms".
#include "recording_analysis.h"

#include <array>

inline constexpr double kSupplyVoltsTolerancePercent = 2.0;
inline constexpr double kSupplyHzTolerancePercent = 0.5;
inline constexpr double kSupplyCrestLowest = 1.40;
inline constexpr double kSupplyCrestHighest = 1.42;

// The highest voltage harmonic U_n / U_1 in % the test supply may carry,
// order n = 2..40.
double supplyHarmonicLimitPercent(int order);

// Collects the worst figures of every window and words the warning.
class SupplyTracker
{
public:
    void add(double volts, double hz, double crest,
             const std::array<double, kRecordedHarmonics>& harmonicsPercent);
    SupplyCheck result() const;

private:
    bool m_started = false;
    double m_voltsSum = 0;
    double m_hzSum = 0;
    qint64 m_count = 0;
    SupplyCheck m_worst;
};
