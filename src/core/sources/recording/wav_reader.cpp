// WAV (and whatever else libsndfile reads) through libsndfile's float reading,
// which gives every sample as -1.0 to +1.0 of full scale.
#include "reader_support.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace {

// A sample this close to +-1.0 is at full scale: the largest 16-bit value
// reads as 32767/32768.
constexpr float kFullScale = 1.0f - 1.0f / 32768.0f;

// Whether a RIFF/WAVE file's data chunk announces more bytes than the file
// holds. libsndfile reads what is there without saying so.
bool riffDataCut(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    qint64 at = 12;
    while (at + 8 <= file.size()) {
        file.seek(at);
        const QByteArray chunk = file.read(8);
        const quint32 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        if (chunk.startsWith("data"))
            return at + 8 + qint64(size) > file.size();
        at += 8 + qint64(size) + (size & 1);
    }
    return false;
}

class WavReader : public WaveformReader
{
public:
    WavReader(const QString& path, SNDFILE* file, const SF_INFO& info, int voltsChannel,
              int ampsChannel, const RecordingOptions& options)
        : m_path(path), m_file(file), m_info(info), m_voltsChannel(voltsChannel),
          m_ampsChannel(ampsChannel), m_voltsScale(options.voltsScale),
          m_ampsScale(options.ampsScale), m_cut(riffDataCut(path)),
          m_clips(path, info.samplerate, channelName(voltsChannel), channelName(ampsChannel))
    {}
    ~WavReader() override { sf_close(m_file); }

    double sampleRate() const override { return m_info.samplerate; }
    QString voltageChannel() const override { return channelName(m_voltsChannel); }
    QString currentChannel() const override { return channelName(m_ampsChannel); }
    qint64 announcedPairs() const override { return m_info.frames; }

    std::size_t read(SamplePair* out, std::size_t max) override
    {
        if (m_failure)
            return 0;
        m_frames.resize(max * std::size_t(m_info.channels));
        const sf_count_t got = sf_readf_float(m_file, m_frames.data(), sf_count_t(max));
        if (got <= 0) {
            if (sf_error(m_file) != SF_ERR_NO_ERROR)
                m_failure = RecordingError{RecordingFault::Unreadable,
                                           atTime(m_path, double(m_position) / sampleRate(),
                                                  QString::fromUtf8(sf_strerror(m_file)))};
            else if (m_position < m_info.frames)
                m_cut = true;
            return 0;
        }
        for (sf_count_t n = 0; n < got; ++n) {
            const float* frame = m_frames.data() + n * m_info.channels;
            const float v = frame[m_voltsChannel];
            const float a = frame[m_ampsChannel];
            if (!std::isfinite(v) || !std::isfinite(a)) {
                m_failure = RecordingError{RecordingFault::BadNumber,
                                           atTime(m_path, double(m_position) / sampleRate(),
                                                  QStringLiteral("a sample is not a number"))};
                return std::size_t(n);
            }
            m_failure =
                m_clips.feed(std::fabs(v) >= kFullScale, std::fabs(a) >= kFullScale, m_position);
            if (m_failure)
                return std::size_t(n);
            out[n] = {v * m_voltsScale, a * m_ampsScale};
            ++m_position;
        }
        return std::size_t(got);
    }
    std::optional<RecordingError> failure() const override { return m_failure; }
    bool truncated() const override { return m_cut; }

private:
    static QString channelName(int index) { return QStringLiteral("channel %1").arg(index + 1); }

    QString m_path;
    SNDFILE* m_file;
    SF_INFO m_info;
    int m_voltsChannel;
    int m_ampsChannel;
    double m_voltsScale;
    double m_ampsScale;
    bool m_cut;
    ClipWatch m_clips;
    qint64 m_position = 0;
    std::vector<float> m_frames;
    std::optional<RecordingError> m_failure;
};

} // namespace

OpenedRecording openWavRecording(const QString& path, const RecordingOptions& options)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return RecordingError{
            RecordingFault::Unreadable,
            QStringLiteral("%1: cannot be read as a sound file: %2")
                .arg(QFileInfo(path).fileName(), QString::fromUtf8(sf_strerror(nullptr)))};
    auto refuse = [file](RecordingError error) -> OpenedRecording {
        sf_close(file);
        return error;
    };
    if (info.channels < 2)
        return refuse({RecordingFault::SingleChannel,
                       QStringLiteral("%1: only one channel; a voltage and a current channel "
                                      "are needed")
                           .arg(QFileInfo(path).fileName())});
    if (auto low = checkSampleRate(info.samplerate, path))
        return refuse(*low);
    int volts = 0;
    int amps = 1;
    if (!options.channels.isEmpty()) {
        QString v, a;
        if (auto bad = splitChoice(options.channels, path, v, a))
            return refuse(*bad);
        QStringList names;
        for (int c = 1; c <= info.channels; ++c)
            names << QString::number(c);
        volts = channelIndex(v, names);
        amps = channelIndex(a, names);
        if (volts < 0 || amps < 0)
            return refuse({RecordingFault::NoSuchChannel,
                           QStringLiteral("%1: no channel \"%2\" (the file has channels 1 to %3)")
                               .arg(QFileInfo(path).fileName(), volts < 0 ? v : a)
                               .arg(info.channels)});
    }
    return std::make_unique<WavReader>(path, file, info, volts, amps, options);
}
