#pragma once

#include "configuration.h"

class QCommandLineParser;

// The options the window and the commands share that change the
// configuration.

// --com1 to --com4 DEVICE: the device behind a Com option for this run
// (winning over IEC1000_COMn). The window, measure and ports take them.
void addComOptions(QCommandLineParser& parser);
// --db STORE: the record store (winning over IEC1000_DB).
void addDbOption(QCommandLineParser& parser);
// Whether `argument` is one of those options as typed before its value:
// "--com1" to "--com4", "--db", also with "=VALUE" after the name.
bool isConfigurationOption(const QString& argument);
// The configuration with the --com and --db options that were given in place.
Configuration configured(const QCommandLineParser& parser, Configuration configuration);
