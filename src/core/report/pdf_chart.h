#pragma once

#include "cycle_result.h"
#include "pdf_layout.h"

#include <utility>

// The chart's scale reaches at most this far (in %).
inline constexpr double kChartMaxTopPercent = 1e6;

// A percentage of a limit as the report writes it (percentFigure): "87.5 %".
QString percentText(double percent);

// The chart's scale reaches at least this far, else just above its highest bar.
inline constexpr double kChartMinTopPercent = 110;

// The chart's top and its step, in %: at least `lowestTop`, else the next
// step of a 1-2-2.5-5 scale just above `highest`, with at most 12 steps.
std::pair<double, double> chartScale(double highest, double lowestTop = kChartMinTopPercent);

// The summary page's chart: each harmonic's current as % of its limit, a bar
// coloured by its state, the limit line at 100 %, and a legend.
class PdfChart : public PdfCanvas
{
public:
    PdfChart(QPainter& painter, QSizeF area, const CycleResult& result)
        : PdfCanvas(painter, area), m_result(result)
    {}

    void paint(const QRectF& rect);

private:
    const CycleResult& m_result;
};
