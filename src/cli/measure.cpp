#include "commands.h"

#include "command_line.h"
#include "console_observer.h"
#include "line_assembly.h"
#include "new_record.h"
#include "options.h"
#include "record_store.h"
#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"
#include "session_stage.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#endif

namespace cli {
namespace {

// The port as the operator gave it: 1 to 4 or "Com 1" to "Com 4" (the Com
// option's device), or a device path.
struct PortChoice
{
    QString name;      // "Com 2" or the path
    QString device;    // what is opened
    qint16 number = 1; // the Com option opened: a path stands behind Com 1

    // "Com 2 (/dev/ttyS1)"; a device path named once.
    QString label() const
    {
        return name == device ? name : QStringLiteral("%1 (%2)").arg(name, device);
    }
};

// Nothing, with the usage error in *message, for an empty text or a number
// that is not 1 to 4 ("5", "Com 0").
std::optional<PortChoice> portChoiceOf(const QString& text, const ComDevices& devices,
                                       QString* message)
{
    static const QRegularExpression com(QStringLiteral("^(?:com\\s*)?(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = com.match(text.trimmed());
    if (match.hasMatch()) {
        const int n = match.captured(1).toInt();
        if (n < 1 || n > 4) {
            *message = QStringLiteral("--port takes Com 1 to Com 4 or a device path, not \"%1\".")
                           .arg(text);
            return std::nullopt;
        }
        return PortChoice{QStringLiteral("Com %1").arg(n), devices.device(qint16(n)), qint16(n)};
    }
    if (text.trimmed().isEmpty()) {
        *message = QStringLiteral("--port is empty.");
        return std::nullopt;
    }
    return PortChoice{text, text, 1};
}

// Whether the port failed to open because `device` is no terminal: a file
// that is not a device, or a device (/dev/null) the system refused with
// ENOTTY. Its own reason, "Inappropriate ioctl for device", tells an
// operator nothing. The device is not opened again.
bool isNoTerminal(const QString& device, const QString& reason)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return false;
    return !S_ISCHR(info.st_mode) || reason.contains(QString::fromLocal8Bit(std::strerror(ENOTTY)));
#else
    Q_UNUSED(device);
    Q_UNUSED(reason);
    return false;
#endif
}

} // namespace

int measure(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 measure --port PORT --class A|B|C|D [--power WATTS] [options]\n\n"
        "Logs on to the analyzer (the twelve configuration lines), triggers one "
        "measurement (*TRG, wait 5 s, poll *STB? until it reads 1 for at most "
        "20 s, :FRD?, wait 3 s), logs off (*RST), records it and prints it.\n"
        "Exit codes: 0 Pass, 1 Fail, 2 no verdict (incomplete, invalid, no "
        "result, not judged, no answer, stopped by a signal), 3 the port could "
        "not be opened or the line failed, 64 usage error."));
    parser.addOption(QCommandLineOption(
        QStringLiteral("port"),
        QStringLiteral("1 to 4 or \"Com 1\" to \"Com 4\" (as the window resolves them), or a "
                       "device path."),
        QStringLiteral("port")));
    addClassOptions(parser, true);
    const QList<std::pair<QString, QString>> productOptions{
        {QStringLiteral("product"), QStringLiteral("The product's name.")},
        {QStringLiteral("serial"), QStringLiteral("The product's serial number.")},
        {QStringLiteral("operator"), QStringLiteral("Who tested it.")},
        {QStringLiteral("notes"), QStringLiteral("Notes kept with the record.")}};
    for (const auto& [name, description] : productOptions)
        parser.addOption(QCommandLineOption(name, description, QStringLiteral("text")));
    addLabOptions(parser);
    parser.addOption(QCommandLineOption(
        QStringLiteral("report"),
        QStringLiteral("Also write a test report: PDF, CSV or JSON by the file's extension "
                       "(.pdf is added when it has none)."),
        QStringLiteral("file")));
    addDbOption(parser);
    addComOptions(parser);
    int code = kPass;
    if (!parse(parser, arguments, &code))
        return code;
    Configuration configuration = configured(parser, startConfiguration);
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &configuration.choice, &format))
        return *code;
    if (!parser.isSet(QStringLiteral("port")))
        return usageError(QStringLiteral("--port is required."));
    QString portProblem;
    const std::optional<PortChoice> port =
        portChoiceOf(parser.value(QStringLiteral("port")), configuration.devices, &portProblem);
    if (!port)
        return usageError(portProblem);
    std::optional<QString> reportFile;
    if (parser.isSet(QStringLiteral("report"))) {
        reportFile = reportPath(parser.value(QStringLiteral("report")));
        if (!reportFile)
            return usageError(QStringLiteral("--report takes a %1 file, not \"%2\".")
                                  .arg(reportFormats(), parser.value(QStringLiteral("report"))));
    }

    // The session opens the chosen Com option; a device path stands behind
    // Com 1 of this run.
    configuration.port = port->number;
    configuration.devices.setDevice(port->number, port->device);
    LineAssembly line(configuration);
    ConsoleObserver observer(configuration.choice);

    stopOnSignals();

    const Outcome opened = line.session.open(line.portNumber, observer);
    if (!opened.succeeded()) {
        err(QStringLiteral("iec1000: %1.")
                .arg(openFailureText(port->label(),
                                     isNoTerminal(port->device, opened.reason())
                                         ? QStringLiteral("it is not a terminal (a serial port)")
                                         : opened.reason())));
        return kLineFailed;
    }
    if (!line.session.configure(observer)) {
        err(QStringLiteral("iec1000: %1.")
                .arg(configureFailureText(port->label(), line.session.fault())));
        line.session.close();
        return kLineFailed;
    }

    const std::optional<CycleResult> result = line.cycle.run(observer);
    line.session.reset();
    if (!result) // never: this observer does not abandon a cycle
        return kNoVerdict;
    if (!result->problem.isEmpty())
        err(escapedMessage(result->problem));

    MeasurementRecord record = newRecord(*result, port->name, port->device);
    record.product = {
        parser.value(QStringLiteral("product")), parser.value(QStringLiteral("serial")),
        parser.value(QStringLiteral("operator")), parser.value(QStringLiteral("notes"))};
    takeLabOptions(parser, &record.product);
    // The verdict is on standard error already; the store is touched only now,
    // for at most kStoreDeadline, and the result follows it on standard output.
    if (line.cycle.triggered()) {
        const QDeadlineTimer deadline(kStoreDeadline);
        RecordStore store;
        Outcome saved = store.open(configuration.storeName, StoreAccess::Write, deadline);
        if (saved.succeeded())
            saved = store.add(record, deadline);
        if (!saved.succeeded())
            err(QStringLiteral("iec1000: warning: the measurement was not recorded: %1")
                    .arg(saved.reason()));
    }

    switch (format) {
    case Format::Json:
        out(QString::fromUtf8(
            QJsonDocument(measurementJson(record)).toJson(QJsonDocument::Indented)));
        break;
    case Format::Csv:
        out(measurementCsv(record));
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
    return exitCodeOf(result->verdict);
}

} // namespace cli
