#include "qt_printer.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

QtPrinter::QtPrinter(const QString& pdfFile) : m_pdfFile(pdfFile) {}

void QtPrinter::setOrientation(int orientation)
{
    m_orientation = orientation;
}

Outcome QtPrinter::print(const QImage& image)
{
    if (image.isNull())
        return Outcome::failed(QStringLiteral("there is nothing to print"));

    std::unique_ptr<QPrinter> printer;
    if (!m_pdfFile.isEmpty()) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_pdfFile);
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return Outcome::failed(QStringLiteral(
                "This computer has no default printer (no print server, or no printer set "
                "up). Set up a printer and try again."));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setPageOrientation(m_orientation == Landscape ? QPageLayout::Landscape
                                                           : QPageLayout::Portrait);

    QPainter painter;
    if (!painter.begin(printer.get()))
        return Outcome::failed(QStringLiteral("The printer could not start the print job."));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect page = painter.viewport();
    QSize fitted = image.size();
    fitted.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.x() + (page.width() - fitted.width()) / 2, page.y(), fitted.width(),
                       fitted.height());
    painter.drawImage(target, image);
    if (!painter.end())
        return Outcome::failed(QStringLiteral("The print job failed."));
    if (printer->printerState() == QPrinter::Error)
        return Outcome::failed(QStringLiteral("The printer reported an error."));
    return Outcome::ok();
}
