#include "save_report_dialog.h"

#include "observation_report.h"
#include "record_store.h"
#include "report_file.h"
#include "report_format.h"
#include "toolkit.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStandardPaths>

#include <functional>

namespace {

const QString kOperatorKey = QStringLiteral("report/operator");
const QString kFolderKey = QStringLiteral("report/folder");
// The most characters a product name or serial number gives a file name.
constexpr qsizetype kNamePartLimit = 64;
const QString kLabKey = QStringLiteral("report/lab");
const QString kInstrumentKey = QStringLiteral("report/instrument");
const QString kConditionsKey = QStringLiteral("report/conditions");

QSettings settings()
{
    return QSettings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
}

// `text` as part of a file name: letters, digits, "-" and "." kept, every run
// of other characters one "-", no "." or "-" at either end (no hidden file,
// no "..").
QString fileNamePart(const QString& text)
{
    QString part;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.'))
            part += c;
        else if (!part.endsWith(QLatin1Char('-')))
            part += QLatin1Char('-');
    }
    part = part.left(kNamePartLimit);
    const auto trimmed = [](QChar c) { return c == QLatin1Char('-') || c == QLatin1Char('.'); };
    while (!part.isEmpty() && trimmed(part.front()))
        part.remove(0, 1);
    while (!part.isEmpty() && trimmed(part.back()))
        part.chop(1);
    return part;
}

// The prefilled text, else the one last given under `key`.
QString prefilled(const QString& text, const QString& key)
{
    return text.isEmpty() ? settings().value(key).toString() : text;
}

void remember(const QString& text, const QString& key)
{
    if (!text.isEmpty())
        settings().setValue(key, text);
}

} // namespace

QString suggestedReportName(const ProductInfo& product, const QDateTime& measuredAt)
{
    QStringList parts;
    for (const QString& field : {product.product, product.serial})
        if (const QString part = fileNamePart(field); !part.isEmpty())
            parts << part;
    if (parts.isEmpty())
        parts << QStringLiteral("Report");
    const QDate measured = measuredAt.isValid() ? measuredAt.date() : QDate::currentDate();
    parts << measured.toString(Qt::ISODate);
    return parts.join(QLatin1Char('_')) + QStringLiteral(".pdf");
}

QString reportFolder()
{
    const QString remembered = settings().value(kFolderKey).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

namespace {

// Writes a report with `write` and tells the operator where it went, or why
// not; the folder is remembered once it is saved.
bool saveWith(const std::function<Outcome(const QString&)>& write, const QString& path,
              Toolkit& toolkit)
{
    const Outcome written = write(path);
    if (!written.succeeded()) {
        toolkit.messageBox(QStringLiteral("The report was not saved: %1").arg(written.reason()));
        return false;
    }
    const QFileInfo file(path);
    settings().setValue(kFolderKey, file.absolutePath());
    toolkit.messageBox(QStringLiteral("The report was saved as %1")
                           .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    return true;
}

// Save Report's steps for a record of either kind: the product fields, the
// file (offered as suggestedReportName() names it), the report, and the
// fields stored on the record.
template <class Record>
std::optional<ProductInfo> saveReportOf(Record record, RecordStore* store, Toolkit& toolkit,
                                        QWidget* parent,
                                        Outcome (*write)(const Record&, const QString&))
{
    const std::optional<ProductInfo> product = ProductDialog::ask(record.product, parent);
    if (!product)
        return std::nullopt;
    record.product = *product;
    QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Save Report"),
        QDir(reportFolder())
            .filePath(suggestedReportName(record.product, record.result.measuredAt)),
        QStringLiteral("PDF (*.pdf);;CSV (*.csv);;JSON (*.json)"));
    if (path.isEmpty())
        return std::nullopt;
    path = withReportExtension(path);

    saveWith([&](const QString& file) { return write(record, file); }, path, toolkit);
    if (store && record.id > 0) {
        const Outcome updated = store->updateProduct(record.id, record.product);
        if (!updated.succeeded())
            toolkit.messageBox(
                QStringLiteral("The product fields were not recorded: %1").arg(updated.reason()));
    }
    return product;
}

} // namespace

bool saveReportFile(const MeasurementRecord& record, const QString& path, Toolkit& toolkit)
{
    return saveWith([&](const QString& file) { return writeReport(record, file); }, path, toolkit);
}

bool saveObservationReportFile(const ObservationRecord& record, const QString& path,
                               Toolkit& toolkit)
{
    return saveWith([&](const QString& file) { return writeObservationReport(record, file); }, path,
                    toolkit);
}

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
    for (QLabel* text : findChildren<QLabel*>())
        text->setTextFormat(Qt::PlainText);
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

std::optional<ProductInfo> saveReport(MeasurementRecord record, RecordStore* store,
                                      Toolkit& toolkit, QWidget* parent)
{
    return saveReportOf<MeasurementRecord>(std::move(record), store, toolkit, parent, writeReport);
}

std::optional<ProductInfo> saveObservationReport(ObservationRecord record, RecordStore* store,
                                                 Toolkit& toolkit, QWidget* parent)
{
    return saveReportOf<ObservationRecord>(std::move(record), store, toolkit, parent,
                                           writeObservationReport);
}
