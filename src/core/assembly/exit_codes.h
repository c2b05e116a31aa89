#pragma once

// The tool's exit codes, the same for the window's start (--help, a usage
// error) and every command (command_line.h).
enum ExitCode {
    kPass = 0,        // Pass, or a command other than measure/evaluate succeeded
    kFail = 1,        // Fail
    kNoVerdict = 2,   // a measurement without a verdict, or stopped by a signal
    kLineFailed = 3,  // the port could not be opened or the line failed
    kStoreFailed = 4, // the record store or a file could not be read or written
    kUsage = 64,      // a usage error
    kDataError = 65,  // a recording that cannot be judged (unreadable, damaged, unfit)
};

namespace cli {
using ::ExitCode;
using ::kFail;
using ::kLineFailed;
using ::kNoVerdict;
using ::kPass;
using ::kStoreFailed;
using ::kUsage;
using ::kDataError;
} // namespace cli
