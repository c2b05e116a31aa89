#pragma once

#include "measurement_record.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPlainTextEdit;

// Asks for the product fields of a report: product name, serial number,
// operator, lab, analyzer, test conditions and notes. The operator, lab,
// analyzer and conditions last given are remembered (windowSettings()) and
// each offered when `prefill` names none.
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
