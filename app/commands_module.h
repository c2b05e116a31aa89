#pragma once

#include "configuration.h"

// The commands' entry point, which the iec1000 executable finds by name in
// the commands module: runs the command line (src/cli) or `iec1000 serve`
// (src/web) on argc/argv and `fromEnvironment`, and returns the exit code.
// The module links Qt SQL, Serial Port, GUI (the PDF report) and the web
// face's HTTP libraries, which judging a reply file (evaluate FILE, in the
// executable itself) needs none of.
extern "C" int iec1000RunCommands(int argc, char* argv[], const Configuration* fromEnvironment);

using RunCommands = int (*)(int, char*[], const Configuration*);
inline constexpr const char* kCommandsEntry = "iec1000RunCommands";
inline constexpr const char* kCommandsModule = "libiec1000-commands.so";
