#pragma once

#include <QList>
#include <QString>

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
