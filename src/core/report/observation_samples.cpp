#include "observation_samples.h"

#include "conversions.h"
#include "harmonics.h"
#include "result_formats.h"
#include "sort_out.h"

#include <QJsonObject>

#include <array>
#include <optional>

namespace {

// The reply's field holding the fundamental current, A.
constexpr int kFundamentalField = 8;
// volts, amps, watts, power_factor, frequency, fundamental_a.
constexpr int kSampleValues = 6;

struct SampleRow
{
    QString state;
    std::array<std::optional<double>, kSampleValues> values{};
    std::array<std::optional<double>, kHarmonicCells> harmonicsMa{};
};

// What sample `sample` read: its values as its fields showed them, the
// fundamental and the harmonics of its reply; nothing of a reply cut or not
// read.
SampleRow rowOf(const ObservedSample& sample)
{
    SampleRow row;
    row.state = verdictText(sample.verdict);
    const ShownValues& shown = sample.shown;
    row.values = {shown[ShownValues::Volts],       shown[ShownValues::Amps],
                  shown[ShownValues::Watts],       shown[ShownValues::PowerFactor],
                  shown[ShownValues::Frequency],   std::nullopt};
    if (sample.reply == ObservedSample::Reply::Window && sample.values) {
        row.values[5] = sample.values->fundamentalA;
        for (std::size_t cell = 0; cell < std::size_t(kHarmonicCells); ++cell)
            row.harmonicsMa[cell] = sample.values->currentsMa[cell];
        return row;
    }
    if (sample.reply != ObservedSample::Reply::Whole)
        return row;
    const ParsedReply reply = SortOut(sample.line);
    if (reply.fieldsFound >= kFundamentalField)
        row.values[5] = StrictNumber(reply.fields[kFundamentalField - 1]);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const int field = kFirstHarmonicField + cell;
        // The field as a number, in mA as its cell shows it.
        if (field <= reply.fieldsFound && StrictNumber(reply.fields[field - 1]))
            row.harmonicsMa[std::size_t(cell)] = StrictNumber(reply.harmonics[std::size_t(cell)]);
    }
    return row;
}

QString startText(const ObservedSample& sample)
{
    return QString::number(sample.startS, 'f', 1);
}

} // namespace

QStringList sampleColumns()
{
    QStringList columns{QStringLiteral("sample"),      QStringLiteral("start_s"),
                        QStringLiteral("measured_at"), QStringLiteral("state"),
                        QStringLiteral("volts"),       QStringLiteral("amps"),
                        QStringLiteral("watts"),       QStringLiteral("power_factor"),
                        QStringLiteral("frequency"),   QStringLiteral("fundamental_a")};
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        columns << QStringLiteral("h%1_ma").arg(harmonicOrder(cell));
    return columns;
}

QString observationSamplesCsv(const ObservationRecord& record)
{
    QString csv = csvRow(sampleColumns());
    const QList<ObservedSample>& samples = record.result.samples;
    for (qsizetype n = 0; n < samples.size(); ++n) {
        const ObservedSample& sample = samples.at(n);
        const SampleRow row = rowOf(sample);
        QStringList fields{QString::number(n + 1), startText(sample),
                           isoTimestamp(sample.measuredAt), row.state};
        for (const std::optional<double>& value : row.values)
            fields << (value ? NumberText(*value) : QString());
        for (const std::optional<double>& value : row.harmonicsMa)
            fields << (value ? NumberText(*value) : QString());
        csv += csvRow(fields);
    }
    return csv;
}

QJsonArray observationSamplesJson(const ObservationRecord& record)
{
    const QStringList columns = sampleColumns();
    QJsonArray rows;
    const QList<ObservedSample>& samples = record.result.samples;
    for (qsizetype n = 0; n < samples.size(); ++n) {
        const ObservedSample& sample = samples.at(n);
        const SampleRow row = rowOf(sample);
        const auto number = [](const std::optional<double>& value) {
            return value ? QJsonValue(NumericValue(NumberText(*value)))
                         : QJsonValue(QJsonValue::Null);
        };
        QJsonObject json{{columns.at(0), n + 1},
                         {columns.at(1), startText(sample).toDouble()},
                         {columns.at(2), isoTimestamp(sample.measuredAt)},
                         {columns.at(3), row.state}};
        int column = 4;
        for (const std::optional<double>& value : row.values)
            json.insert(columns.at(column++), number(value));
        for (const std::optional<double>& value : row.harmonicsMa)
            json.insert(columns.at(column++), number(value));
        rows.append(json);
    }
    return rows;
}
