#pragma once

#include "cycle_result.h"
#include "pdf_layout.h"

// The table page's harmonic table: a header row, then one row a harmonic
// (order, measured mA, limit, % of limit, state), failed rows tinted red and
// marked, not-tested rows tinted blue.
class PdfHarmonicTable : public PdfCanvas
{
public:
    PdfHarmonicTable(QPainter& painter, QSizeF area, const CycleResult& result)
        : PdfCanvas(painter, area), m_result(result)
    {}

    // Draws the table from `y` down; returns where it ends.
    double paint(double y);

private:
    const CycleResult& m_result;
};
