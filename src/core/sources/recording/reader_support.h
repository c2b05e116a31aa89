#pragma once

// What the three readers share: the clipping watch, the sample-rate and the
// channel-choice checks, and each format's opening function.
#include "waveform_reader.h"

#include <QString>
#include <QStringList>

#include <optional>

// Watches both channels for three or more consecutive samples at full scale.
class ClipWatch
{
public:
    ClipWatch(const QString& file, double sampleRate, const QString& voltsName,
              const QString& ampsName)
        : m_file(file), m_rate(sampleRate), m_voltsName(voltsName), m_ampsName(ampsName)
    {}

    // Called once per sample pair, in order; returns the clipping fault the
    // first time a channel has been at full scale for three samples.
    std::optional<RecordingError> feed(bool voltsAtFullScale, bool ampsAtFullScale,
                                       qint64 sampleIndex)
    {
        m_voltsRun = voltsAtFullScale ? m_voltsRun + 1 : 0;
        m_ampsRun = ampsAtFullScale ? m_ampsRun + 1 : 0;
        if (m_voltsRun < 3 && m_ampsRun < 3)
            return std::nullopt;
        return clipped(sampleIndex);
    }

private:
    RecordingError clipped(qint64 sampleIndex) const;

    QString m_file;
    double m_rate;
    QString m_voltsName, m_ampsName;
    int m_voltsRun = 0;
    int m_ampsRun = 0;
};

// The refusal of a sample rate below 8 kHz, or nothing.
std::optional<RecordingError> checkSampleRate(double rate, const QString& file);

// A channel choice "V,I" split in two; an error when it is not two fields.
std::optional<RecordingError> splitChoice(const QString& choice, const QString& file,
                                          QString& volts, QString& amps);

// The 0-based index of the channel a choice names: a number from 1 or one of
// names (exact, then ignoring case); -1 when none.
int channelIndex(const QString& choice, const QStringList& names);

OpenedRecording openWavRecording(const QString& path, const RecordingOptions& options);
OpenedRecording openCsvRecording(const QString& path);
OpenedRecording openComtradeRecording(const QString& path, const RecordingOptions& options);
