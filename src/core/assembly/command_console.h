#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What every command shares, those of the command line (src/cli) and
// `iec1000 serve` (src/web): its name in messages and help, the output
// streams and the usage error.
namespace cli {

// The command being run ("measure"), for its usage messages and help.
void setCommand(const QString& command);

// Standard output and standard error. A failed write (a closed pipe: EPIPE,
// SIGPIPE being ignored) loses that output and nothing else; the command
// goes on and ends with its own code. err() ends the line.
void out(const QString& text);
void err(const QString& text);

// One line, and where the help is: a script's log keeps the reason in view.
// Returns kUsage.
int usageError(const QString& message);

// Parses; false with the exit code in *code when the command must end now
// (--help, or a usage error: also an argument given to a command that takes
// none).
bool parse(QCommandLineParser& parser, const QStringList& arguments, int* code,
           bool takesArguments = false);

} // namespace cli
