#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The commands of iec1000 besides the window, as the window's start (its
// --help, a word that is no command) and the command line both name them.

// A command and what it does, in one line.
struct CommandSummary
{
    QString name;
    QString summary;
};

// Every command, in the order the tool's help lists them.
const QList<CommandSummary>& commands();

bool isCommand(const QString& word);

// The usage error for a word where a command belongs that is none: "unknown
// command 'mesure'; did you mean 'measure'?", or, when no command is near it,
// the commands there are.
QString unknownCommandMessage(const QString& word);

// The name among `names` that `word` is nearest to: a typing slip (up to two
// edits, case aside) or the start of it (two characters or more); empty when
// none is near.
QString nearestName(const QString& word, const QStringList& names);

// The reason `parser` refused `arguments` (QCommandLineParser::errorText()),
// an unknown option followed by the nearest option it knows: "unknown option
// '--pot'; did you mean '--port'?".
QString parseErrorText(const QCommandLineParser& parser, const QStringList& arguments);
