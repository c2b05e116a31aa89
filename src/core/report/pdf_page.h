#pragma once

#include "measurement_record.h"
#include "outcome.h"
#include "pdf_layout.h"
#include "record_header.h"

#include <QDateTime>
#include <QPagedPaintDevice>
#include <QString>

#include <functional>

// What every page of a report names, so that a page torn off can be matched,
// and what its first page lists of where and by what it was taken.
struct PageHeading
{
    // 0: not stored.
    qint64 recordId = 0;
    // The store the record came from; empty when in none.
    QString store;
    ProductInfo product;
    // The port as chosen and the device it stood for.
    QString port;
    QString device;
    // "Measured" or "Started", and that time as reportTimeText writes it.
    QString timeCaption;
    QString time;
    // "A", "B", "C" or "D, typed power 75 W"; "-" without a class.
    QString classText;
    QString verdict;
    // The rules the verdict was judged by, and the edition of the standard
    // (editionShown), on every page.
    QString rules;
    QString edition;
    // The tool's version that took it; empty: this one.
    QString toolVersion;
    int pages = 1;
};

// The heading's record fields (id, store, product, port, device, tool
// version) from a record's header; the rest is the report's to fill.
PageHeading pageHeading(const RecordHeader& header);

// "2026-12-07 16:10:38 UTC+01:00"; empty for an invalid time.
QString reportTimeText(const QDateTime& time);

// The class as a page's header names it: "A", or "D, typed power 75 W".
QString reportClassText(ProductClass productClass, const QString& power);

// The parts every report page shares: the header and the footer of each page,
// and the first page's title, product fields and signatures.
class PdfPage : public PdfCanvas
{
public:
    PdfPage(QPainter& painter, QSizeF area, const PageHeading& heading)
        : PdfCanvas(painter, area), m_heading(heading)
    {}

    // Record id, product, serial, time, class and verdict over two lines,
    // the rules on a third; returns where the page's body begins.
    double paintHeader(double y);
    // The tool's disclaimer and "Page n of N".
    void paintFooter(int page);

protected:
    // A caption and its value ("-" when empty) in a box `w` wide, the value
    // shrunk or wrapped to fit (fitted()).
    void field(double x, double y, double w, const QString& caption, const QString& value);
    // The title, shrunk to the width, and a rule under it.
    double title(double y, const QString& text);
    // The product, lab and test fields over the page's width.
    double productBlock(double y);
    // "Tested by" (the operator) and "Checked by" with lines to sign; returns
    // its top, drawn to end at `bottom`.
    double signatures(double bottom);

    const PageHeading& m_heading;
};

// Paints a report's pages into a PDF: A4 portrait, 15 mm margins, 300 dpi,
// vector text; `paint` draws on the painter and calls newPage() on the device
// between pages. The PDF is painted in memory, then written as
// writeReportFile writes it. Without a QGuiApplication (fonts and text layout
// belong to Qt GUI; the "offscreen" platform is enough) the Outcome fails and
// nothing is written.
Outcome writePdfPages(const QString& path, const QString& title,
                      const std::function<void(QPainter&, QPagedPaintDevice&)>& paint);
