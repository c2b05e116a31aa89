#pragma once

#include "measurement_record.h"
#include "outcome.h"

#include <QString>

// Writes the record's test report to `path` as a PDF: A4 portrait, text drawn
// as vector text at 300 dpi, two pages (summary with the verdict and a chart
// of each harmonic as % of its limit; the harmonics table and the reply as
// received), a footer on each. The report is painted whole, then written as
// writeReportFile writes it. A folder that does not exist or cannot be written
// is a failed Outcome with the system's reason.
//
// Needs a QGuiApplication (fonts and text layout belong to Qt GUI); the
// "offscreen" platform is enough, no display or window system. Without one
// the Outcome fails and nothing is written.
Outcome writePdfReport(const MeasurementRecord& record, const QString& path);
