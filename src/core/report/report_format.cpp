#include "report_format.h"

#include <QFileInfo>

std::optional<ReportFormat> reportFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return ReportFormat::Pdf;
    if (suffix == QLatin1String("csv"))
        return ReportFormat::Csv;
    if (suffix == QLatin1String("json"))
        return ReportFormat::Json;
    return std::nullopt;
}

QString withReportExtension(const QString& path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".pdf") : path;
}

QString reportFormats()
{
    return QStringLiteral(".pdf, .csv or .json");
}

Outcome unknownReportFormat(const QString& path)
{
    return Outcome::failed(
        QStringLiteral("cannot write %1: a report is a %2 file").arg(path, reportFormats()));
}
