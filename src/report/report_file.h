#pragma once

#include "measurement_record.h"
#include "outcome.h"

#include <QByteArray>
#include <QString>

// Writes the record to `path` in the format its extension names,
// case-insensitive: ".pdf" (writePdfReport), ".csv" (recordCsv, UTF-8) or
// ".json" (recordJson, indented, UTF-8). Another extension is a failed Outcome
// that names the three. The file is written as writeReportFile writes it.
Outcome writeReport(const MeasurementRecord& record, const QString& path);

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
