#pragma once

#include "measurement_record.h"

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
// for a file (.pdf, .csv or .json; .pdf when no extension is typed), and
// writes the report. When `store` is given and the record has an id there,
// the product fields are also stored on the record. Failures are told through
// the toolkit. Returns the product fields given; nothing when the operator
// cancelled.
std::optional<ProductInfo> saveReport(MeasurementRecord record, RecordStore* store,
                                      Toolkit& toolkit, QWidget* parent);
