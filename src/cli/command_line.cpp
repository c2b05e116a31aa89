#include "command_line.h"

#include "analyzer_session.h"
#include "com_ports.h"
#include "command_channel.h"
#include "measurement_cycle.h"
#include "port_list.h"
#include "qt_serial_port.h"
#include "record_store.h"
#include "rejudge.h"
#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"
#include "session_stage.h"
#include "system_clock.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <signal.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace cli {
namespace {

const QStringList kSubcommands{QStringLiteral("measure"), QStringLiteral("evaluate"),
                               QStringLiteral("history"), QStringLiteral("report"),
                               QStringLiteral("ports")};

volatile std::sig_atomic_t g_signalled = 0;

extern "C" void onSignal(int)
{
    g_signalled = 1;
}

// SIGINT, SIGTERM and SIGHUP (a closed terminal, a dropped SSH session) stop
// a measurement at its next safe point (ConsoleObserver). A SIGHUP ignored
// when the tool started (nohup) stays ignored. Interrupted system calls are
// restarted, as std::signal does.
void stopOnSignals()
{
#ifndef Q_OS_UNIX
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#else
    struct sigaction stop = {};
    stop.sa_handler = onSignal;
    sigemptyset(&stop.sa_mask);
    stop.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before = {};
        if (signal == SIGHUP && sigaction(SIGHUP, nullptr, &before) == 0 &&
            before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &stop, nullptr);
    }
#endif
}

// A failed write (a closed pipe: EPIPE, SIGPIPE being ignored) loses that
// output and nothing else; the command goes on and ends with its own code.
void out(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void err(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// The command being run ("measure"), for its usage messages.
QString g_command;

// One line, and where the help is: a script's log keeps the reason in view.
int usageError(const QCommandLineParser&, const QString& message)
{
    err(QStringLiteral("iec1000: %1").arg(message));
    err(QStringLiteral("Try 'iec1000 %1 --help'.").arg(g_command));
    return kUsage;
}

// The parser's help with the command in its usage line: "Usage: iec1000
// measure [options] ..." rather than the executable's path alone.
QString helpOf(const QCommandLineParser& parser)
{
    QString help = parser.helpText();
    const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
    const qsizetype options = help.indexOf(QLatin1String(" [options]"));
    if (options >= 0 && options < lineEnd)
        help.replace(0, options, QStringLiteral("Usage: iec1000 %1").arg(g_command));
    return help;
}

} // namespace

void addComOptions(QCommandLineParser& parser)
{
    for (int n = 1; n <= 4; ++n)
        parser.addOption(QCommandLineOption(
            QStringLiteral("com%1").arg(n),
            QStringLiteral("The device behind Com %1 for this run (wins over %2).")
                .arg(n)
                .arg(comPortVariable(qint16(n))),
            QStringLiteral("device")));
}

void applyComOptions(const QCommandLineParser& parser)
{
    // The options given: a command without Com options has none to ask for.
    const QStringList given = parser.optionNames();
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("com%1").arg(n);
        if (given.contains(name))
            qputenv(comPortVariable(qint16(n)).toLatin1().constData(),
                    parser.value(name).toLocal8Bit());
    }
}

namespace {

// Parses; false with the exit code in *code when the command must end now
// (--help, or a usage error: also an argument given to a command that takes
// none).
bool parse(QCommandLineParser& parser, const QStringList& arguments, int* code,
           bool takesArguments = false)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        *code = usageError(parser, parser.errorText());
        return false;
    }
    if (parser.isSet(help)) {
        out(helpOf(parser));
        *code = kPass;
        return false;
    }
    if (!takesArguments && !parser.positionalArguments().isEmpty()) {
        *code = usageError(parser, QStringLiteral("unexpected argument \"%1\".")
                                       .arg(parser.positionalArguments().first()));
        return false;
    }
    applyComOptions(parser);
    return true;
}

enum class Format { Text, Json, Csv };

std::optional<Format> formatOf(const QString& name, bool csvAllowed)
{
    if (name == QLatin1String("text"))
        return Format::Text;
    if (name == QLatin1String("json"))
        return Format::Json;
    if (name == QLatin1String("csv") && csvAllowed)
        return Format::Csv;
    return std::nullopt;
}

QString rendered(const CycleResult& result, Format format)
{
    switch (format) {
    case Format::Json:
        return QString::fromUtf8(QJsonDocument(resultJson(result)).toJson(QJsonDocument::Indented));
    case Format::Csv:
        return resultCsv(result);
    case Format::Text:
        break;
    }
    return resultText(result);
}

int exitCodeOf(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return kPass;
    case Verdict::Fail:
        return kFail;
    case Verdict::LineFailed:
        return kLineFailed;
    default:
        return kNoVerdict;
    }
}

// --class and --power as a class choice; a usage error in *message.
std::optional<ClassChoice> classChoiceOf(const QCommandLineParser& parser, QString* message)
{
    if (!parser.isSet(QStringLiteral("class"))) {
        *message = QStringLiteral("--class is required (A, B, C or D).");
        return std::nullopt;
    }
    const std::optional<ProductClass> productClass =
        classFromLetter(parser.value(QStringLiteral("class")));
    if (!productClass) {
        *message = QStringLiteral("--class takes A, B, C or D, not \"%1\".")
                       .arg(parser.value(QStringLiteral("class")));
        return std::nullopt;
    }
    const bool powerGiven = parser.isSet(QStringLiteral("power"));
    if (*productClass == ProductClass::D && !powerGiven) {
        *message = QStringLiteral("--class D needs --power (the product's power in watts).");
        return std::nullopt;
    }
    if (*productClass != ProductClass::D && powerGiven) {
        *message = QStringLiteral("--power goes with --class D only.");
        return std::nullopt;
    }
    if (*productClass == ProductClass::D &&
        !classDPowerInRange(parser.value(QStringLiteral("power")))) {
        *message = QStringLiteral("--power \"%1\": %2 (watts).")
                       .arg(parser.value(QStringLiteral("power")), classDPowerRangeMessage());
        return std::nullopt;
    }
    return ClassChoice{*productClass,
                       powerGiven ? parser.value(QStringLiteral("power")) : QString()};
}

// --class, --power and --format of measure and evaluate; nothing when they
// are right, otherwise the usage error's exit code.
std::optional<int> judgingOptions(const QCommandLineParser& parser, ClassChoice* choice,
                                  Format* format)
{
    QString problem;
    const std::optional<ClassChoice> chosen = classChoiceOf(parser, &problem);
    if (!chosen)
        return usageError(parser, problem);
    const std::optional<Format> formatChosen =
        formatOf(parser.value(QStringLiteral("format")), true);
    if (!formatChosen)
        return usageError(parser, QStringLiteral("--format takes text, json or csv."));
    *choice = *chosen;
    *format = *formatChosen;
    return std::nullopt;
}

void addClassOptions(QCommandLineParser& parser, bool csv)
{
    parser.addOption(QCommandLineOption(QStringLiteral("class"),
                                        QStringLiteral("The equipment class: A, B, C or D."),
                                        QStringLiteral("A|B|C|D")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("power"),
        QStringLiteral("Class D: the product's power in watts, a number from 50 to 600 (as "
                       "the window takes its Class D power); any other value is a usage error "
                       "and nothing is sent or judged."),
        QStringLiteral("watts")));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        csv ? QStringLiteral("Output: text (default), json or csv.")
                                            : QStringLiteral("Output: text (default) or json."),
                                        QStringLiteral("format"), QStringLiteral("text")));
}

void addDbOption(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        QStringLiteral("db"),
        QStringLiteral("The record store: a SQLite file or postgresql://user@host/dbname "
                       "(default: IEC1000_DB, else %1).")
            .arg(defaultRecordStore()),
        QStringLiteral("store")));
}

// Record `id` of the store --db names; nothing, the reason said on standard
// error, when the store or the record cannot be read.
std::optional<MeasurementRecord> storedRecord(const QCommandLineParser& parser, qint64 id)
{
    RecordStore store;
    const Outcome opened =
        store.open(recordStoreName(parser.value(QStringLiteral("db"))), StoreAccess::Read);
    if (!opened.succeeded()) {
        err(QStringLiteral("iec1000: %1").arg(opened.reason()));
        return std::nullopt;
    }
    QString error;
    std::optional<MeasurementRecord> record = store.record(id, &error);
    if (!record)
        err(QStringLiteral("iec1000: %1").arg(error));
    return record;
}

// The port as the operator gave it: 1 to 4 or "Com 1" to "Com 4" (the Com
// option's device), or a device path.
struct PortChoice
{
    QString name;   // "Com 2" or the path
    QString device; // what is opened

    // "Com 2 (/dev/ttyS1)"; a device path named once.
    QString label() const
    {
        return name == device ? name : QStringLiteral("%1 (%2)").arg(name, device);
    }
};

// Nothing, with the usage error in *message, for an empty text or a number
// that is not 1 to 4 ("5", "Com 0").
std::optional<PortChoice> portChoiceOf(const QString& text, QString* message)
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
        return PortChoice{QStringLiteral("Com %1").arg(n), comPortDevice(qint16(n))};
    }
    if (text.trimmed().isEmpty()) {
        *message = QStringLiteral("--port is empty.");
        return std::nullopt;
    }
    return PortChoice{text, text};
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

// The report file as --report or --output name it: ".pdf" added when it has
// no extension, as the window's Save Report does; nothing for an extension
// that names no report format.
std::optional<QString> reportPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty())
        return path + QStringLiteral(".pdf");
    if (suffix == QLatin1String("pdf") || suffix == QLatin1String("csv") ||
        suffix == QLatin1String("json"))
        return path;
    return std::nullopt;
}

const QString kReportFormats = QStringLiteral(".pdf, .csv or .json");

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

// Progress of a measurement on standard error, one line a step; SIGINT and
// SIGTERM stop it at its next safe point. On a terminal, the waits after
// "Triggered" and "Retrieving results...." also count down on one line that
// is rewritten in place and cleared at the wait's end; a log gets nothing of
// it.
class ConsoleObserver : public CycleObserver
{
public:
    explicit ConsoleObserver(ClassChoice choice)
        : m_choice(std::move(choice)), m_countdown(stderrIsTerminal())
    {}

    void stageReached(SessionStage stage) override { err(stageText(stage)); }
    void progress(int) override {}
    Go dispatchPoint() override { return g_signalled ? Go::Stop : Go::On; }
    bool interruptible() const override { return true; }
    bool interruptRequested() override { return g_signalled != 0; }
    void cycleStarted() override {}
    void resultsCleared() override {}
    void step(Step step) override
    {
        clearCountdown();
        switch (step) {
        case Step::Triggered:
            m_step = QStringLiteral("Triggered");
            break;
        case Step::Waiting:
            m_step = QStringLiteral("Waiting for the analyzer");
            break;
        case Step::Retrieving:
            m_step = QStringLiteral("Retrieving results....");
            break;
        }
        err(m_step);
    }
    void waiting(int secondsLeft) override
    {
        if (!m_countdown)
            return;
        if (secondsLeft <= 0) {
            clearCountdown();
            return;
        }
        QString caption = m_step;
        while (caption.endsWith(QLatin1Char('.')))
            caption.chop(1);
        const QString line = QStringLiteral("%1: %2 s left").arg(caption).arg(secondsLeft);
        m_shownWidth = std::max(m_shownWidth, line.size());
        writeRaw(QLatin1Char('\r') + line.leftJustified(m_shownWidth));
    }
    QString lineFailureAdvice() const override
    {
        return QStringLiteral("Check the cable and the analyzer, then run the measurement again.");
    }
    ClassChoice classChoice() override { return m_choice; }
    void cycleEnded(const CycleResult& result) override
    {
        clearCountdown();
        err(verdictText(result.verdict));
    }

private:
    static void writeRaw(const QString& text)
    {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    void clearCountdown()
    {
        if (m_shownWidth == 0)
            return;
        writeRaw(QLatin1Char('\r') + QString(m_shownWidth, QLatin1Char(' ')) + QLatin1Char('\r'));
        m_shownWidth = 0;
    }

    ClassChoice m_choice;
    bool m_countdown = false;
    QString m_step;
    // The width of the countdown line now shown; 0 when none is.
    qsizetype m_shownWidth = 0;
};

// --lab, --instrument and --conditions: what a lab writes on its test report.
void addLabOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("lab"), QStringLiteral("The lab's name."),
                                        QStringLiteral("text")));
    parser.addOption(QCommandLineOption(QStringLiteral("instrument"),
                                        QStringLiteral("The analyzer's model and serial number."),
                                        QStringLiteral("text")));
    parser.addOption(
        QCommandLineOption(QStringLiteral("conditions"),
                           QStringLiteral("The test conditions (supply, temperature, load, ...)."),
                           QStringLiteral("text")));
}

// Replaces the lab fields of `product` that were given.
void takeLabOptions(const QCommandLineParser& parser, ProductInfo* product)
{
    const std::pair<QString, QString ProductInfo::*> fields[] = {
        {QStringLiteral("lab"), &ProductInfo::lab},
        {QStringLiteral("instrument"), &ProductInfo::instrument},
        {QStringLiteral("conditions"), &ProductInfo::conditions}};
    for (const auto& [name, field] : fields)
        if (parser.isSet(name))
            product->*field = parser.value(name);
}

int measure(const QStringList& arguments)
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
    ClassChoice choice;
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &choice, &format))
        return *code;
    if (!parser.isSet(QStringLiteral("port")))
        return usageError(parser, QStringLiteral("--port is required."));
    QString portProblem;
    const std::optional<PortChoice> port =
        portChoiceOf(parser.value(QStringLiteral("port")), &portProblem);
    if (!port)
        return usageError(parser, portProblem);
    std::optional<QString> reportFile;
    if (parser.isSet(QStringLiteral("report"))) {
        reportFile = reportPath(parser.value(QStringLiteral("report")));
        if (!reportFile)
            return usageError(parser,
                              QStringLiteral("--report takes a %1 file, not \"%2\".")
                                  .arg(kReportFormats, parser.value(QStringLiteral("report"))));
    }

    // The session's port is Com 1 of this process, pointed at the device.
    qputenv(comPortVariable(1).toLatin1().constData(), port->device.toLocal8Bit());
    QtSerialPort serial;
    SystemClock clock;
    CommandChannel channel(serial, clock);
    AnalyzerSession session(serial, channel);
    ConsoleObserver observer(choice);

    stopOnSignals();

    const Outcome opened = session.open(1, observer);
    if (!opened.succeeded()) {
        err(QStringLiteral("iec1000: %1.")
                .arg(openFailureText(port->label(),
                                     isNoTerminal(port->device, opened.reason())
                                         ? QStringLiteral("it is not a terminal (a serial port)")
                                         : opened.reason())));
        return kLineFailed;
    }
    if (!session.configure(observer)) {
        err(QStringLiteral("iec1000: %1.")
                .arg(configureFailureText(port->label(), session.fault())));
        session.close();
        return kLineFailed;
    }

    MeasurementCycle cycle(serial, channel, clock);
    const std::optional<CycleResult> result = cycle.run(observer);
    session.reset();
    if (!result) // never: this observer does not abandon a cycle
        return kNoVerdict;
    if (!result->problem.isEmpty())
        err(escapedMessage(result->problem));

    MeasurementRecord record;
    record.result = *result;
    record.port = port->name;
    record.device = port->device;
    record.product = {
        parser.value(QStringLiteral("product")), parser.value(QStringLiteral("serial")),
        parser.value(QStringLiteral("operator")), parser.value(QStringLiteral("notes"))};
    takeLabOptions(parser, &record.product);
    record.toolVersion = QString::fromLatin1(kToolVersion);
    // The verdict is on standard error already; the store is touched only now,
    // for at most kStoreDeadline, and the result follows it on standard output.
    if (cycle.triggered()) {
        const QDeadlineTimer deadline(kStoreDeadline);
        RecordStore store;
        Outcome saved = store.open(recordStoreName(parser.value(QStringLiteral("db"))),
                                   StoreAccess::Write, deadline);
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

int evaluate(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 evaluate --class A|B|C|D [--power WATTS] [--format F] [FILE|-]\n       "
        "iec1000 evaluate --record ID --class A|B|C|D [--power WATTS] [--format F]\n\n"
        "Judges a saved result reply line (from FILE, or standard input for - "
        "or no FILE), or a stored record's reply, under a class.\n"
        "Exit codes: 0 Pass, 1 Fail, 2 no verdict, 4 the file or record could "
        "not be read, 64 usage error."));
    addClassOptions(parser, true);
    parser.addOption(QCommandLineOption(QStringLiteral("record"),
                                        QStringLiteral("Judge the reply of this stored record."),
                                        QStringLiteral("id")));
    addDbOption(parser);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The reply line; - for standard input."),
                                 QStringLiteral("[FILE|-]"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    ClassChoice choice;
    Format format = Format::Text;
    if (const std::optional<int> code = judgingOptions(parser, &choice, &format))
        return *code;
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return usageError(parser, QStringLiteral("give one file at most."));

    CycleResult stored;
    if (parser.isSet(QStringLiteral("record"))) {
        if (!files.isEmpty())
            return usageError(parser, QStringLiteral("give a file or --record, not both."));
        bool isNumber = false;
        const qint64 id = parser.value(QStringLiteral("record")).toLongLong(&isNumber);
        if (!isNumber)
            return usageError(parser, QStringLiteral("--record takes a record number."));
        const std::optional<MeasurementRecord> record = storedRecord(parser, id);
        if (!record)
            return kStoreFailed;
        stored = record->result;
    } else {
        const QString name = files.isEmpty() ? QStringLiteral("-") : files.first();
        QFile file(name);
        const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                       : file.open(QIODevice::ReadOnly);
        if (!opened) {
            err(QStringLiteral("iec1000: %1 could not be read: %2").arg(name, file.errorString()));
            return kStoreFailed;
        }
        // A saved reply is at most a few kB; more is not a reply.
        QByteArray content = file.read(CommandChannel::kInputLimit + 1);
        if (content.size() > CommandChannel::kInputLimit) {
            err(QStringLiteral("iec1000: %1 is longer than a result reply (%2 bytes).")
                    .arg(name)
                    .arg(CommandChannel::kInputLimit));
            return kNoVerdict;
        }
        // The end of the file ends the reply's line.
        if (!content.isEmpty() && !content.endsWith('\n') && !content.endsWith('\r'))
            content += "\r\n";
        stored.reply.line = QString::fromLatin1(content);
        stored.measuredAt = QDateTime::currentDateTime();
    }
    const CycleResult result = judgeAgain(stored, choice.productClass, choice.power);
    if (!result.problem.isEmpty())
        err(escapedMessage(result.problem));
    out(rendered(result, format));
    return exitCodeOf(result.verdict) == kLineFailed ? kNoVerdict : exitCodeOf(result.verdict);
}

int history(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 history [--limit N] [--filter TEXT] [--format text|json|csv]\n\n"
        "Lists the stored measurements, newest first.\n"
        "Exit codes: 0 listed, 4 the record store could not be read, 64 usage "
        "error."));
    parser.addOption(QCommandLineOption(QStringLiteral("limit"),
                                        QStringLiteral("At most this many (default 20; 0: all)."),
                                        QStringLiteral("n"), QStringLiteral("20")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("filter"),
        QStringLiteral("Only records whose product, serial, operator, notes, verdict or class "
                       "holds this text."),
        QStringLiteral("text")));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        QStringLiteral("Output: text (default), json or csv."),
                                        QStringLiteral("format"), QStringLiteral("text")));
    addDbOption(parser);
    int code = kPass;
    if (!parse(parser, arguments, &code))
        return code;
    bool isNumber = false;
    const int limit = parser.value(QStringLiteral("limit")).toInt(&isNumber);
    if (!isNumber || limit < 0)
        return usageError(parser, QStringLiteral("--limit takes a whole number from 0 up."));
    const std::optional<Format> format = formatOf(parser.value(QStringLiteral("format")), true);
    if (!format)
        return usageError(parser, QStringLiteral("--format takes text, json or csv."));

    RecordStore store;
    const Outcome opened =
        store.open(recordStoreName(parser.value(QStringLiteral("db"))), StoreAccess::Read);
    if (!opened.succeeded()) {
        err(QStringLiteral("iec1000: %1").arg(opened.reason()));
        return kStoreFailed;
    }
    QString error;
    const QList<RecordSummary> records =
        store.history(limit, parser.value(QStringLiteral("filter")), &error);
    if (!error.isEmpty()) {
        err(QStringLiteral("iec1000: %1").arg(error));
        return kStoreFailed;
    }
    if (*format == Format::Json) {
        QJsonArray list;
        for (const RecordSummary& r : records)
            list.append(QJsonObject{{QStringLiteral("id"), r.id},
                                    {QStringLiteral("measured_at"), isoTimestamp(r.measuredAt)},
                                    {QStringLiteral("class"), classLetter(r.productClass)},
                                    {QStringLiteral("power"), r.power},
                                    {QStringLiteral("verdict"), verdictText(r.verdict)},
                                    {QStringLiteral("product"), r.product},
                                    {QStringLiteral("serial"), r.serial},
                                    {QStringLiteral("operator"), r.operatorName},
                                    {QStringLiteral("port"), r.port}});
        out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)));
        return kPass;
    }
    if (*format == Format::Csv) {
        // The JSON's keys as columns, in its order.
        QString csv =
            csvRow({QStringLiteral("id"), QStringLiteral("measured_at"), QStringLiteral("class"),
                    QStringLiteral("power"), QStringLiteral("verdict"), QStringLiteral("product"),
                    QStringLiteral("serial"), QStringLiteral("operator"), QStringLiteral("port")});
        for (const RecordSummary& r : records)
            csv += csvRow({QString::number(r.id), isoTimestamp(r.measuredAt),
                           classLetter(r.productClass), r.power, verdictText(r.verdict), r.product,
                           r.serial, r.operatorName, r.port});
        out(csv);
        return kPass;
    }
    // One line a record. Stored texts are escaped (escapedText), so that a line
    // end or an escape sequence in a product name neither breaks the row nor
    // reaches the terminal; the row is joined, not filled in with arg(), so a
    // "%6" in a product name stays as it is.
    const auto row = [](const QString& id, const QString& at, const QString& cls,
                        const QString& verdict, const QString& product, const QString& serial,
                        const QString& port) {
        return id.rightJustified(6) + QStringLiteral("  ") + at.leftJustified(25) +
               QStringLiteral("  ") + cls.leftJustified(6) + QStringLiteral("  ") +
               verdict.leftJustified(24) + QStringLiteral("  ") + product.leftJustified(20) +
               QStringLiteral("  ") + serial.leftJustified(14) + QStringLiteral("  ") + port +
               QLatin1Char('\n');
    };
    QString table =
        row(QStringLiteral("id"), QStringLiteral("measured at"), QStringLiteral("class"),
            QStringLiteral("verdict"), QStringLiteral("product"), QStringLiteral("serial"),
            QStringLiteral("port"));
    for (const RecordSummary& r : records) {
        const QString cls = r.productClass == ProductClass::D
                                ? QStringLiteral("D ") + escapedText(r.power) + QLatin1Char('W')
                                : classLetter(r.productClass);
        table += row(QString::number(r.id), isoTimestamp(r.measuredAt), cls, verdictText(r.verdict),
                     escapedText(r.product), escapedText(r.serial), escapedText(r.port));
    }
    if (records.isEmpty())
        table += QStringLiteral("No measurements recorded.\n");
    out(table);
    return kPass;
}

int report(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Synopsis: iec1000 report ID --output FILE [--lab T] [--instrument T] "
                       "[--conditions T]\n\n"
                       "Writes the test report of stored record ID: PDF, CSV or JSON by the "
                       "output file's extension. --lab, --instrument and --conditions, when "
                       "given, replace the record's own in the report (the record keeps "
                       "them).\n"
                       "Exit codes: 0 written, 4 the record or the file could not be read or "
                       "written, 64 usage error."));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("The report file (.pdf, .csv or .json; "
                                                       ".pdf is added when it has none)."),
                                        QStringLiteral("file")));
    addLabOptions(parser);
    addDbOption(parser);
    parser.addPositionalArgument(QStringLiteral("id"), QStringLiteral("The record's number."),
                                 QStringLiteral("ID"));
    int code = kPass;
    if (!parse(parser, arguments, &code, true))
        return code;
    if (parser.positionalArguments().size() != 1)
        return usageError(parser, QStringLiteral("give one record number."));
    bool isNumber = false;
    const qint64 id = parser.positionalArguments().first().toLongLong(&isNumber);
    if (!isNumber)
        return usageError(parser, QStringLiteral("\"%1\" is not a record number.")
                                      .arg(parser.positionalArguments().first()));
    if (!parser.isSet(QStringLiteral("output")))
        return usageError(parser, QStringLiteral("--output is required."));
    const std::optional<QString> output = reportPath(parser.value(QStringLiteral("output")));
    if (!output)
        return usageError(parser, QStringLiteral("--output takes a %1 file, not \"%2\".")
                                      .arg(kReportFormats, parser.value(QStringLiteral("output"))));

    std::optional<MeasurementRecord> record = storedRecord(parser, id);
    if (!record)
        return kStoreFailed;
    takeLabOptions(parser, &record->product);
    const Outcome written = writeReport(*record, *output);
    if (!written.succeeded()) {
        err(QStringLiteral("iec1000: %1").arg(written.reason()));
        return kStoreFailed;
    }
    return kPass;
}

int ports(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Synopsis: iec1000 ports [--format text|json]\n\n"
                       "Lists the machine's serial ports and which Com option points at each."));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        QStringLiteral("Output: text (default) or json."),
                                        QStringLiteral("format"), QStringLiteral("text")));
    addComOptions(parser);
    int code = kPass;
    if (!parse(parser, arguments, &code))
        return code;
    const std::optional<Format> format = formatOf(parser.value(QStringLiteral("format")), false);
    if (!format)
        return usageError(parser, QStringLiteral("--format takes text or json."));
    const QList<PortEntry> entries = listPorts();
    if (*format == Format::Json)
        out(QString::fromUtf8(QJsonDocument(portsJson(entries)).toJson(QJsonDocument::Indented)));
    else
        out(portsText(entries));
    return kPass;
}

} // namespace

bool wanted(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    return kSubcommands.contains(arguments.at(1)) ||
           arguments.contains(QStringLiteral("--version"));
}

bool needsGui(const QStringList& arguments)
{
    // A PDF report: measure --report and report --output with a file whose
    // extension is .pdf or that has none (.pdf is then added).
    if (arguments.size() < 2 ||
        (arguments.at(1) != QLatin1String("measure") && arguments.at(1) != QLatin1String("report")))
        return false;
    static const QRegularExpression option(QStringLiteral("^--?(?:report|output|o)(?:=(.*))?$"));
    for (qsizetype n = 2; n < arguments.size(); ++n) {
        const QRegularExpressionMatch match = option.match(arguments.at(n));
        if (!match.hasMatch())
            continue;
        const QString file = match.hasCaptured(1) ? match.captured(1) : arguments.value(n + 1);
        const QString suffix = QFileInfo(file).suffix();
        if (suffix.isEmpty() || suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int run(const QStringList& arguments)
{
#ifdef Q_OS_UNIX
    // A reader that went away (`iec1000 measure ... | head -1`) must not end
    // the tool before it has recorded the measurement and written the report:
    // a write to the closed pipe fails with EPIPE instead (out()).
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (arguments.contains(QStringLiteral("--version")) &&
        (arguments.size() < 2 || !kSubcommands.contains(arguments.at(1)))) {
        out(QStringLiteral("iec1000 %1 (Qt %2)\n")
                .arg(QLatin1String(kToolVersion), QLatin1String(qVersion())));
        return kPass;
    }
    // The subcommand's own parser sees "iec1000 <subcommand> ...".
    QStringList rest = arguments;
    const QString command = rest.takeAt(1);
    g_command = command;
    rest[0] = arguments.at(0) + QLatin1Char(' ') + command;
    if (command == QLatin1String("measure"))
        return measure(rest);
    if (command == QLatin1String("evaluate"))
        return evaluate(rest);
    if (command == QLatin1String("history"))
        return history(rest);
    if (command == QLatin1String("report"))
        return report(rest);
    return ports(rest);
}

} // namespace cli
