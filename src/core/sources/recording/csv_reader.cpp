// CSV as an oscilloscope writes it: a header naming time (s), voltage (V) and
// current (A) in any case and order, extra columns ignored, one sample a line
// at a uniform time step. A CSV file names no full scale, so its clipping
// cannot be told from the data and is not checked.
#include "reader_support.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

// The first word of a header field in lower case: "Time (s)" gives "time".
QByteArray headWord(const QByteArray& field)
{
    QByteArray word;
    for (char c : field.trimmed()) {
        if (!std::isalpha(static_cast<unsigned char>(c)))
            break;
        word += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return word;
}

class CsvReader : public WaveformReader
{
public:
    CsvReader(const QString& path) : m_path(path), m_file(path) {}

    // Reads the header and the first two samples (for the time step).
    std::optional<RecordingError> open()
    {
        if (!m_file.open(QIODevice::ReadOnly))
            return RecordingError{RecordingFault::Unreadable,
                                  QStringLiteral("%1: cannot be read: %2")
                                      .arg(QFileInfo(m_path).fileName(), m_file.errorString())};
        const QByteArray header = m_file.readLine();
        m_line = 1;
        m_separator = header.count(',') ? ',' : header.count(';') ? ';' : '\t';
        const QList<QByteArray> fields = header.split(m_separator);
        m_columns = {-1, -1, -1};
        const std::array<QByteArray, 3> wanted{"time", "voltage", "current"};
        for (int i = 0; i < fields.size(); ++i)
            for (std::size_t w = 0; w < wanted.size(); ++w)
                if (headWord(fields[i]) == wanted[w] && m_columns[w] < 0)
                    m_columns[w] = i;
        m_fieldCount = int(fields.size());
        for (std::size_t w = 0; w < wanted.size(); ++w)
            if (m_columns[w] < 0)
                return RecordingError{
                    m_fieldCount < 2 ? RecordingFault::SingleChannel : RecordingFault::Unreadable,
                    atLine(m_path, 1,
                           QStringLiteral("the header names no \"%1\" column (it needs time, "
                                          "voltage and current)")
                               .arg(QString::fromLatin1(wanted[w])))};
        for (int n = 0; n < 2; ++n) {
            if (auto bad = nextLine(m_first[n]))
                return bad;
            if (m_ended)
                return RecordingError{
                    RecordingFault::TooShort,
                    atLine(m_path, m_line, QStringLiteral("fewer than two samples"))};
        }
        m_step = m_first[1].time - m_first[0].time;
        if (!(m_step > 0))
            return RecordingError{RecordingFault::UnevenTimeStep,
                                  atLine(m_path, m_line, QStringLiteral("time does not increase"))};
        m_previousTime = m_first[1].time;
        return checkSampleRate(1.0 / m_step, m_path);
    }

    double sampleRate() const override { return 1.0 / m_step; }
    QString voltageChannel() const override { return QStringLiteral("voltage"); }
    QString currentChannel() const override { return QStringLiteral("current"); }

    std::size_t read(SamplePair* out, std::size_t max) override
    {
        std::size_t n = 0;
        for (; n < max && m_pending < 2; ++m_pending)
            out[n++] = m_first[m_pending].pair;
        while (n < max && !m_ended && !m_failure) {
            Row row;
            m_failure = nextLine(row);
            if (m_failure || m_ended)
                break;
            ++m_count;
            const double step = row.time - m_previousTime;
            const double mean = (row.time - m_first[0].time) / double(m_count - 1);
            if (std::fabs(step - mean) > 0.001 * mean) {
                m_failure = RecordingError{
                    RecordingFault::UnevenTimeStep,
                    atLine(m_path, m_line,
                           QStringLiteral("time step %1 s differs from %2 s by more than 0.1 %")
                               .arg(step, 0, 'g', 6)
                               .arg(mean, 0, 'g', 6))};
                break;
            }
            m_previousTime = row.time;
            out[n++] = row.pair;
        }
        return n;
    }
    std::optional<RecordingError> failure() const override { return m_failure; }
    bool truncated() const override { return m_cut; }

private:
    struct Row
    {
        double time = 0;
        SamplePair pair;
    };

    // Reads the next data line into row; sets m_ended at the end of the file
    // (m_cut when the last line stops short of its fields).
    std::optional<RecordingError> nextLine(Row& row)
    {
        QByteArray line;
        do {
            if (m_file.atEnd()) {
                m_ended = true;
                return std::nullopt;
            }
            line = m_file.readLine();
            ++m_line;
        } while (line.trimmed().isEmpty());
        const bool complete = line.endsWith('\n');
        const QList<QByteArray> fields = line.split(m_separator);
        std::array<double, 3> values{};
        for (std::size_t w = 0; w < values.size(); ++w) {
            const int column = m_columns[w];
            if (column >= fields.size()) {
                if (!complete) {
                    m_ended = m_cut = true;
                    return std::nullopt;
                }
                return RecordingError{RecordingFault::BadNumber,
                                      atLine(m_path, m_line,
                                             QStringLiteral("%1 fields, the header has %2")
                                                 .arg(fields.size())
                                                 .arg(m_fieldCount))};
            }
            bool ok = false;
            values[w] = fields[column].trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(values[w])) {
                if (!complete && column == fields.size() - 1 &&
                    fields[column].trimmed().isEmpty()) {
                    m_ended = m_cut = true;
                    return std::nullopt;
                }
                return RecordingError{
                    RecordingFault::BadNumber,
                    atLine(m_path, m_line,
                           QStringLiteral("\"%1\" is not a number")
                               .arg(QString::fromUtf8(fields[column].trimmed())))};
            }
        }
        row = {values[0], {values[1], values[2]}};
        return std::nullopt;
    }

    QString m_path;
    QFile m_file;
    char m_separator = ',';
    std::array<int, 3> m_columns{};
    int m_fieldCount = 0;
    qint64 m_line = 0;
    qint64 m_count = 2;
    std::array<Row, 2> m_first;
    int m_pending = 0;
    double m_step = 0;
    double m_previousTime = 0;
    bool m_ended = false;
    bool m_cut = false;
    std::optional<RecordingError> m_failure;
};

} // namespace

OpenedRecording openCsvRecording(const QString& path)
{
    auto reader = std::make_unique<CsvReader>(path);
    if (auto error = reader->open())
        return *error;
    return reader;
}
