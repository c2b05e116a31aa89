#pragma once

#include "command_console.h"
#include "configuration.h"
#include "configuration_options.h"
#include "cycle_result.h"
#include "line_assembly.h"
#include "measurement_cycle.h"
#include "measurement_record.h"
#include "report_format.h"

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// What the commands share: the class and format options (the output
// streams and the usage error, which `iec1000 serve` shares too, are in
// command_console.h; the options --com1 to --com4 and --db, which the window
// takes too, in configuration_options.h).
class RecordStore;

namespace cli {

enum class Format { Text, Json, Csv };
std::optional<Format> formatOf(const QString& name, bool csvAllowed);

// The exit code of a verdict.
int exitCodeOf(Verdict verdict);

// --class, --power, --guard-band and --format of measure, observe and
// evaluate.
void addClassOptions(QCommandLineParser& parser, bool csv);
// Nothing when they are right, otherwise the usage error's exit code.
std::optional<int> judgingOptions(const QCommandLineParser& parser, ClassChoice* choice,
                                  Format* format);

// Class D: the line of powerDiffersLine on standard error when the measured
// power differs from the typed one by more than 10 %; nothing otherwise.
void sayPowerDiffers(const CycleResult& result);

// --lab, --instrument and --conditions: what a lab writes on its test report.
void addLabOptions(QCommandLineParser& parser);
// Replaces the lab fields of `product` that were given.
void takeLabOptions(const QCommandLineParser& parser, ProductInfo* product);

// The report file as --report or --output name it: ".pdf" added when it has
// no extension, as the window's Save Report does; nothing for an extension
// that names no report format.
std::optional<QString> reportPath(const QString& path);

// Opens the configured store for reading (history, report, evaluate
// --record); false, the reason said on standard error, when it cannot be.
bool openForReading(RecordStore& store, const Configuration& configuration);
// Opens the configured store for writing (measure, observe); false, the
// reason said on standard error, when it cannot be.
bool openForWriting(RecordStore& store, const Configuration& configuration);
// Warns on standard error, once a run, when the store's name holds a
// password (others on the machine may see it).
void warnOfPasswordInStoreName(const QString& storeName);

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
    // The device first, as the progress names what it opens: "/dev/ttyS1
    // (Com 2)"; a device path named once.
    QString deviceLabel() const
    {
        return name == device ? device : QStringLiteral("%1 (%2)").arg(device, name);
    }
};

// Nothing, with the usage error in *message, for an empty text or a number
// that is not 1 to 4 ("5", "Com 0"). "COM2", as Windows names its ports, is
// Com 2.
std::optional<PortChoice> portChoiceOf(const QString& text, const ComDevices& devices,
                                       QString* message);

// measure's and observe's product and lab options, --report (`reportHelp`
// saying what it writes), --db and --com1 to --com4 added and the arguments
// parsed: the configuration they make of `start`; nothing, the exit code in
// *code, when the command must end now (parse()).
std::optional<Configuration> parseLineCommand(QCommandLineParser& parser,
                                              const QStringList& arguments,
                                              const Configuration& start, const QString& reportHelp,
                                              int* code);

// Adds measure's and observe's --port.
void addPortOption(QCommandLineParser& parser);
// measure's and observe's --port, which both require: nothing when it names
// a port, which goes to *port; otherwise the usage error said, and its exit
// code.
std::optional<int> takePort(const QCommandLineParser& parser, const ComDevices& devices,
                            std::optional<PortChoice>* port);

// Adds measure's and observe's --report FILE, `help` saying what it writes.
void addReportOption(QCommandLineParser& parser, const QString& help);

// measure's and observe's --report: nothing when it is not given or names a
// report file (reportPath) in a folder it may be written to, which goes to
// *file; otherwise the usage error, or the folder's problem (kStoreFailed),
// said, and its exit code.
std::optional<int> takeReportFile(const QCommandLineParser& parser, std::optional<QString>* file);

// Whether the port failed to open because `device` is no terminal: a file
// that is not a device, or a device (/dev/null) the system refused with
// ENOTTY. The device is not opened again.
bool isNoTerminal(const QString& device, const QString& reason);

// Logs on to the analyzer over `line` at the device of `port` as the window
// does (open, configure), the stages told to `observer`, interrupted as
// `interruption` says, then asks whether an analyzer answers there
// (AnalyzerSession::answers); nothing when logged on and answered, otherwise
// the exit code (kLineFailed), the reason said on standard error.
std::optional<int> logOn(LineAssembly& line, const PortChoice& port, SessionObserver& observer,
                         Interruption& interruption);

// --product, --serial, --operator, --notes and the lab options of measure
// and observe; the product fields they give.
void addProductOptions(QCommandLineParser& parser);
ProductInfo productOf(const QCommandLineParser& parser);

} // namespace cli
