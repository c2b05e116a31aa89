#include "observation_pdf_chart.h"

#include "pdf_chart.h"

#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Up to this many samples, each judged one is marked on its line.
constexpr qsizetype kMarkedSamples = 120;
// The width of a slot of the time axis, mm, once the samples are more than
// the orderSlots.
constexpr double kSlotMm = 0.6;
// The time series' lines, one an order, apart from the verdict colours.
const std::array<QColor, 3> kSeriesColours{QColor(214, 110, 0), QColor(120, 40, 170),
                                           QColor(0, 135, 135)};
// And each its own dashes and marker, so that lines that coincide, or a page
// printed without colour, still tell the orders apart.
const std::array<Qt::PenStyle, 3> kSeriesStyles{Qt::SolidLine, Qt::DashLine, Qt::DotLine};
enum class Marker { Disc, Square, Triangle };
const std::array<Marker, 3> kSeriesMarkers{Marker::Disc, Marker::Square, Marker::Triangle};

// Series n's marker at `at`: a filled disc, an open square or an open
// triangle, each of its own size, so that markers on the same point stay
// apart.
void paintMarker(QPainter& painter, QPointF at, std::size_t n, double unit)
{
    const QColor& colour = kSeriesColours[n];
    switch (kSeriesMarkers[n]) {
    case Marker::Disc:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(at, unit * 1.1, unit * 1.1);
        break;
    case Marker::Square:
        painter.setPen(QPen(colour, unit * 0.3));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(at.x() - unit, at.y() - unit, 2 * unit, 2 * unit));
        break;
    case Marker::Triangle: {
        painter.setPen(QPen(colour, unit * 0.3));
        painter.setBrush(Qt::NoBrush);
        const double r = unit * 1.5;
        painter.drawPolygon(QPolygonF{QPointF(at.x(), at.y() - r),
                                      QPointF(at.x() + r * 0.87, at.y() + r * 0.5),
                                      QPointF(at.x() - r * 0.87, at.y() + r * 0.5)});
        break;
    }
    }
    painter.setBrush(Qt::NoBrush);
}

QPen seriesPen(std::size_t n, double width)
{
    QPen pen(kSeriesColours[n], width, kSeriesStyles[n], Qt::FlatCap, Qt::RoundJoin);
    // Dashes short enough to show between two markers, and in the legend.
    if (kSeriesStyles[n] == Qt::DashLine)
        pen.setDashPattern({3, 2});
    return pen;
}

} // namespace

QList<int> worstOrderCells(const ObservationJudgement& judgement, int count)
{
    return rankedOrderCells(judgement).mid(0, count);
}

void ObservationTimeSeries::paint(const QRectF& rect)
{
    const ObservationJudgement& judgement = m_result.judgement;
    const QList<int> worst = worstOrderCells(judgement, int(kSeriesColours.size()));

    // Each worst order's percentages, and where the samples lie in time.
    QList<double> times;
    QList<std::optional<std::array<double, kSeriesColours.size()>>> percents;
    times.reserve(m_result.samples.size());
    percents.reserve(m_result.samples.size());
    double highest = 0;
    for (const ObservedSample& sample : m_result.samples) {
        times.append(sample.startS);
        const std::optional<RuleSample>& values = sample.values;
        if (!values) {
            percents.append(std::nullopt);
            continue;
        }
        std::array<double, kSeriesColours.size()> row{};
        for (qsizetype n = 0; n < worst.size(); ++n) {
            const auto cell = std::size_t(worst[n]);
            row[std::size_t(n)] = values->currentsMa[cell] / *judgement.orders[cell].limitMa * 100;
            highest = std::max(highest, row[std::size_t(n)]);
        }
        percents.append(row);
    }

    // The time axis: seconds up to 10 minutes, then minutes up to 10 hours,
    // then hours.
    const double span = std::max(m_result.elapsedS, times.isEmpty() ? 0.0 : times.last());
    const auto [unit, unitName] = span <= 600     ? std::pair{1.0, QStringLiteral("s")}
                                  : span <= 36000 ? std::pair{60.0, QStringLiteral("min")}
                                                  : std::pair{3600.0, QStringLiteral("h")};
    // At least 10 units, even without samples.
    const auto [timeTop, timeStep] = chartScale(span / unit, 1);

    const double labelHeight = mm(9);
    const double legendHeight = mm(11);
    const QRectF plot = paintScale(rect, highest, labelHeight + legendHeight);
    const auto xOf = [&, timeTop = timeTop](double seconds) {
        return plot.left() + plot.width() * std::clamp(seconds / unit, 0.0, timeTop) / timeTop;
    };
    setFont(7);
    for (double t = 0; t <= timeTop + timeStep / 2; t += timeStep) {
        const double x = xOf(t * unit);
        m_painter.setPen(QPen(QColor(230, 230, 230), mm(0.15)));
        m_painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        m_painter.setPen(kCaptionColour);
        line(QRectF(x - mm(8), plot.bottom() + mm(0.5), mm(16), mm(4)), QString::number(t, 'g', 6),
             Qt::AlignHCenter);
    }
    line(QRectF(plot.left(), plot.bottom() + mm(4.5), plot.width(), mm(4)),
         QStringLiteral("time from the start, %1 (each point: a sample, at the start of its "
                        "cycle)")
             .arg(unitName),
         Qt::AlignHCenter);

    // Samples not judged: a mark on the time axis.
    m_painter.setPen(QPen(kCaptionColour, mm(0.4)));
    for (qsizetype k = 0; k < times.size(); ++k)
        if (!percents[k]) {
            const double x = xOf(times[k]);
            m_painter.drawLine(QPointF(x, plot.bottom() - mm(2.5)), QPointF(x, plot.bottom()));
        }

    m_painter.save();
    m_painter.setClipRect(plot.adjusted(-mm(1), -mm(1), mm(1), mm(1)));
    // More samples than the plot can tell apart: each order's samples in a
    // slot of the time axis drawn as the band from their lowest to their
    // highest value, and a line through their means.
    const double slotWidth = mm(kSlotMm);
    const int slotCount = std::max(1, int(plot.width() / slotWidth));
    const bool slotted = times.size() > slotCount;
    struct Slot
    {
        double low = 0;
        double high = 0;
        double sum = 0;
        int count = 0;
    };
    std::vector<std::vector<Slot>> orderSlots;
    if (slotted) {
        orderSlots.assign(std::size_t(worst.size()), std::vector<Slot>(std::size_t(slotCount)));
        for (qsizetype k = 0; k < times.size(); ++k) {
            if (!percents[k])
                continue;
            const auto i = std::size_t(
                std::clamp(int((xOf(times[k]) - plot.left()) / slotWidth), 0, slotCount - 1));
            for (qsizetype n = 0; n < worst.size(); ++n) {
                const double percent = (*percents[k])[std::size_t(n)];
                Slot& slot = orderSlots[std::size_t(n)][i];
                slot.low = slot.count == 0 ? percent : std::min(slot.low, percent);
                slot.high = slot.count == 0 ? percent : std::max(slot.high, percent);
                slot.sum += percent;
                ++slot.count;
            }
        }
        // The bands first, so that every order's line shows over them.
        for (qsizetype n = worst.size() - 1; n >= 0; --n) {
            QColor band = kSeriesColours[std::size_t(n)];
            band.setAlpha(80);
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(band);
            for (int i = 0; i < slotCount; ++i) {
                const Slot& slot = orderSlots[std::size_t(n)][std::size_t(i)];
                // At least as high as the line is wide: no band of no area.
                const double top = yOf(slot.high);
                if (slot.count > 0)
                    m_painter.drawRect(QRectF(plot.left() + i * slotWidth, top, slotWidth,
                                              std::max(yOf(slot.low) - top, mm(0.2))));
            }
        }
    }
    m_painter.restore();
    paintLimitLines();
    m_painter.save();
    m_painter.setClipRect(plot.adjusted(-mm(1), -mm(1), mm(1), mm(1)));
    // The worst order drawn first: the dashes and dots of the others drawn
    // over it let it show where they coincide.
    const bool marked = times.size() <= kMarkedSamples;
    // In slots: a marker every so many slots, at another place for each.
    const int markerEvery = std::max(1, int(mm(12) / slotWidth));
    for (qsizetype n = 0; n < worst.size(); ++n) {
        const auto series = std::size_t(n);
        QPainterPath path;
        QList<QPointF> markers;
        bool open = false;
        const auto addPoint = [&](std::optional<QPointF> point) {
            if (point && open)
                path.lineTo(*point);
            else if (point)
                path.moveTo(*point);
            open = point.has_value();
        };
        if (slotted) {
            for (int i = 0; i < slotCount; ++i) {
                const Slot& slot = orderSlots[series][std::size_t(i)];
                const std::optional<QPointF> point =
                    slot.count == 0 ? std::nullopt
                                    : std::optional(QPointF(plot.left() + (i + 0.5) * slotWidth,
                                                            yOf(slot.sum / slot.count)));
                addPoint(point);
                if (point && (i + int(n) * markerEvery / 3) % markerEvery == 0)
                    markers.append(*point);
            }
        } else {
            for (qsizetype k = 0; k < times.size(); ++k) {
                const std::optional<QPointF> point =
                    percents[k] ? std::optional(QPointF(xOf(times[k]), yOf((*percents[k])[series])))
                                : std::nullopt;
                addPoint(point);
                if (point && marked)
                    markers.append(*point);
            }
        }
        m_painter.setBrush(Qt::NoBrush);
        m_painter.setPen(seriesPen(series, mm(0.45)));
        m_painter.drawPath(path);
        for (const QPointF& at : markers)
            paintMarker(m_painter, at, series, mm(0.8));
    }
    m_painter.restore();
    m_painter.setBrush(Qt::NoBrush);

    if (worst.isEmpty()) {
        setFont(10);
        m_painter.setPen(kCaptionColour);
        wrapped(
            QRectF(plot.left() + mm(5), yOf(m_top * 0.75) - mm(3), plot.width() - mm(10), mm(12)),
            QStringLiteral("No sample was judged against a limit."), 2);
    }

    double x = plot.left();
    const double y = plot.bottom() + labelHeight + mm(1);
    for (qsizetype n = 0; n < worst.size(); ++n) {
        const OrderJudgement& order = judgement.orders[std::size_t(worst[n])];
        const double keyX = x;
        x = legendKey(x, y, QColor(), seriesPen(std::size_t(n), mm(0.6)),
                      QStringLiteral("order %1 (average %2)")
                          .arg(harmonicOrder(worst[n]))
                          .arg(percentText(*order.averagePct)));
        paintMarker(m_painter, QPointF(keyX + mm(3), y + mm(2.3)), std::size_t(n), mm(0.8));
    }
    if (judgement.samplesNotJudged > 0) {
        m_painter.setPen(QPen(kCaptionColour, mm(0.4)));
        m_painter.drawLine(QPointF(x, y + mm(1)), QPointF(x, y + mm(3.5)));
        setFont(7);
        m_painter.setPen(Qt::black);
        line(QRectF(x + mm(1.5), y, plot.right() - x, mm(4.6)),
             QStringLiteral("sample not judged"));
    }
    if (slotted) {
        setFont(7);
        m_painter.setPen(Qt::black);
        line(QRectF(plot.left(), y + mm(5), plot.width(), mm(4.6)),
             QStringLiteral("Each line: the mean of the samples in a slot of %1 s; its band: their "
                            "lowest to highest value.")
                 .arg(QString::number(timeTop * unit * slotWidth / plot.width(), 'f', 0)));
    }
}
