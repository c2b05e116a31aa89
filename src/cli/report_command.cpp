#include "commands.h"

#include "command_console.h"
#include "command_line.h"
#include "file_output.h"
#include "observation_report.h"
#include "observation_samples.h"
#include "options.h"
#include "record_store.h"
#include "report_file.h"

#include <QCommandLineParser>
#include <QJsonDocument>

namespace cli {

namespace {

// `report ID --samples`: every sample of observation `id`, to --output or
// standard output.
int reportSamples(const QCommandLineParser& parser, qint64 id, const Configuration& start)
{
    const QString formatName = parser.value(QStringLiteral("format"));
    const std::optional<Format> format = formatOf(formatName, true);
    if (!format || *format == Format::Text)
        return usageError(QStringLiteral("--samples takes --format csv or --format json."));
    RecordStore store;
    if (!openForReading(store, configured(parser, start)))
        return kStoreFailed;
    QString error;
    const std::optional<QString> kind = store.recordKind(id, &error);
    if (kind && !heldAsObservation(*kind))
        error = QStringLiteral("record %1 is a measurement: only a timed observation has "
                               "samples.")
                    .arg(id);
    std::optional<ObservationRecord> observation;
    if (error.isEmpty())
        observation = store.observation(id, &error);
    if (!observation) {
        err(QStringLiteral("iec1000: %1").arg(error));
        return kStoreFailed;
    }
    const QString rows = *format == Format::Csv
                             ? observationSamplesCsv(*observation)
                             : QString::fromUtf8(QJsonDocument(observationSamplesJson(*observation))
                                                     .toJson(QJsonDocument::Indented));
    if (!parser.isSet(QStringLiteral("output"))) {
        out(rows);
        return kPass;
    }
    const Outcome written = writeReportFile(parser.value(QStringLiteral("output")), rows.toUtf8());
    if (!written.succeeded()) {
        err(QStringLiteral("iec1000: %1").arg(written.reason()));
        return kStoreFailed;
    }
    return kPass;
}

} // namespace

int report(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Synopsis: iec1000 report ID --output FILE [--lab T] [--instrument T] "
                       "[--conditions T]\n"
                       "          iec1000 report ID --samples --format csv|json [--output FILE]"
                       "\n\n"
                       "Writes the test report of stored record ID (a measurement or a timed "
                       "observation): PDF, CSV or JSON by the "
                       "output file's extension. --lab, --instrument and --conditions, when "
                       "given, replace the record's own in the report (the record keeps "
                       "them).\n"
                       "--samples writes every sample of timed observation ID instead, one row "
                       "a sample (time, state, V, A, W, PF, Hz, fundamental, harmonics 2 to 40 "
                       "in mA), to FILE or standard output.\n"
                       "Exit codes: 0 written, 4 the record or the file could not be read or "
                       "written, 64 usage error."));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("The report file (.pdf, .csv or .json; "
                                                       ".pdf is added when it has none)."),
                                        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("samples"),
        QStringLiteral("Every sample of a timed observation, one row each, instead of the "
                       "report.")));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        QStringLiteral("With --samples: csv or json."),
                                        QStringLiteral("format")));
    addLabOptions(parser);
    addDbOption(parser);
    parser.addPositionalArgument(QStringLiteral("id"), QStringLiteral("The record's number."),
                                 QStringLiteral("ID"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("give one record number."));
    bool isNumber = false;
    const qint64 id = parser.positionalArguments().first().toLongLong(&isNumber);
    if (!isNumber)
        return usageError(QStringLiteral("\"%1\" is not a record number.")
                              .arg(parser.positionalArguments().first()));
    if (parser.isSet(QStringLiteral("samples")))
        return reportSamples(parser, id, startConfiguration);
    if (parser.isSet(QStringLiteral("format")))
        return usageError(QStringLiteral("--format goes with --samples; a report's format is "
                                         "its file's extension."));
    if (!parser.isSet(QStringLiteral("output")))
        return usageError(QStringLiteral("--output is required."));
    const std::optional<QString> output = reportPath(parser.value(QStringLiteral("output")));
    if (!output)
        return usageError(QStringLiteral("--output takes a %1 file, not \"%2\".")
                              .arg(reportFormats(), parser.value(QStringLiteral("output"))));

    RecordStore store;
    if (!openForReading(store, configured(parser, startConfiguration)))
        return kStoreFailed;
    // A measurement or a timed observation, each read as its kind, so that
    // a record that cannot be read says why.
    Outcome written = Outcome::ok();
    QString error;
    const std::optional<QString> kind = store.recordKind(id, &error);
    if (kind && heldAsObservation(*kind)) {
        if (std::optional<ObservationRecord> observation = store.observation(id, &error)) {
            takeLabOptions(parser, &observation->product);
            written = writeObservationReport(*observation, *output);
        }
    } else if (kind) {
        if (std::optional<MeasurementRecord> record = store.record(id, &error)) {
            takeLabOptions(parser, &record->product);
            written = writeReport(*record, *output);
        }
    }
    if (!error.isEmpty()) {
        err(QStringLiteral("iec1000: %1").arg(error));
        return kStoreFailed;
    }
    if (!written.succeeded()) {
        err(QStringLiteral("iec1000: %1").arg(written.reason()));
        return kStoreFailed;
    }
    return kPass;
}

} // namespace cli
