#pragma once

#include "supply_check.h"
#include "waveform_reader.h"

#include <array>
#include <functional>
#include <variant>
#include <vector>

// One DFT time window after the 1.5 s smoothing: 10 measured periods (12 at
// 60 Hz), about 200 ms, the windows following each other without gap or
// overlap. Each value is the smoothed value at the window's end except hz,
// the window's own measured frequency.
struct SmoothedWindow
{
    double time = 0;       // start of the window, s from the first sample
    float volts = 0;       // rms V
    float amps = 0;        // rms A
    float watts = 0;       // active power W
    float powerFactor = 0; // watts / (volts * amps)
    float hz = 0;          // fundamental frequency Hz
    float fundamentalAmps = 0;
    std::array<float, kRecordedHarmonics> harmonicsMilliamps{};
};

struct RecordingAnalysis
{
    double sampleRate = 0;
    QString voltageChannel, currentChannel;
    int periodsPerWindow = 10;
    qint64 windowCount = 0;
    bool incomplete = false;             // the file ended early; its whole windows are kept
    std::vector<SmoothedWindow> windows; // empty unless kept (AnalysisOptions)
    std::array<double, kRecordedHarmonics> maximumMilliamps{};
    std::array<double, kRecordedHarmonics> averageMilliamps{};
    double maximumFundamentalAmps = 0;
    double maximumWatts = 0;       // highest smoothed active power
    double maximumThdPercent = 0;  // current, orders 2..40 over the fundamental
    double maximumCrestFactor = 0; // current peak / rms
    SupplyCheck supply;
};

struct AnalysisOptions
{
    bool keepWindows = true;
    // Called with each smoothed window as it is made, whether kept or not.
    std::function<void(const SmoothedWindow&)> onWindow;
};

using AnalysisOutcome = std::variant<RecordingAnalysis, RecordingError>;

// The 1.5 s first-order smoothing of IEC 61000-4-7 for one value, window by
// window: y += alpha * (x - y) with alpha = 1 - exp(-T / 1.5 s) for a window
// of T seconds; the first window's value starts the filter.
class Smoothing
{
public:
    double add(double value, double windowSeconds);
    double value() const { return m_value; }

private:
    double m_value = 0;
    bool m_started = false;
};

// Judges a recording the way IEC 61000-3-2 (6.3.2) measures with the method
// of IEC 61000-4-7: each order's harmonic group in rectangular windows
// synchronised to the measured voltage frequency, 1.5 s smoothed. Reads the
// reader to its end; refuses a fundamental outside 45 to 65 Hz, a recording
// shorter than one window, and whatever the reader refuses.
AnalysisOutcome analyzeRecording(WaveformReader& reader, const AnalysisOptions& options = {});
