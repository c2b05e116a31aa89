#include "save_report_dialog.h"

#include "record_store.h"
#include "report_file.h"
#include "toolkit.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

namespace {

const QString kOperatorKey = QStringLiteral("report/operator");

QSettings settings()
{
    return QSettings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
}

} // namespace

ProductDialog::ProductDialog(const ProductInfo& prefill, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Save Report"));
    setModal(true);
    m_product = new QLineEdit(prefill.product, this);
    m_serial = new QLineEdit(prefill.serial, this);
    m_operator =
        new QLineEdit(prefill.operatorName.isEmpty() ? settings().value(kOperatorKey).toString()
                                                     : prefill.operatorName,
                      this);
    m_notes = new QPlainTextEdit(prefill.notes, this);
    m_notes->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Product name:"), m_product);
    form->addRow(QStringLiteral("Serial number:"), m_serial);
    form->addRow(QStringLiteral("Operator:"), m_operator);
    form->addRow(QStringLiteral("Notes:"), m_notes);
    form->addRow(buttons);
}

ProductInfo ProductDialog::product() const
{
    return {m_product->text().trimmed(), m_serial->text().trimmed(), m_operator->text().trimmed(),
            m_notes->toPlainText().trimmed()};
}

std::optional<ProductInfo> ProductDialog::ask(const ProductInfo& prefill, QWidget* parent)
{
    ProductDialog dialog(prefill, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const ProductInfo product = dialog.product();
    if (!product.operatorName.isEmpty())
        settings().setValue(kOperatorKey, product.operatorName);
    return product;
}

std::optional<ProductInfo> saveReport(MeasurementRecord record, RecordStore* store,
                                      Toolkit& toolkit, QWidget* parent)
{
    const std::optional<ProductInfo> product = ProductDialog::ask(record.product, parent);
    if (!product)
        return std::nullopt;
    QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Save Report"), QString(),
                                     QStringLiteral("PDF (*.pdf);;CSV (*.csv);;JSON (*.json)"));
    if (path.isEmpty())
        return std::nullopt;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");

    record.product = *product;
    const Outcome written = writeReport(record, path);
    if (!written.succeeded())
        toolkit.messageBox(QStringLiteral("The report was not saved: %1").arg(written.reason()));
    if (store && record.id > 0) {
        const Outcome updated = store->updateProduct(record.id, record.product);
        if (!updated.succeeded())
            toolkit.messageBox(
                QStringLiteral("The product fields were not recorded: %1").arg(updated.reason()));
    }
    return product;
}
