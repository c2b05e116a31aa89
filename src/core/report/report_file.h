#pragma once

#include "measurement_record.h"
#include "outcome.h"

#include <QString>

// Writes the record to `path` in the format its extension names,
// case-insensitive: ".pdf" (writePdfReport), ".csv" (recordCsv, UTF-8) or
// ".json" (recordJson, indented, UTF-8). Another extension is a failed Outcome
// that names the three. The file is written as writeReportFile writes it.
Outcome writeReport(const MeasurementRecord& record, const QString& path);
