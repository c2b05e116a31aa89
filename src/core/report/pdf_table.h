#pragma once

#include "cycle_result.h"
#include "pdf_layout.h"

#include <QList>
#include <QStringList>

// The rows of a report table: a tinted header row, then rows tinted by the
// state their last column names (failed rows light red with a red strip and
// a bold "FAIL", not-tested rows light blue). The first and the last column
// are aligned left, the others right.
class PdfTableRows : public PdfCanvas
{
public:
    // `columns`: each column's share of the width.
    PdfTableRows(QPainter& painter, QSizeF area, QList<double> columns)
        : PdfCanvas(painter, area), m_columns(std::move(columns))
    {}

    // Each draws its row from `y` down; returns where it ends.
    double header(double y, const QStringList& captions);
    double row(double y, const QStringList& cells, CellState state);

    // A state as the table's last column writes it: a failed one in capitals.
    static QString stateText(CellState state);

private:
    double paintRow(double top, const QStringList& cells, const QColor& fill, const QColor& mark,
                    const QColor& stateColour);

    QList<double> m_columns;
};

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
