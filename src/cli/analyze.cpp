#include "commands.h"

#include "configuration_options.h"
#include "exit_codes.h"
#include "options.h"
#include "record_store.h"
#include "recording_intake.h"
#include "report_rows.h"

#include <QCommandLineParser>
#include <QDateTime>

// analyze: a recording of the supply voltage and the product's current judged
// as the lab judges, window by window.
namespace cli {

int analyze(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 analyze --class A|B|C|D [--power WATTS] [--guard-band PCT] "
        "[--edition 1995|2018] [--volts-scale V] [--amps-scale A] [--channels V,I] "
        "[--format text|json|csv] [--report FILE] [--db STORE] [product options] FILE\n\n"
        "Judges a recording of the supply voltage and the product's current (.wav, .csv with "
        "a header naming time, voltage and current, or COMTRADE .cfg with its .dat) as the "
        "lab does: harmonics in DFT windows of 10 periods (12 at 60 Hz) synchronised to the "
        "voltage, each 1.5 s smoothed, judged by the edition's observation rules (average "
        "against 100 %, each window against 150 %, the Class A 200 % provision). The result "
        "is kept in the record store as a record of kind waveform (the file's name, size and "
        "SHA-256 and every window's smoothed values, never the file's samples); a truncated "
        "file or a clipping channel is shown and not kept.\n"
        "Exit codes: 0 Pass or Not limited, 1 Fail, 2 no verdict (a truncated file, a "
        "clipping channel), 4 the record store or the report file could not be written, "
        "64 usage error, 65 the file cannot be judged (the reason and where)."));
    addClassOptions(parser, true);
    addProductOptions(parser);
    addReportOption(parser, QStringLiteral("Also write the recording's report: PDF, CSV or JSON "
                                           "by the file's extension (none: .pdf)."));
    addDbOption(parser);
    parser.addOption(QCommandLineOption(
        QStringLiteral("volts-scale"),
        QStringLiteral("WAV: the volts of a full-scale sample (default 1)."), QStringLiteral("V"),
        QStringLiteral("1")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("amps-scale"),
        QStringLiteral("WAV: the amperes of a full-scale sample (default 1)."), QStringLiteral("A"),
        QStringLiteral("1")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("channels"),
        QStringLiteral("The voltage and the current channel, as numbers from 1 or COMTRADE "
                       "channel names: 1,2 or UA,IA."),
        QStringLiteral("V,I")));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording."),
                                 QStringLiteral("FILE"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    Configuration configuration = configured(parser, startConfiguration);
    Format format = Format::Text;
    if (const std::optional<int> usage = judgingOptions(parser, &configuration.choice, &format))
        return *usage;
    std::optional<QString> reportFile;
    if (const std::optional<int> usage = takeReportFile(parser, &reportFile))
        return *usage;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(QStringLiteral("give one recording file."));
    RecordingOptions options;
    bool scaled = false;
    options.voltsScale = parser.value(QStringLiteral("volts-scale")).toDouble(&scaled);
    if (!scaled || !(options.voltsScale > 0))
        return usageError(QStringLiteral("--volts-scale takes a number of volts above 0."));
    options.ampsScale = parser.value(QStringLiteral("amps-scale")).toDouble(&scaled);
    if (!scaled || !(options.ampsScale > 0))
        return usageError(QStringLiteral("--amps-scale takes a number of amperes above 0."));
    options.channels = parser.value(QStringLiteral("channels"));

    // The store first: a recording whose record cannot be kept is not judged.
    RecordStore store;
    if (!openForWriting(store, configuration))
        return kStoreFailed;
    // Kept as it is judged: the memory stays the same whatever the length.
    RecordingIntake intake =
        keepRecordingAsJudged(files.first(), options, configuration.choice, productOf(parser),
                              QDateTime::currentDateTime(), store);
    if (intake.refused) {
        err(QStringLiteral("iec1000: %1").arg(intake.refused->message));
        return kDataError;
    }
    if (intake.shownOnly) {
        // Shown as judged so far, never kept nor reported.
        err(QStringLiteral("iec1000: %1: %2").arg(files.first(), intake.notKept));
        out(renderedObservation(intake.record, format));
        return kNoVerdict;
    }
    const ObservationRecord& record = intake.record;
    int exitCode = observationExitCode(record.result.verdict);
    if (!record.recordProblem.isEmpty()) {
        err(QStringLiteral("iec1000: the recording's result was not recorded: %1")
                .arg(record.recordProblem));
        exitCode = kStoreFailed;
    }
    return shownAndReported(record, format, reportFile, exitCode);
}

} // namespace cli
