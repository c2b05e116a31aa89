#include "commands.h"

#include "command_line.h"
#include "console_observer.h"
#include "line_assembly.h"
#include "measurement_record.h"
#include "options.h"
#include "record_store.h"
#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace cli {

int measure(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Synopsis: iec1000 measure --port PORT --class A|B|C|D [--power WATTS] "
                       "[--guard-band PCT] [--edition 1995|2018] [options]\n\n"
                       "Logs on to the analyzer (the twelve configuration lines), triggers one "
                       "measurement (*TRG, wait 5 s, poll *STB? until it reads 1 for at most "
                       "20 s, :FRD?, wait 3 s), logs off (*RST), records it and prints it.\n"
                       "Exit codes: 0 Pass or Not limited, 1 Fail (also when the verdict at the lab's "
                       "Class D power basis fails), 2 no verdict (incomplete, invalid, no "
                       "result, not judged, no answer, stopped by a signal), 3 the port could "
                       "not be opened or the line failed, 4 the record store could not be opened "
                       "or the report's folder does not exist (nothing was sent), 64 usage "
                       "error."));
    addPortOption(parser);
    addClassOptions(parser, true);
    int code = kPass;
    std::optional<Configuration> parsed =
        parseLineCommand(parser, arguments, startConfiguration,
                         QStringLiteral("Also write a test report: PDF, CSV or JSON by the file's "
                                        "extension (.pdf is added when it has none)."),
                         &code);
    if (!parsed)
        return code;
    Configuration& configuration = *parsed;
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &configuration.choice, &format))
        return *code;
    std::optional<PortChoice> port;
    if (const std::optional<int> code = takePort(parser, configuration.devices, &port))
        return *code;
    std::optional<QString> reportFile;
    if (const std::optional<int> code = takeReportFile(parser, &reportFile))
        return *code;

    // The store first, as for observe: a measurement that could not be
    // recorded is not taken, and nothing is sent.
    RecordStore store;
    if (!openForWriting(store, configuration))
        return kStoreFailed;

    // The session opens the device the --port names.
    LineAssembly line;
    ConsoleObserver observer(port->deviceLabel());
    SignalInterruption interruption;

    stopOnSignals();

    if (const std::optional<int> failed = logOn(line, *port, observer, interruption))
        return *failed;

    const std::optional<CycleResult> result =
        line.session.cycle().run(configuration.choice, observer, interruption);
    line.session.reset();
    if (!result) // never: signals stop a cycle, they do not abandon it
        return kNoVerdict;
    if (!result->problem.isEmpty())
        err(escapedMessage(result->problem));
    sayPowerDiffers(*result);

    MeasurementRecord record = newRecord(*result, port->name, port->device);
    record.product = productOf(parser);
    // The verdict is on standard error already; the store is written only
    // now, for at most kStoreDeadline, and the result follows it on standard
    // output.
    if (line.session.cycle().triggered()) {
        const Outcome saved = store.add(record);
        if (!saved.succeeded()) {
            record.recordProblem = saved.reason();
            err(QStringLiteral("iec1000: warning: the measurement was not recorded: %1")
                    .arg(saved.reason()));
        }
    }

    switch (format) {
    case Format::Json:
        out(QString::fromUtf8(
            QJsonDocument(measurementJson(record)).toJson(QJsonDocument::Indented)));
        break;
    case Format::Csv:
        out(recordCsv(record));
        break;
    case Format::Text:
        out(measurementText(record));
        break;
    }
    if (reportFile) {
        const Outcome written = writeReport(record, *reportFile);
        if (!written.succeeded())
            err(QStringLiteral("iec1000: warning: the report was not written: %1")
                    .arg(written.reason()));
    }
    return exitCodeOf(worseOfBoth(*result));
}

} // namespace cli
