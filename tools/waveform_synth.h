#pragma once

// Waveforms of known content for the recording readers and the analysis: a
// supply voltage and a product current given order by order, written as WAV,
// CSV or COMTRADE. Used by waveform-gen, the tests and the benchmark.
#include <optional>
#include <string>
#include <vector>

struct SynthComponent
{
    int order = 1;
    double rms = 0;     // V or A
    double degrees = 0; // phase against the voltage's fundamental
};

// An order whose current switches between two values: low for the first
// periodSeconds, then high, then low again, and so on.
struct SynthSwitching
{
    int order = 0; // 0: none
    double low = 0, high = 0;
    double periodSeconds = 5;
};

struct WaveformDescription
{
    double volts = 230; // rms of the voltage's fundamental
    double hz = 50;     // frequency at the start
    double hzEnd = 0;   // frequency at the end (a linear drift); 0: no drift
    double seconds = 10;
    double rate = 25600; // samples per second
    double amps = 1;     // rms of the current's fundamental
    double ampsDegrees = 0;
    std::vector<SynthComponent> currents; // orders 2..40 of the current
    std::vector<SynthComponent> voltages; // orders 2..40 of the voltage
    SynthSwitching switching;
    double noiseAmps = 0, noiseVolts = 0; // rms of white noise
    unsigned seed = 1;
    // Full scale of the file (a sample beyond it is clipped as an ADC would);
    // 0: 1.25 times the highest possible peak.
    double voltsFullScale = 0, ampsFullScale = 0;
    bool comtradeBinary = false; // BINARY instead of ASCII
    int wavBits = 24;            // 16 or 24
};

// Reads "key=value" words (spaces or lines between them, # to the line's end):
// volts, hz, hz_end, seconds, rate, amps (A or A@degrees), iN and vN
// (current and voltage harmonic N, as rms@degrees), switch=N:low:high:period,
// noise, vnoise, seed, vscale, ascale, binary=1, bits=16|24. Returns the
// error text, or nothing.
std::optional<std::string> parseDescription(const std::string& text, WaveformDescription& out);

// The full scales the file will use (V, A).
double voltsFullScale(const WaveformDescription& d);
double ampsFullScale(const WaveformDescription& d);

// Sample n of both channels, before clipping.
void synthSample(const WaveformDescription& d, long long n, double& volts, double& amps,
                 double noiseV, double noiseA);

// Writes the waveform to path as .wav, .csv or COMTRADE .cfg (+ .dat beside),
// by its extension. Returns the error text, or nothing.
std::optional<std::string> writeWaveform(const WaveformDescription& d, const std::string& path);
