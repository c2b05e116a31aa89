#pragma once

#include "outcome.h"

#include <QString>

#include <optional>

// The formats of a test report file, named by the file's extension.
enum class ReportFormat { Pdf, Csv, Json };

// The format the extension of `path` names, case-insensitive (".pdf", ".csv",
// ".json"); nothing for another extension or none.
std::optional<ReportFormat> reportFormatOf(const QString& path);

// `path` with ".pdf" added when it has no extension, as Save Report and the
// commands' --report and --output take a name without one.
QString withReportExtension(const QString& path);

// The extensions, for messages: ".pdf, .csv or .json".
QString reportFormats();

// The failed Outcome of a report file whose extension names no format.
Outcome unknownReportFormat(const QString& path);
