#pragma once

#include "observation_record.h"
#include "outcome.h"

#include <QString>

// Writes the report of a timed observation to `path` as a PDF: A4 portrait,
// three pages, each with the header of the measurement report (record id,
// product, serial, start, class, verdict) and its footer:
// 1. the product, lab and test fields; the verdict; the rule set and how the
//    samples were taken; the samples judged and not; duration and elapsed
//    time; POHC; the Class D powers or the Class C basis of the limits; a
//    bar chart of each order's average and highest sample as % of its limit;
// 2. the table per order (limit, average, %, maximum, %, state);
// 3. the worst three orders over time as % of their limits.
// By the extension, case-insensitive: ".pdf", ".csv" (observationCsv, UTF-8)
// or ".json" (observationJson, indented, UTF-8); another is a failed Outcome
// that names the three. The file is written as writeReportFile writes it; a
// PDF needs a QGuiApplication, as writePdfReport does.
Outcome writeObservationReport(const ObservationRecord& record, const QString& path);
