#include "reader_support.h"

#include <QFileInfo>

RecordingError ClipWatch::clipped(qint64 sampleIndex) const
{
    const QString& name = m_voltsRun >= 3 ? m_voltsName : m_ampsName;
    return {RecordingFault::Clipped,
            atTime(m_file, double(sampleIndex - 2) / m_rate,
                   QStringLiteral("channel \"%1\" clips: three or more consecutive samples at "
                                  "full scale")
                       .arg(name))};
}

std::optional<RecordingError> checkSampleRate(double rate, const QString& file)
{
    if (rate >= kMinimumSampleRate)
        return std::nullopt;
    return RecordingError{RecordingFault::SampleRateTooLow,
                          QStringLiteral("%1: sample rate %2 Hz is below 8 kHz: the 40th "
                                         "harmonic cannot be resolved")
                              .arg(QFileInfo(file).fileName())
                              .arg(rate)};
}

std::optional<RecordingError> splitChoice(const QString& choice, const QString& file,
                                          QString& volts, QString& amps)
{
    const QStringList parts = choice.split(QLatin1Char(','));
    if (parts.size() != 2 || parts[0].trimmed().isEmpty() || parts[1].trimmed().isEmpty())
        return RecordingError{RecordingFault::NoSuchChannel,
                              QStringLiteral("%1: channel choice \"%2\" is not \"V,I\"")
                                  .arg(QFileInfo(file).fileName(), choice)};
    volts = parts[0].trimmed();
    amps = parts[1].trimmed();
    return std::nullopt;
}

int channelIndex(const QString& choice, const QStringList& names)
{
    bool number = false;
    const int n = choice.toInt(&number);
    if (number)
        return n >= 1 && n <= names.size() ? n - 1 : -1;
    const int exact = names.indexOf(choice);
    if (exact >= 0)
        return exact;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(choice, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
