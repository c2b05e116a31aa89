#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QString>

// Writes `contents` to `path`; nothing but a regular file is ever replaced:
// - a regular file, or none yet: written whole to a temporary file beside it
//   and renamed over it, so that nobody reads half a report;
// - a symbolic link: followed; the regular file it names is replaced as above
//   and the link stays a link (a report saved "through" a link lands where
//   the link points). A link to a FIFO or a device is written as those are; a
//   link whose target does not exist is refused: no file is made for it;
// - a FIFO or a character device (a named pipe to another program, a link
//   "report.csv" to /dev/stdout): written directly, as a shell's ">" does; a
//   FIFO waits for its reader. A write the device refuses (/dev/full: "No
//   space left on device") is a failure;
// - a folder, a socket or anything else: refused.
// A failed Outcome names `path` and the system's reason.
Outcome writeReportFile(const QString& path, const QByteArray& contents);

// Why no report can be written to `path`, known before anything is measured:
// the folder it goes into does not exist, or may not be written to; empty
// when it may be tried (writeReportFile has the last word, and a FIFO, a
// device or a folder at `path` is left to it).
QString reportFolderProblem(const QString& path);
