#pragma once

#include "measurement_record.h"
#include "observation_record.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPlainTextEdit;
class RecordStore;
class Toolkit;

// Asks for the product fields of a report: product name, serial number,
// operator, lab, analyzer, test conditions and notes. The operator, lab,
// analyzer and conditions last given are remembered (QSettings, "iec1000")
// and each offered when `prefill` names none.
class ProductDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProductDialog(const ProductInfo& prefill, QWidget* parent = nullptr);
    ProductInfo product() const;

    // Nothing when the operator cancelled.
    static std::optional<ProductInfo> ask(const ProductInfo& prefill, QWidget* parent);

private:
    QLineEdit* m_product = nullptr;
    QLineEdit* m_serial = nullptr;
    QLineEdit* m_operator = nullptr;
    QLineEdit* m_lab = nullptr;
    QLineEdit* m_instrument = nullptr;
    QLineEdit* m_conditions = nullptr;
    QPlainTextEdit* m_notes = nullptr;
};

// Save Report: asks for the product fields (prefilled from the record), then
// for a file (.pdf, .csv or .json; .pdf when no extension is typed), offering
// suggestedReportName() in reportFolder(), and writes the report with
// saveReportFile(). When `store` is given and the record has an id there, the
// product fields are also stored on the record. Failures are told through the
// toolkit. Returns the product fields given; nothing when the operator
// cancelled.
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

// Writes the report to `path` and tells the operator where it was saved,
// naming the file, or why it was not. The folder is remembered once the
// report is saved. True when it was.
bool saveReportFile(const MeasurementRecord& record, const QString& path, Toolkit& toolkit);
bool saveObservationReportFile(const ObservationRecord& record, const QString& path,
                               Toolkit& toolkit);
