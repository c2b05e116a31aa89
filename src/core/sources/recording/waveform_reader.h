#pragma once

#include "recording_error.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <variant>

// One instant of a recording: the supply voltage (V) and the product's
// current (A), both already scaled to their units.
struct SamplePair
{
    double volts = 0;
    double amps = 0;
};

// A recording read block by block, never whole: whatever its length, a reader
// holds one block of its file at a time.
class WaveformReader
{
public:
    virtual ~WaveformReader() = default;

    // Samples per second of both channels.
    virtual double sampleRate() const = 0;
    // The recording's own names of the two channels chosen.
    virtual QString voltageChannel() const = 0;
    virtual QString currentChannel() const = 0;
    // The number of sample pairs the file announces, or -1 when it names none
    // (a CSV file).
    virtual qint64 announcedPairs() const { return -1; }

    // Fills out with up to max pairs and returns how many; 0 at the end of the
    // recording or on a fault. After a short read, failure() tells a fault
    // (the analysis stops with it) from the end, and truncated() says the file
    // ended before what it announced.
    virtual std::size_t read(SamplePair* out, std::size_t max) = 0;
    virtual std::optional<RecordingError> failure() const = 0;
    virtual bool truncated() const = 0;
};

// How to read a recording. voltsScale and ampsScale are the volts and amperes
// of a full-scale sample of a WAV file (its samples read as -1.0 to +1.0).
// channels picks the voltage and the current channel as "V,I": numbers from 1
// (WAV, COMTRADE) or COMTRADE channel names; empty takes the first two
// channels of a WAV file and, in COMTRADE, the first channel in V and the
// first in A.
struct RecordingOptions
{
    double voltsScale = 1.0;
    double ampsScale = 1.0;
    QString channels;
};

using OpenedRecording = std::variant<std::unique_ptr<WaveformReader>, RecordingError>;

// Opens a .wav, .csv or COMTRADE .cfg file (its .dat beside it) by its
// extension. Reads the header only; refuses what cannot be judged: an
// unreadable file, one channel, a sample rate below 8 kHz, an unknown
// channel.
OpenedRecording openRecording(const QString& path, const RecordingOptions& options = {});

// The lowest sample rate the analysis accepts (Hz).
inline constexpr double kMinimumSampleRate = 8000.0;
