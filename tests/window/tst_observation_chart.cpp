// ObservationChart: what a sample puts into the bars, the lines, the axis and
// the time series of the worst orders.

#include "observation_chart.h"

#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QTest>
#include <QValueAxis>

#include <cmath>
#include <limits>

using State = OrderPoint::State;

class TestObservationChart : public QObject
{
    Q_OBJECT

private slots:
    void barsShowTheSample();
    void timeSeriesFollowsTheWorstAverages();
    void longHistoryKeepsItsHighestSamples();
    void valueNotFiniteShowsNothing();

private:
    // The bar sets of the average (0) or maximum (1) bars: pass, fail, not tested.
    static QList<QBarSet*> bars(const ObservationChart& chart, int quantity)
    {
        QList<QStackedBarSeries*> series;
        for (QAbstractSeries* s : chart.barChart()->series()) {
            if (auto* stacked = qobject_cast<QStackedBarSeries*>(s))
                series.append(stacked);
        }
        return series.at(quantity)->barSets();
    }
    static QLineSeries* timeSeries(const ObservationChart& chart, const QString& name)
    {
        for (QAbstractSeries* s : chart.timeChart()->series()) {
            if (s->name() == name && s->isVisible())
                return qobject_cast<QLineSeries*>(s);
        }
        return nullptr;
    }
};

static OrderPoint point(int order, double latest, double average, double maximum, State state,
                        std::optional<int> rank = std::nullopt)
{
    return {order, latest, average, maximum, state, rank};
}

void TestObservationChart::barsShowTheSample()
{
    ObservationChart chart;
    chart.showSample(8.3, {point(2, 50, 50, 50, State::NotJudged),
                           point(3, 70, 80, 95, State::Pass), point(5, 212, 105, 212, State::Fail),
                           point(21, 35, 30, 40, State::NotTested)});

    struct Expected
    {
        int index; // order - 2
        int set;   // 0 pass, 1 fail, 2 not tested
        double average, maximum;
    };
    for (const Expected& e :
         {Expected{1, 0, 80, 95}, Expected{3, 1, 105, 212}, Expected{19, 2, 30, 40}}) {
        for (int set = 0; set < 3; ++set) {
            QCOMPARE(bars(chart, 0).at(set)->at(e.index), set == e.set ? e.average : 0.0);
            QCOMPARE(bars(chart, 1).at(set)->at(e.index), set == e.set ? e.maximum : 0.0);
        }
    }
    for (int quantity = 0; quantity < 2; ++quantity) {
        for (QBarSet* set : bars(chart, quantity)) {
            QCOMPARE(set->count(), 39);
            QCOMPARE(set->at(0), 0.0); // order 2: no limit, no bar
            QCOMPARE(set->at(2), 0.0); // order 4: not in the sample
        }
    }

    QScatterSeries* latest = nullptr;
    QList<double> lines;
    for (QAbstractSeries* s : chart.barChart()->series()) {
        if (auto* scatter = qobject_cast<QScatterSeries*>(s))
            latest = scatter;
        else if (auto* line = qobject_cast<QLineSeries*>(s))
            if (line->count() == 2 && line->at(0).y() == line->at(1).y())
                lines.append(line->at(0).y());
    }
    QVERIFY(latest);
    QCOMPARE(latest->points(), (QList<QPointF>{{1, 70}, {3, 212}, {19, 35}}));
    QCOMPARE(lines, (QList<double>{100, 150}));

    auto* axis = qobject_cast<QValueAxis*>(chart.barChart()->axes(Qt::Vertical).at(0));
    QCOMPARE(axis->min(), 0.0);
    QVERIFY2(axis->max() > 212 && axis->max() < 240, qPrintable(QString::number(axis->max())));

    chart.clear();
    QCOMPARE(bars(chart, 1).at(1)->at(3), 0.0);
    QCOMPARE(latest->count(), 0);
    QCOMPARE(axis->max(), 160.0);
}

void TestObservationChart::timeSeriesFollowsTheWorstAverages()
{
    ObservationChart chart;
    // The ranks as rankedOrderCells gives them; order 11, not tested, has
    // none however high its average.
    chart.showSample(0, {point(3, 90, 90, 90, State::Pass, 0), point(5, 60, 60, 60, State::Pass, 1),
                         point(7, 20, 20, 20, State::Pass, 3), point(9, 50, 50, 50, State::Pass, 2),
                         point(11, 300, 300, 300, State::NotTested)});
    chart.showSample(8,
                     {point(3, 94, 92, 94, State::Pass, 0), point(5, 62, 61, 62, State::Pass, 2),
                      point(7, 120, 70, 120, State::Pass, 1), point(9, 40, 45, 50, State::Pass, 3),
                      point(11, 300, 300, 300, State::NotTested)});
    QCOMPARE(chart.worstOrders(), (std::vector<int>{3, 7, 5}));

    QLineSeries* third = timeSeries(chart, QStringLiteral("Order 3"));
    QLineSeries* seventh = timeSeries(chart, QStringLiteral("Order 7"));
    QVERIFY(third && seventh && timeSeries(chart, QStringLiteral("Order 5")));
    QVERIFY(!timeSeries(chart, QStringLiteral("Order 9")));
    QCOMPARE(third->points(), (QList<QPointF>{{0, 90}, {8, 94}}));
    // Order 7 joined the worst with the second sample: its first one shows too.
    QCOMPARE(seventh->points(), (QList<QPointF>{{0, 20}, {8, 120}}));
}

void TestObservationChart::longHistoryKeepsItsHighestSamples()
{
    // A day at 8 s is 10,000 samples; 1,000 show the same.
    ObservationChart chart;
    for (int sample = 0; sample < 1000; ++sample) {
        const double pct = sample == 777 ? 149 : 50 + sample % 7;
        chart.showSample(8.0 * sample, {point(3, pct, 55, 149, State::Pass, 0)});
    }
    const QList<QPointF> shown = timeSeries(chart, QStringLiteral("Order 3"))->points();
    QVERIFY2(shown.size() <= 400, qPrintable(QString::number(shown.size())));
    QVERIFY(shown.contains(QPointF(8.0 * 777, 149)));
    QCOMPARE(shown.last().x(), 8.0 * 999);
}

void TestObservationChart::valueNotFiniteShowsNothing()
{
    const double infinite = std::numeric_limits<double>::infinity();
    ObservationChart chart;
    chart.showSample(0, {point(3, infinite, infinite, std::nan(""), State::Fail, 0),
                         point(5, 120, 120, 120, State::Fail, 1)});
    QCOMPARE(bars(chart, 0).at(1)->at(1), 0.0);
    QCOMPARE(bars(chart, 1).at(1)->at(1), 0.0);
    QCOMPARE(bars(chart, 0).at(1)->at(3), 120.0);
    QCOMPARE(chart.barChart()->axes(Qt::Vertical).at(0)->property("max").toDouble(), 160.0);
    QCOMPARE(chart.worstOrders(), std::vector<int>{5});
}

QTEST_MAIN(TestObservationChart)
#include "tst_observation_chart.moc"
