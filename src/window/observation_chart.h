#pragma once

#include <QList>
#include <QPointF>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

QT_BEGIN_NAMESPACE
class QBarSet;
class QChart;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

// One harmonic order of a timed observation as the chart shows it; every
// value in % of the order's limit.
struct OrderPoint
{
    enum class State { Pass, Fail, NotTested, NotJudged };

    int order = 0;                    // 2 to 40
    std::optional<double> latestPct;  // the newest sample; none when it was not judged
    std::optional<double> averagePct; // over the judged samples so far
    std::optional<double> maximumPct; // the highest judged sample so far
    State state = State::NotJudged;   // NotJudged: the class sets this order no limit
    // Its place among the judged orders (rankedOrderCells), 0 the closest to
    // its limit; none for an order not tested or not judged.
    std::optional<int> rank;
};

// The live chart of a timed observation: above, every order 2 to 40 as % of
// its limit (average and maximum as bars coloured by state, the latest sample
// as a marker, lines at 100 % and 150 %); below, the % of limit of the three
// best-ranked orders (OrderPoint::rank) against the sample time. A sample
// replaces the values of the existing series; the chart is built once.
class ObservationChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kFirstOrder = 2;
    static constexpr int kLastOrder = 40;
    static constexpr int kOrders = kLastOrder - kFirstOrder + 1;
    static constexpr int kWorstOrders = 3;

    explicit ObservationChart(QWidget* parent = nullptr);

    // Appends the sample taken secondsSinceStart after the observation began.
    // An order missing from orders, out of 2 to 40 or NotJudged shows no bars.
    void showSample(double secondsSinceStart, const std::vector<OrderPoint>& orders);
    // Forgets every sample: empty bars, empty time series, axes as at the start.
    void clear();

    // The orders the time series shows, best-ranked first (at most three).
    std::vector<int> worstOrders() const;
    QChart* barChart() const { return m_barChart; }
    QChart* timeChart() const { return m_timeChart; }

private:
    // The bars of one quantity (average or maximum): one set per state, so
    // that each bar takes its state's colour; an order has a value in one set.
    struct StateBars
    {
        QBarSet* pass = nullptr;
        QBarSet* fail = nullptr;
        QBarSet* notTested = nullptr;
    };

    void buildBarChart();
    void buildTimeChart();
    static void setBar(const StateBars& bars, int index, OrderPoint::State state,
                       std::optional<double> value);
    void updateWorstSeries(double secondsSinceStart,
                           const std::array<const OrderPoint*, kOrders>& byIndex);

    QChart* m_barChart = nullptr;
    StateBars m_average;
    StateBars m_maximum;
    QScatterSeries* m_latest = nullptr;
    QValueAxis* m_barAxisY = nullptr;

    QChart* m_timeChart = nullptr;
    std::array<QLineSeries*, kWorstOrders> m_worstSeries{};
    std::array<int, kWorstOrders> m_worstSlotOrder{}; // 0: the slot shows no order
    std::array<QLineSeries*, 2> m_timeLimitLines{};
    QValueAxis* m_timeAxisX = nullptr;
    QValueAxis* m_timeAxisY = nullptr;
    double m_timeTopPct = 0;

    // Every order's judged samples (seconds, % of limit), for an order that
    // becomes one of the worst.
    std::array<QList<QPointF>, kOrders> m_history;
    std::vector<int> m_worstOrders;
};
