#pragma once

// The requirements IEC 61000-3-2 (Annex A) sets for the test supply, checked
// window by window against the smoothed figures of a recording. Where each
// figure was read is in docs/standards.md, "Harmonics from recorded waveforms".
#include <QString>

#include <array>

// Orders 2 to 40 (cell i is order i + 2), as everywhere in the tool.
inline constexpr int kRecordedHarmonics = 39;

// The test supply as the recording shows it (IEC 61000-3-2, Annex A): the
// worst smoothed figures over all windows, and a warning naming each figure
// outside the requirements (empty when all are met).
struct SupplyCheck
{
    double nominalVolts = 0; // the usual rated voltage nearest the mean (100 to 240 V)
    double nominalHz = 0;    // 50 or 60 Hz
    double lowestVolts = 0, highestVolts = 0;
    double lowestHz = 0, highestHz = 0;
    double lowestCrest = 0, highestCrest = 0;                  // voltage peak / rms
    std::array<double, kRecordedHarmonics> harmonicsPercent{}; // highest U_n / U_1 in %
    QString warning;
};

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
