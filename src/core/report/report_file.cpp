#include "report_file.h"

#include "file_output.h"
#include "pdf_report.h"
#include "report_format.h"
#include "result_formats.h"

#include <QJsonDocument>

Outcome writeReport(const MeasurementRecord& record, const QString& path)
{
    const std::optional<ReportFormat> format = reportFormatOf(path);
    if (!format)
        return unknownReportFormat(path);
    switch (*format) {
    case ReportFormat::Pdf:
        return writePdfReport(record, path);
    case ReportFormat::Csv:
        return writeReportFile(path, recordCsv(record).toUtf8());
    case ReportFormat::Json:
        return writeReportFile(path,
                               QJsonDocument(recordJson(record)).toJson(QJsonDocument::Indented));
    }
    return unknownReportFormat(path);
}
