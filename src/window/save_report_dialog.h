#pragma once

#include "measurement_record.h"
#include "observation_record.h"

#include <optional>

class QWidget;
class RecordStore;
class Toolkit;

// Save Report: asks for the product fields (prefilled from the record), then
// for a file (.pdf, .csv or .json; .pdf when no extension is typed), offering
// suggestedReportName() in reportFolder(), writes the report there and tells
// the operator where it was saved, naming the file, or why it was not; the
// folder is remembered once the report is saved. When `store` is given and
// the record has an id there, the product fields are also stored on the
// record. Failures are told through the toolkit. Returns the product fields
// given; nothing when the operator cancelled.
std::optional<ProductInfo> saveReport(MeasurementRecord record, RecordStore* store,
                                      Toolkit& toolkit, QWidget* parent);
// The same for a timed observation's record.
std::optional<ProductInfo> saveObservationReport(ObservationRecord record, RecordStore* store,
                                                 Toolkit& toolkit, QWidget* parent);

// The file name a report is offered under: the record's product name,
// serial number and the date it was measured, joined by "_", with ".pdf"
// ("Product_Serial_2026-12-07.pdf"). Characters a file system may refuse
// (separators, blanks, wildcards, control characters) become "-"; an empty
// field is left out, and "Report" stands in when both are empty.
QString suggestedReportName(const ProductInfo& product, const QDateTime& measuredAt);

// The folder the last report was saved in (remembered like the operator);
// the documents folder before the first, or once that folder is gone.
QString reportFolder();
