#include "observation_chart.h"

#include "verdict_palette.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// The window's legend colours: fail red, not tested blue; within the limit
// grey as in the printed report. The maximum is the lighter bar.
const QColor kPassAverage(110, 110, 110);
const QColor kPassMaximum(190, 190, 190);
QColor paletteColour(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

const QColor kFailAverage = paletteColour(VerdictPalette::kFail);
const QColor kFailMaximum(255, 165, 165);
const QColor kNotTestedAverage = paletteColour(VerdictPalette::kNotTested);
const QColor kNotTestedMaximum(165, 165, 255);
const std::array<QColor, ObservationChart::kWorstOrders> kWorstColours{
    QColor(230, 120, 0), QColor(0, 150, 60), QColor(150, 0, 170)};

// The axes show at least 0 to 160 %, so that both lines are always in view.
constexpr double kLeastTopPct = 160;
constexpr std::array<double, 2> kLinePct{100, 150};
// The time axis shows at least this many seconds before the first samples.
constexpr double kLeastSeconds = 10;
// The most tick steps an axis shows: the time series is the smaller chart.
constexpr int kBarTicks = 8;
constexpr int kTimeTicksPct = 4;
constexpr int kTimeTicksS = 6;
const QString kPctTitle = QStringLiteral("% of limit");
// A longer history (a day has 10,000 samples) shows the highest sample of each
// run of samples instead, so that a sample costs the same after hours. Points
// get a marker while they are few.
constexpr qsizetype kMostShownPoints = 400;
constexpr qsizetype kMostMarkedPoints = 60;

// A top just above the highest value, on a multiple of 10 %.
double topPct(double highest)
{
    return std::max(kLeastTopPct, std::floor(highest * 1.05 / 10 + 1) * 10);
}

// A tick step of 1, 2 or 5 times a power of ten that puts at most maxTicks
// steps between 0 and top.
double tickStep(double top, int maxTicks)
{
    for (double decade = 1;; decade *= 10) {
        for (double base : {1.0, 2.0, 5.0}) {
            if (top / (base * decade) <= maxTicks)
                return base * decade;
        }
    }
}

void setRange(QValueAxis* axis, double top, int maxTicks)
{
    axis->setRange(0, top);
    axis->setTickInterval(tickStep(top, maxTicks));
}

QValueAxis* valueAxis(const QString& title, double top, int maxTicks)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    setRange(axis, top, maxTicks);
    return axis;
}

QBarSet* barSet(const QString& name, const QColor& colour)
{
    auto* set = new QBarSet(name);
    set->setColor(colour);
    set->setBorderColor(colour);
    for (int i = 0; i < ObservationChart::kOrders; ++i)
        set->append(0);
    return set;
}

void replaceIfChanged(QBarSet* set, int index, double value)
{
    if (set->at(index) != value)
        set->replace(index, value);
}

QList<QPointF> shownPoints(const QList<QPointF>& history)
{
    if (history.size() <= kMostShownPoints)
        return history;
    const qsizetype perPoint = (history.size() + kMostShownPoints - 1) / kMostShownPoints;
    QList<QPointF> shown;
    shown.reserve(kMostShownPoints);
    for (qsizetype first = 0; first < history.size(); first += perPoint) {
        const auto begin = history.begin() + first;
        const auto end = history.begin() + std::min(first + perPoint, history.size());
        shown.append(*std::max_element(
            begin, end, [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); }));
    }
    return shown;
}

void showHistory(QLineSeries* series, const QList<QPointF>& history, bool whole)
{
    if (!whole && history.size() <= kMostShownPoints)
        series->append(history.last());
    else
        series->replace(shownPoints(history));
    const bool marked = history.size() <= kMostMarkedPoints;
    if (series->pointsVisible() != marked)
        series->setPointsVisible(marked);
}

QPen linePen(double pct)
{
    return pct == kLinePct[0] ? QPen(QColor(0, 0, 0), 1.5, Qt::DashLine)
                              : QPen(QColor(150, 0, 0), 1.5, Qt::DashDotLine);
}

void hideFromLegend(QChart* chart, QAbstractSeries* series)
{
    for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(false);
}

QChartView* viewOf(QChart* chart, QWidget* parent)
{
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

} // namespace

ObservationChart::ObservationChart(QWidget* parent) : QWidget(parent)
{
    buildBarChart();
    buildTimeChart();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(viewOf(m_barChart, this), 3);
    layout->addWidget(viewOf(m_timeChart, this), 2);
}

void ObservationChart::buildBarChart()
{
    m_barChart = new QChart;
    m_barChart->setTitle(QStringLiteral("Harmonic currents in % of their limits"));
    auto* axisX = new QBarCategoryAxis;
    axisX->setTitleText(QStringLiteral("Order"));
    // The axis elides a label to "..." long before it would touch the next.
    axisX->setTruncateLabels(false);
    for (int order = kFirstOrder; order <= kLastOrder; ++order)
        axisX->append(QString::number(order));
    m_barAxisY = valueAxis(kPctTitle, kLeastTopPct, kBarTicks);
    m_barChart->addAxis(axisX, Qt::AlignBottom);
    m_barChart->addAxis(m_barAxisY, Qt::AlignLeft);

    // Two stacked series stand side by side in each order: average left,
    // maximum right.
    auto addBars = [&](StateBars& bars, const QString& name, const QColor& pass, const QColor& fail,
                       const QColor& notTested) {
        auto* series = new QStackedBarSeries;
        bars.pass = barSet(name, pass);
        bars.fail = barSet(QStringLiteral("Fail"), fail);
        bars.notTested = barSet(QStringLiteral("Not tested"), notTested);
        series->append({bars.pass, bars.fail, bars.notTested});
        series->setBarWidth(0.85);
        m_barChart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(m_barAxisY);
        return series;
    };
    addBars(m_average, QStringLiteral("Average"), kPassAverage, kFailAverage, kNotTestedAverage);
    QStackedBarSeries* maximum = addBars(m_maximum, QStringLiteral("Maximum"), kPassMaximum,
                                         kFailMaximum, kNotTestedMaximum);
    const auto markers = m_barChart->legend()->markers(maximum);
    for (QLegendMarker* marker : markers)
        marker->setVisible(marker == markers.first());

    m_latest = new QScatterSeries;
    m_latest->setName(QStringLiteral("Latest sample"));
    m_latest->setMarkerShape(QScatterSeries::MarkerShapeRotatedRectangle);
    m_latest->setMarkerSize(8);
    m_latest->setColor(QColor(0, 0, 0));
    m_latest->setBorderColor(QColor(255, 255, 255));
    m_barChart->addSeries(m_latest);
    m_latest->attachAxis(axisX);
    m_latest->attachAxis(m_barAxisY);

    // Categories lie at 0 to kOrders - 1: the lines run from edge to edge.
    for (double pct : kLinePct) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("%1 % of limit").arg(pct));
        line->setPen(linePen(pct));
        line->append(-0.5, pct);
        line->append(kOrders - 0.5, pct);
        m_barChart->addSeries(line);
        line->attachAxis(axisX);
        line->attachAxis(m_barAxisY);
    }
}

void ObservationChart::buildTimeChart()
{
    m_timeChart = new QChart;
    m_timeChart->setTitle(
        QStringLiteral("The orders with the highest average: each sample in % of limit"));
    m_timeAxisX = valueAxis(QStringLiteral("Time since the start (s)"), kLeastSeconds, kTimeTicksS);
    m_timeAxisY = valueAxis(kPctTitle, kLeastTopPct, kTimeTicksPct);
    m_timeTopPct = kLeastTopPct;
    m_timeChart->addAxis(m_timeAxisX, Qt::AlignBottom);
    m_timeChart->addAxis(m_timeAxisY, Qt::AlignLeft);
    auto attach = [&](QLineSeries* series) {
        m_timeChart->addSeries(series);
        series->attachAxis(m_timeAxisX);
        series->attachAxis(m_timeAxisY);
    };
    for (std::size_t slot = 0; slot < m_worstSeries.size(); ++slot) {
        m_worstSeries[slot] = new QLineSeries;
        m_worstSeries[slot]->setPen(QPen(kWorstColours[slot], 2));
        m_worstSeries[slot]->setPointsVisible(true);
        m_worstSeries[slot]->setVisible(false);
        attach(m_worstSeries[slot]);
    }
    for (std::size_t i = 0; i < kLinePct.size(); ++i) {
        m_timeLimitLines[i] = new QLineSeries;
        m_timeLimitLines[i]->setPen(linePen(kLinePct[i]));
        m_timeLimitLines[i]->append(0, kLinePct[i]);
        m_timeLimitLines[i]->append(kLeastSeconds, kLinePct[i]);
        attach(m_timeLimitLines[i]);
        hideFromLegend(m_timeChart, m_timeLimitLines[i]);
    }
}

void ObservationChart::setBar(const StateBars& bars, int index, OrderPoint::State state,
                              std::optional<double> value)
{
    const double shown = value ? std::max(0.0, *value) : 0.0;
    replaceIfChanged(bars.pass, index, state == OrderPoint::State::Pass ? shown : 0);
    replaceIfChanged(bars.fail, index, state == OrderPoint::State::Fail ? shown : 0);
    replaceIfChanged(bars.notTested, index, state == OrderPoint::State::NotTested ? shown : 0);
}

void ObservationChart::showSample(double secondsSinceStart, const std::vector<OrderPoint>& orders)
{
    // A value that is not a finite number (a limit of 0 mA) shows as none.
    std::array<OrderPoint, kOrders> finite;
    std::array<const OrderPoint*, kOrders> byIndex{};
    for (const OrderPoint& point : orders) {
        if (point.order < kFirstOrder || point.order > kLastOrder ||
            point.state == OrderPoint::State::NotJudged)
            continue;
        const auto i = std::size_t(point.order - kFirstOrder);
        finite[i] = point;
        for (auto* value : {&finite[i].latestPct, &finite[i].averagePct, &finite[i].maximumPct}) {
            if (*value && !std::isfinite(**value))
                value->reset();
        }
        byIndex[i] = &finite[i];
    }

    QList<QPointF> latest;
    double highest = 0;
    for (int i = 0; i < kOrders; ++i) {
        const OrderPoint* point = byIndex[std::size_t(i)];
        const auto state = point ? point->state : OrderPoint::State::NotJudged;
        setBar(m_average, i, state, point ? point->averagePct : std::nullopt);
        setBar(m_maximum, i, state, point ? point->maximumPct : std::nullopt);
        if (!point)
            continue;
        for (const auto& value : {point->latestPct, point->averagePct, point->maximumPct})
            highest = std::max(highest, value.value_or(0));
        if (point->latestPct) {
            latest.append(QPointF(i, *point->latestPct));
            m_history[std::size_t(i)].append(QPointF(secondsSinceStart, *point->latestPct));
        }
    }
    m_latest->replace(latest);
    const double barTop = topPct(highest);
    if (barTop != m_barAxisY->max())
        setRange(m_barAxisY, barTop, kBarTicks);
    updateWorstSeries(secondsSinceStart, byIndex);
}

void ObservationChart::updateWorstSeries(double secondsSinceStart,
                                         const std::array<const OrderPoint*, kOrders>& byIndex)
{
    // The ranking is the observation's own: only judged orders have a rank.
    std::vector<const OrderPoint*> ranked;
    for (const OrderPoint* point : byIndex) {
        if (point && point->rank && point->averagePct)
            ranked.push_back(point);
    }
    const auto worse = [](const OrderPoint* a, const OrderPoint* b) { return *a->rank < *b->rank; };
    const std::size_t shown = std::min<std::size_t>(kWorstOrders, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + std::ptrdiff_t(shown), ranked.end(), worse);
    m_worstOrders.clear();
    for (std::size_t i = 0; i < shown; ++i)
        m_worstOrders.push_back(ranked[i]->order);

    // An order keeps its slot (and colour) while it stays among the worst; a
    // new one takes a free slot and its whole history.
    const auto isWorst = [&](int order) {
        return std::find(m_worstOrders.begin(), m_worstOrders.end(), order) != m_worstOrders.end();
    };
    for (std::size_t slot = 0; slot < m_worstSlotOrder.size(); ++slot) {
        int& order = m_worstSlotOrder[slot];
        if (order != 0 && isWorst(order)) {
            if (byIndex[std::size_t(order - kFirstOrder)]->latestPct)
                showHistory(m_worstSeries[slot], m_history[std::size_t(order - kFirstOrder)],
                            false);
            continue;
        }
        order = 0;
        m_worstSeries[slot]->clear();
        m_worstSeries[slot]->setVisible(false);
    }
    for (int order : m_worstOrders) {
        if (std::find(m_worstSlotOrder.begin(), m_worstSlotOrder.end(), order) !=
            m_worstSlotOrder.end())
            continue;
        const auto slot =
            std::size_t(std::find(m_worstSlotOrder.begin(), m_worstSlotOrder.end(), 0) -
                        m_worstSlotOrder.begin());
        m_worstSlotOrder[slot] = order;
        showHistory(m_worstSeries[slot], m_history[std::size_t(order - kFirstOrder)], true);
        m_worstSeries[slot]->setName(QStringLiteral("Order %1").arg(order));
        m_worstSeries[slot]->setVisible(true);
    }

    double highest = 0;
    for (std::size_t slot = 0; slot < m_worstSlotOrder.size(); ++slot) {
        if (m_worstSlotOrder[slot] == 0)
            continue;
        for (const QPointF& point : m_worstSeries[slot]->points())
            highest = std::max(highest, point.y());
    }
    const double timeTop = topPct(highest);
    if (timeTop != m_timeTopPct) {
        m_timeTopPct = timeTop;
        setRange(m_timeAxisY, timeTop, kTimeTicksPct);
    }
    const double right = std::max(kLeastSeconds, secondsSinceStart);
    setRange(m_timeAxisX, right, kTimeTicksS);
    for (std::size_t i = 0; i < kLinePct.size(); ++i)
        m_timeLimitLines[i]->replace(1, QPointF(right, kLinePct[i]));
}

void ObservationChart::clear()
{
    for (int i = 0; i < kOrders; ++i) {
        setBar(m_average, i, OrderPoint::State::NotJudged, std::nullopt);
        setBar(m_maximum, i, OrderPoint::State::NotJudged, std::nullopt);
    }
    m_latest->clear();
    setRange(m_barAxisY, kLeastTopPct, kBarTicks);
    for (QList<QPointF>& history : m_history)
        history.clear();
    m_worstOrders.clear();
    m_worstSlotOrder.fill(0);
    for (QLineSeries* series : m_worstSeries) {
        series->clear();
        series->setVisible(false);
    }
    m_timeTopPct = kLeastTopPct;
    setRange(m_timeAxisY, kLeastTopPct, kTimeTicksPct);
    setRange(m_timeAxisX, kLeastSeconds, kTimeTicksS);
    for (std::size_t i = 0; i < kLinePct.size(); ++i)
        m_timeLimitLines[i]->replace(1, QPointF(kLeastSeconds, kLinePct[i]));
}

std::vector<int> ObservationChart::worstOrders() const
{
    return m_worstOrders;
}
