#include "report_file.h"

#include "pdf_report.h"
#include "result_formats.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

Outcome writeFile(const QString& path, const QByteArray& contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit())
        return Outcome::failed(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return Outcome::ok();
}

} // namespace

Outcome writeReport(const MeasurementRecord& record, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return writePdfReport(record, path);
    if (suffix == QLatin1String("csv"))
        return writeFile(path, recordCsv(record).toUtf8());
    if (suffix == QLatin1String("json"))
        return writeFile(path, QJsonDocument(recordJson(record)).toJson(QJsonDocument::Indented));
    return Outcome::failed(
        QStringLiteral("cannot write %1: the report format is chosen by the extension, "
                       ".pdf, .csv or .json")
            .arg(path));
}
