#include "report_file.h"

#include "file_output.h"
#include "pdf_report.h"
#include "result_formats.h"

#include <QFileInfo>
#include <QJsonDocument>

Outcome writeReport(const MeasurementRecord& record, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return writePdfReport(record, path);
    if (suffix == QLatin1String("csv"))
        return writeReportFile(path, recordCsv(record).toUtf8());
    if (suffix == QLatin1String("json"))
        return writeReportFile(path,
                               QJsonDocument(recordJson(record)).toJson(QJsonDocument::Indented));
    return Outcome::failed(
        QStringLiteral("cannot write %1: the report format is chosen by the extension, "
                       ".pdf, .csv or .json")
            .arg(path));
}
