#pragma once

#include <QString>

// Why a recording was refused. Every kind but Clipped means "the file cannot
// be judged" (the command exits 65 and keeps nothing); Clipped means the file
// was read but a channel hit its full scale, so any result would be wrong
// (the command reports it as "Invalid result").
enum class RecordingFault {
    Unreadable,          // missing, unreadable or damaged file, unknown format
    SingleChannel,       // fewer than two channels
    SampleRateTooLow,    // below 8 kHz
    BadNumber,           // a value that is not a number
    UnevenTimeStep,      // CSV time step varies by more than 0.1 %
    NoSuchChannel,       // a channel choice names no channel of the file
    FrequencyOutOfRange, // fundamental outside 45 to 65 Hz
    TooShort,            // shorter than one DFT window
    Clipped,             // three or more consecutive samples at full scale
};

// One refusal: its kind and a message naming the reason and where (file,
// line or sample time), ready to be shown to the operator as it is.
struct RecordingError
{
    RecordingFault fault = RecordingFault::Unreadable;
    QString message;

    bool invalidatesResult() const { return fault == RecordingFault::Clipped; }
};

// "FILE: line N: reason" and "FILE: at T s: reason".
QString atLine(const QString& file, qint64 line, const QString& reason);
QString atTime(const QString& file, double seconds, const QString& reason);
