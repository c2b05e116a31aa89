#pragma once

#include "pdf_layout.h"

// The colour of the 150 % line, every sample's limit, and of its legend.
inline const QColor kSampleLimitColour(170, 0, 0);

// A plot of % of limit: its scale, reaching at least 160 %, with a grid, and
// the 100 % line (the average's limit) and the 150 % line (every sample's).
class PercentPlot : public PdfCanvas
{
protected:
    using PdfCanvas::PdfCanvas;

    // Lays the plot out in `rect` for values up to `highest` %, leaving
    // `below` at the bottom for labels and a legend; draws the grid and the
    // scale, and returns the plot's rectangle.
    QRectF paintScale(const QRectF& rect, double highest, double below);
    // Where `percent` lies, clamped to the scale.
    double yOf(double percent) const;
    // The 100 % and 150 % lines across the plot, labelled at its right.
    void paintLimitLines();
    // A legend entry: a swatch (filled, or a line with `pen`) and its text,
    // from `x`; returns where the next one starts.
    double legendKey(double x, double y, const QColor& fill, const QPen& pen, const QString& text);

    QRectF m_plot;
    double m_top = 0;
};
