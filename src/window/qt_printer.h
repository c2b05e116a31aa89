#pragma once

#include "printer.h"

#include <QString>

// Printer over Qt Print Support: the platform's default printer, or a PDF
// file when one is named (the same page set-up and drawing either way).
class QtPrinter : public Printer
{
public:
    QtPrinter() = default;
    explicit QtPrinter(const QString& pdfFile);

    void setOrientation(int orientation) override;
    Outcome print(const QImage& image) override;

private:
    QString m_pdfFile;
    int m_orientation = Portrait;
};
