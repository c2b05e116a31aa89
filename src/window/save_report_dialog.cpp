#include "save_report_dialog.h"

#include "observation_report.h"
#include "product_dialog.h"
#include "record_store.h"
#include "report_file.h"
#include "report_format.h"
#include "toolkit.h"
#include "window_settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kFolderKey = QStringLiteral("report/folder");
// The most characters a product name or serial number gives a file name.
constexpr qsizetype kNamePartLimit = 64;

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
    const QString remembered = windowSettings().value(kFolderKey).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

namespace {

// Tells the operator where the report was saved, naming the file, or why it
// was not; the folder is remembered once it is saved.
void tellSaved(const Outcome& written, const QString& path, Toolkit& toolkit)
{
    if (!written.succeeded()) {
        toolkit.messageBox(QStringLiteral("The report was not saved: %1").arg(written.reason()));
        return;
    }
    const QFileInfo file(path);
    windowSettings().setValue(kFolderKey, file.absolutePath());
    toolkit.messageBox(QStringLiteral("The report was saved as %1")
                           .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
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
            .filePath(suggestedReportName(record.product, record.startedAt)),
        QStringLiteral("PDF (*.pdf);;CSV (*.csv);;JSON (*.json)"));
    if (path.isEmpty())
        return std::nullopt;
    path = withReportExtension(path);

    tellSaved(write(record, path), path, toolkit);
    if (store && record.id > 0) {
        const Outcome updated = store->updateProduct(record.id, record.product);
        if (!updated.succeeded())
            toolkit.messageBox(
                QStringLiteral("The product fields were not recorded: %1").arg(updated.reason()));
    }
    return product;
}

} // namespace

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
