#pragma once

#include "configuration.h"

// The window's entry point, which the iec1000 executable finds by name in the
// window module: reads the window's options from argc/argv (--help, --demo,
// --scenario, --com1 to --com4, --db, the toolkit's own), starts the window
// on `fromEnvironment` with those options in place and returns the exit code
// once it closes.
extern "C" int iec1000RunWindow(int argc, char* argv[], const Configuration* fromEnvironment);

using RunWindow = int (*)(int, char*[], const Configuration*);
inline constexpr const char* kWindowEntry = "iec1000RunWindow";
inline constexpr const char* kWindowModule = "libiec1000-window.so";
