#pragma once

#include "command_names.h"
#include "configuration.h"
#include "exit_codes.h"

#include <QStringList>

#include <optional>

// The command line of iec1000 besides the window:
//
//   iec1000 measure --port PORT --class A|B|C|D [--power W] [--format F] ...
//   iec1000 observe --port PORT --class A|B|C|D [--duration SECONDS] ...
//   iec1000 evaluate --class X [--power W] [--format F] [FILE|-]
//   iec1000 evaluate --record ID --class X [--power W] [--format F]
//   iec1000 history [--limit N] [--filter TEXT] [--format text|json|csv]
//   iec1000 report ID --output FILE
//   iec1000 report ID --samples --format csv|json [--output FILE]
//   iec1000 ports [--format text|json]
//   iec1000 --version
//
// Results go to standard output, progress and errors to standard error. A
// usage error is one line and "Try 'iec1000 COMMAND --help'.".
namespace cli {

// Whether the arguments ask for the command line rather than the window: a
// command as the first argument, or --version.
bool wanted(const QStringList& arguments);

// Where the command stands among the arguments when only options every
// command may take come before it, each with its value (--db STORE, --com1
// to --com4 DEVICE, also as --db=STORE): "iec1000 --db lab.sqlite history"
// runs as "iec1000 history --db lab.sqlite". 1 for a command first, 0 when
// there is none there.
qsizetype commandPosition(const QStringList& arguments);

// A reader that went away (`iec1000 measure ... | head -1`) must not end the
// tool before it has recorded the measurement and written the report: a
// write to the closed pipe fails with EPIPE instead (out()).
void ignoreClosedPipes();

// "iec1000 COMMAND ..." as the command's own parser sees it ("iec1000
// COMMAND" first), the command named for its messages; closed pipes ignored.
QStringList commandArguments(const QStringList& arguments);

// `iec1000 --version` (no command before it): prints the tool's version and
// returns the exit code; nothing for anything else. Loads no module.
std::optional<int> printedVersion(const QStringList& arguments);

// `iec1000 evaluate` of a reply file: the exit code; nothing when the
// command is anything else or evaluate is given a stored record (run() does
// those). Links neither Qt SQL, Qt Serial Port nor Qt GUI.
std::optional<int> evaluateReplyFile(const QStringList& arguments,
                                     const Configuration& configuration);

// Runs the command line in a running QCoreApplication (a QGuiApplication
// when a PDF report may be written); returns the exit code. `configuration`:
// what the environment named at the start (Configuration::fromEnvironment());
// a command's --com and --db options win over it.
int run(const QStringList& arguments, const Configuration& configuration);

// Whether writing a report needs a QGuiApplication (a PDF may be written).
bool needsGui(const QStringList& arguments);

} // namespace cli
