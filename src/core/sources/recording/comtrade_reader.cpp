// COMTRADE (IEEE C37.111): the .cfg names the channels, their scaling a*x+b,
// their units and primary/secondary factors and the sample rate; the .dat
// beside it holds the samples, as ASCII lines or BINARY (16-bit), BINARY32 or
// FLOAT32 records.
#include "reader_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

enum class DataFormat { Ascii, Binary16, Binary32, Float32 };

struct Channel
{
    QString name;
    QString unit; // without its prefix: "V" or "A"
    double a = 1;
    double b = 0;
    double factor = 1; // prefix and secondary-to-primary factor
    double min = 0;
    double max = 0;
};

// Splits a unit such as "kV" into its base and the factor of its prefix.
QString baseUnit(QString unit, double& factor)
{
    unit = unit.trimmed();
    factor = 1;
    if (unit.size() == 2 && (unit[0] == QLatin1Char('k') || unit[0] == QLatin1Char('m'))) {
        factor = unit[0] == QLatin1Char('k') ? 1000 : 0.001;
        unit = unit.mid(1);
    }
    return unit.toUpper();
}

class ComtradeReader : public WaveformReader
{
public:
    ComtradeReader(const QString& cfgPath) : m_cfgPath(cfgPath) {}

    std::optional<RecordingError> open(const RecordingOptions& options)
    {
        QFile cfg(m_cfgPath);
        if (!cfg.open(QIODevice::ReadOnly | QIODevice::Text))
            return unreadable(0, QStringLiteral("cannot be read: %1").arg(cfg.errorString()));
        QStringList lines;
        QTextStream in(&cfg);
        while (!in.atEnd())
            lines << in.readLine();
        int at = 1; // lines[0] is the station and the device
        auto field = [&](int line, int index) {
            const QStringList fields = lines.value(line).split(QLatin1Char(','));
            return fields.value(index).trimmed();
        };
        auto number = [&](int line, int index, bool& ok) {
            return field(line, index).toDouble(&ok);
        };
        if (lines.size() < 2)
            return unreadable(1, QStringLiteral("not a COMTRADE configuration"));
        bool ok = false;
        const int analogs = field(at, 1).chopped(field(at, 1).isEmpty() ? 0 : 1).toInt(&ok);
        if (!ok || !field(at, 1).endsWith(QLatin1Char('A'), Qt::CaseInsensitive))
            return unreadable(at + 1, QStringLiteral("no analog channel count"));
        const int digitals = field(at, 2).chopped(field(at, 2).isEmpty() ? 0 : 1).toInt();
        ++at;
        if (analogs < 2)
            return RecordingError{RecordingFault::SingleChannel,
                                  atLine(m_cfgPath, at,
                                         QStringLiteral("only %1 analog channel; a voltage and a "
                                                        "current channel are needed")
                                             .arg(analogs))};
        QStringList names;
        for (int c = 0; c < analogs; ++c, ++at) {
            Channel ch;
            ch.name = field(at, 1);
            double prefix = 1;
            ch.unit = baseUnit(field(at, 4), prefix);
            bool aOk = false, bOk = false;
            ch.a = number(at, 5, aOk);
            ch.b = number(at, 6, bOk);
            if (!aOk || !bOk)
                return badNumber(at + 1, QStringLiteral("channel scaling a, b"));
            ch.min = field(at, 8).toDouble();
            ch.max = field(at, 9).toDouble();
            ch.factor = prefix;
            const double primary = field(at, 10).toDouble();
            const double secondary = field(at, 11).toDouble();
            if (field(at, 12).compare(QLatin1String("S"), Qt::CaseInsensitive) == 0 &&
                primary > 0 && secondary > 0)
                ch.factor *= primary / secondary;
            m_channels.push_back(ch);
            names << ch.name;
        }
        m_digitalWords = (digitals + 15) / 16;
        m_recordFields = 2 + analogs + digitals;
        at += digitals + 1; // the digital channels and the line frequency
        const int rates = field(at++, 0).toInt();
        bool rateOk = false;
        m_rate = number(at, 0, rateOk);
        m_announced = field(at, 1).toLongLong();
        if (rates < 1 || !rateOk || m_rate <= 0)
            return unreadable(at + 1, QStringLiteral("no sample rate (only time stamps)"));
        for (int r = 1; r < rates; ++r)
            if (number(at + r, 0, ok) != m_rate)
                return unreadable(at + r + 1, QStringLiteral("more than one sample rate"));
            else
                m_announced = field(at + r, 1).toLongLong();
        at += rates + 2; // the rates, the start and the trigger time
        const QString type = field(at, 0).toUpper();
        if (type == QLatin1String("ASCII"))
            m_format = DataFormat::Ascii;
        else if (type == QLatin1String("BINARY"))
            m_format = DataFormat::Binary16;
        else if (type == QLatin1String("BINARY32"))
            m_format = DataFormat::Binary32;
        else if (type == QLatin1String("FLOAT32"))
            m_format = DataFormat::Float32;
        else
            return unreadable(at + 1, QStringLiteral("unknown data file type \"%1\"").arg(type));
        if (auto low = checkSampleRate(m_rate, m_cfgPath))
            return low;

        if (options.channels.isEmpty()) {
            for (int c = 0; c < analogs; ++c) {
                if (m_volts < 0 && m_channels[c].unit == QLatin1String("V"))
                    m_volts = c;
                if (m_amps < 0 && m_channels[c].unit == QLatin1String("A"))
                    m_amps = c;
            }
            if (m_volts < 0 || m_amps < 0)
                return RecordingError{
                    RecordingFault::NoSuchChannel,
                    QStringLiteral("%1: no channel in %2; choose the channels "
                                   "as \"V,I\"")
                        .arg(QFileInfo(m_cfgPath).fileName(),
                             m_volts < 0 ? QStringLiteral("V") : QStringLiteral("A"))};
        } else {
            QString v, i;
            if (auto bad = splitChoice(options.channels, m_cfgPath, v, i))
                return bad;
            m_volts = channelIndex(v, names);
            m_amps = channelIndex(i, names);
            if (m_volts < 0 || m_amps < 0)
                return RecordingError{
                    RecordingFault::NoSuchChannel,
                    QStringLiteral("%1: no channel \"%2\"")
                        .arg(QFileInfo(m_cfgPath).fileName(), m_volts < 0 ? v : i)};
        }

        const QFileInfo info(m_cfgPath);
        for (const char* ext : {".dat", ".DAT", ".Dat"}) {
            m_dat.setFileName(info.path() + QLatin1Char('/') + info.completeBaseName() +
                              QLatin1String(ext));
            if (m_dat.exists())
                break;
        }
        m_clips.emplace(m_cfgPath, m_rate, m_channels[m_volts].name, m_channels[m_amps].name);
        if (!m_dat.open(QIODevice::ReadOnly))
            return RecordingError{
                RecordingFault::Unreadable,
                QStringLiteral("%1: the data file %2 cannot be read: %3")
                    .arg(info.fileName(), QFileInfo(m_dat).fileName(), m_dat.errorString())};
        return std::nullopt;
    }

    double sampleRate() const override { return m_rate; }
    QString voltageChannel() const override { return m_channels[m_volts].name; }
    QString currentChannel() const override { return m_channels[m_amps].name; }
    qint64 announcedPairs() const override { return m_announced; }

    std::size_t read(SamplePair* out, std::size_t max) override
    {
        std::size_t n = 0;
        while (n < max && !m_ended && !m_failure) {
            double rawV = 0, rawA = 0;
            if (!(m_format == DataFormat::Ascii ? asciiRecord(rawV, rawA)
                                                : binaryRecord(rawV, rawA)))
                break;
            const Channel& v = m_channels[m_volts];
            const Channel& a = m_channels[m_amps];
            m_failure = m_clips->feed(atFullScale(v, rawV), atFullScale(a, rawA), m_count);
            if (m_failure)
                break;
            out[n++] = {(v.a * rawV + v.b) * v.factor, (a.a * rawA + a.b) * a.factor};
            ++m_count;
        }
        if (m_ended && m_announced > 0 && m_count < m_announced)
            m_cut = true;
        return n;
    }
    std::optional<RecordingError> failure() const override { return m_failure; }
    bool truncated() const override { return m_cut; }

private:
    static bool atFullScale(const Channel& c, double raw)
    {
        return c.min < c.max && (raw <= c.min || raw >= c.max);
    }

    bool asciiRecord(double& rawV, double& rawA)
    {
        if (m_dat.atEnd()) {
            m_ended = true;
            return false;
        }
        const QByteArray line = m_dat.readLine();
        ++m_line;
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() < m_recordFields) {
            if (!line.endsWith('\n') || line.trimmed().isEmpty()) {
                m_ended = true;
                m_cut = !line.trimmed().isEmpty();
                return false;
            }
            m_failure = RecordingError{RecordingFault::BadNumber,
                                       atLine(m_dat.fileName(), m_line,
                                              QStringLiteral("%1 fields, %2 expected")
                                                  .arg(fields.size())
                                                  .arg(m_recordFields))};
            return false;
        }
        bool okV = false, okA = false;
        rawV = fields[2 + m_volts].trimmed().toDouble(&okV);
        rawA = fields[2 + m_amps].trimmed().toDouble(&okA);
        if (!okV || !okA || rawV == 99999 || rawA == 99999) {
            const QByteArray& bad = fields[2 + (okV && rawV != 99999 ? m_amps : m_volts)];
            m_failure = RecordingError{RecordingFault::BadNumber,
                                       atLine(m_dat.fileName(), m_line,
                                              QStringLiteral("\"%1\" is not a sample value")
                                                  .arg(QString::fromUtf8(bad.trimmed())))};
            return false;
        }
        return true;
    }

    bool binaryRecord(double& rawV, double& rawA)
    {
        const int width = m_format == DataFormat::Binary16 ? 2 : 4;
        const qint64 size = 8 + qint64(width) * qint64(m_channels.size()) + 2 * m_digitalWords;
        m_record.resize(size);
        const qint64 got = m_dat.read(m_record.data(), size);
        if (got < size) {
            m_ended = true;
            m_cut = got > 0;
            return false;
        }
        auto raw = [&](int channel, bool& missing) -> double {
            const char* p = m_record.constData() + 8 + width * channel;
            switch (m_format) {
            case DataFormat::Binary16: {
                const qint16 x = qFromLittleEndian<qint16>(p);
                missing = x == qint16(-32768);
                return x;
            }
            case DataFormat::Binary32: {
                const qint32 x = qFromLittleEndian<qint32>(p);
                missing = x == qint32(0x80000000);
                return x;
            }
            default: {
                const quint32 bits = qFromLittleEndian<quint32>(p);
                float x;
                std::memcpy(&x, &bits, sizeof x);
                missing = !std::isfinite(x);
                return x;
            }
            }
        };
        bool missingV = false, missingA = false;
        rawV = raw(m_volts, missingV);
        rawA = raw(m_amps, missingA);
        if (missingV || missingA) {
            m_failure = RecordingError{RecordingFault::BadNumber,
                                       atTime(m_dat.fileName(), double(m_count) / m_rate,
                                              QStringLiteral("a sample is missing"))};
            return false;
        }
        return true;
    }

    RecordingError unreadable(int line, const QString& reason) const
    {
        return {RecordingFault::Unreadable, atLine(m_cfgPath, line, reason)};
    }
    RecordingError badNumber(int line, const QString& what) const
    {
        return {RecordingFault::BadNumber,
                atLine(m_cfgPath, line, what + QStringLiteral(" not a number"))};
    }

    QString m_cfgPath;
    QFile m_dat;
    std::vector<Channel> m_channels;
    int m_digitalWords = 0;
    int m_recordFields = 0;
    double m_rate = 0;
    qint64 m_announced = -1;
    DataFormat m_format = DataFormat::Ascii;
    int m_volts = -1;
    int m_amps = -1;
    qint64 m_count = 0;
    qint64 m_line = 0;
    QByteArray m_record;
    bool m_ended = false;
    bool m_cut = false;
    std::optional<ClipWatch> m_clips;
    std::optional<RecordingError> m_failure;
};

} // namespace

OpenedRecording openComtradeRecording(const QString& path, const RecordingOptions& options)
{
    auto reader = std::make_unique<ComtradeReader>(path);
    if (auto error = reader->open(options))
        return *error;
    return reader;
}
