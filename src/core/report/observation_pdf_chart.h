#pragma once

#include "observation.h"
#include "pdf_layout.h"

#include <QList>

// The first `count` cells of rankedOrderCells: judged orders only, the
// highest average as % of its limit first.
QList<int> worstOrderCells(const ObservationJudgement& judgement, int count);

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

// An observation's summary chart: for each order, its average and its
// highest sample as % of its limit, side by side, coloured by the order's
// state, with the 100 % and 150 % lines and a legend.
class ObservationBarChart : public PercentPlot
{
public:
    ObservationBarChart(QPainter& painter, QSizeF area, const ObservationJudgement& judgement)
        : PercentPlot(painter, area), m_judgement(judgement)
    {}

    void paint(const QRectF& rect);

private:
    const ObservationJudgement& m_judgement;
};

// The worst orders over time: each judged sample's current of the three
// orders with the highest average, as % of their limits, against the time
// from the start; samples not judged break the lines and are marked on the
// time axis. More samples than the plot can tell apart (a long observation):
// each slot of the time axis shows its samples' mean, over a band from their
// lowest to their highest value. The 100 % and 150 % lines and a legend.
class ObservationTimeSeries : public PercentPlot
{
public:
    ObservationTimeSeries(QPainter& painter, QSizeF area, const ObservationResult& result)
        : PercentPlot(painter, area), m_result(result)
    {}

    void paint(const QRectF& rect);

private:
    const ObservationResult& m_result;
};
