#pragma once

#include "harmonics.h"

#include <QString>

#include <array>

// A result reply carries at least this many comma-separated fields.
inline constexpr int kReplyFields = 47;
// Field 9 carries harmonic 2, the first of the harmonic cells.
inline constexpr int kFirstHarmonicField = 9;

// The analyzer's result reply, parsed. Fields are numbered 1 to 47 as the
// analyzer sends them: 1 true power (W), 2 rms voltage (V), 3 rms current
// (A), 4 power factor, 5 frequency (Hz), 6 and 7 unused, 8 fundamental
// current (A), 9 to 47 harmonics 2 to 40 (A).
struct ParsedReply
{
    // The reply line as received, its line end included when one came
    // (Latin-1, one character a byte).
    QString line;
    // How many of the 47 fields were found: 47 for a complete reply, 0 for
    // an empty one.
    int fieldsFound = 0;
    // fields[n - 1]: field n as the analyzer sent it; empty when not found.
    std::array<QString, kReplyFields> fields{};

    // The texts the window shows (the NumberText of their NumericValue);
    // a null QString for a field that was not found.
    QString watts;       // W
    QString volts;       // V
    QString amps;        // A, rms
    QString powerFactor;
    QString frequency;   // Hz
    // The fundamental current: field 8 as received, in A.
    QString fundAmp;
    // Harmonic i + 2: field 9 + i in mA; null when not found.
    std::array<QString, kHarmonicCells> harmonics{};

    bool complete() const { return fieldsFound >= kReplyFields; }
};
