#include "product_dialog.h"

#include "plain_text_labels.h"
#include "window_settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

const QString kOperatorKey = QStringLiteral("report/operator");
const QString kLabKey = QStringLiteral("report/lab");
const QString kInstrumentKey = QStringLiteral("report/instrument");
const QString kConditionsKey = QStringLiteral("report/conditions");

// The prefilled text, else the one last given under `key`.
QString prefilled(const QString& text, const QString& key)
{
    return text.isEmpty() ? windowSettings().value(key).toString() : text;
}

void remember(const QString& text, const QString& key)
{
    if (!text.isEmpty())
        windowSettings().setValue(key, text);
}

} // namespace

ProductDialog::ProductDialog(const ProductInfo& prefill, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Save Report"));
    setModal(true);
    m_product = new QLineEdit(prefill.product, this);
    m_serial = new QLineEdit(prefill.serial, this);
    m_operator = new QLineEdit(prefilled(prefill.operatorName, kOperatorKey), this);
    m_lab = new QLineEdit(prefilled(prefill.lab, kLabKey), this);
    m_instrument = new QLineEdit(prefilled(prefill.instrument, kInstrumentKey), this);
    m_instrument->setPlaceholderText(QStringLiteral("model and serial number"));
    m_conditions = new QLineEdit(prefilled(prefill.conditions, kConditionsKey), this);
    m_conditions->setPlaceholderText(QStringLiteral("supply, temperature, load"));
    m_notes = new QPlainTextEdit(prefill.notes, this);
    m_notes->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Product name:"), m_product);
    form->addRow(QStringLiteral("Serial number:"), m_serial);
    form->addRow(QStringLiteral("Operator:"), m_operator);
    form->addRow(QStringLiteral("Lab:"), m_lab);
    form->addRow(QStringLiteral("Analyzer:"), m_instrument);
    form->addRow(QStringLiteral("Test conditions:"), m_conditions);
    form->addRow(QStringLiteral("Notes:"), m_notes);
    form->addRow(buttons);
    plainTextLabels(this);
}

ProductInfo ProductDialog::product() const
{
    return {m_product->text().trimmed(),   m_serial->text().trimmed(),
            m_operator->text().trimmed(),  m_notes->toPlainText().trimmed(),
            m_lab->text().trimmed(),       m_instrument->text().trimmed(),
            m_conditions->text().trimmed()};
}

std::optional<ProductInfo> ProductDialog::ask(const ProductInfo& prefill, QWidget* parent)
{
    ProductDialog dialog(prefill, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const ProductInfo product = dialog.product();
    remember(product.operatorName, kOperatorKey);
    remember(product.lab, kLabKey);
    remember(product.instrument, kInstrumentKey);
    remember(product.conditions, kConditionsKey);
    return product;
}
