#pragma once

#include "observation.h"
#include "percent_plot.h"

#include <QList>

// The first `count` cells of rankedOrderCells: judged orders only, the
// highest average as % of its limit first.
QList<int> worstOrderCells(const ObservationJudgement& judgement, int count);

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
