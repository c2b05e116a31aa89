#include "observation_pdf_chart.h"

#include "pdf_chart.h"

#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// The scale of a percent plot reaches at least this far: the 150 % line
// always shows, with room above it.
constexpr double kLowestTopPercent = 160;
// Average bars above this get their figure written above them.
constexpr double kFigureFromPercent = 80;
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
const QColor kSampleLimitColour(170, 0, 0);

QString scaleText(double percent)
{
    return QStringLiteral("%1 %").arg(percent, 0, 'f', 0);
}

// The bar colours of an order's state: the average's, then the highest
// sample's (lighter).
std::pair<QColor, QColor> barColours(CellState state)
{
    switch (state) {
    case CellState::Fail:
        return {kFailColour, QColor(255, 150, 150)};
    case CellState::NotTested:
        return {kNotTestedColour, QColor(150, 150, 255)};
    default:
        return {kWithinLimitColour, QColor(190, 190, 190)};
    }
}

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

QRectF PercentPlot::paintScale(const QRectF& rect, double highest, double below)
{
    setFont(7);
    const auto [top, step] = chartScale(highest, kLowestTopPercent);
    m_top = top;
    const double axisWidth = std::max(mm(12), metrics().horizontalAdvance(scaleText(top)) + mm(3));
    // Room at the right for the lines' labels.
    const double labelsWidth = metrics().horizontalAdvance(QStringLiteral("150 %")) + mm(2);
    m_plot = QRectF(rect.left() + axisWidth, rect.top() + mm(2),
                    rect.width() - axisWidth - labelsWidth, rect.height() - mm(2) - below);
    for (double percent = 0; percent <= top + step / 2; percent += step) {
        const double y = yOf(percent);
        m_painter.setPen(QPen(QColor(215, 215, 215), mm(0.15)));
        m_painter.drawLine(QPointF(m_plot.left(), y), QPointF(m_plot.right(), y));
        m_painter.setPen(kCaptionColour);
        line(QRectF(rect.left(), y - mm(2), axisWidth - mm(1.5), mm(4)), scaleText(percent),
             Qt::AlignRight);
    }
    m_painter.setPen(QPen(Qt::black, mm(0.3)));
    m_painter.drawLine(m_plot.bottomLeft(), m_plot.bottomRight());
    m_painter.drawLine(m_plot.bottomLeft(), m_plot.topLeft());
    return m_plot;
}

double PercentPlot::yOf(double percent) const
{
    // Not std::clamp alone: a percentage may be infinite or not a number.
    const double shown = std::isnan(percent) ? 0 : std::clamp(percent, 0.0, m_top);
    return m_plot.bottom() - m_plot.height() * shown / m_top;
}

void PercentPlot::paintLimitLines()
{
    setFont(7, true);
    // Each label beside its line, the two moved apart where the scale puts
    // the lines closer than a label is high.
    const double y100 = yOf(100);
    const double y150 = yOf(150);
    const double labelHeight = mm(3.6);
    double label100 = y100;
    double label150 = y150;
    if (label100 - label150 < labelHeight) {
        const double middle = (y100 + y150) / 2;
        label150 = middle - labelHeight / 2;
        label100 = middle + labelHeight / 2;
    }
    const auto limitLine = [&](double percent, double y, double labelY, const QColor& colour) {
        m_painter.setPen(QPen(colour, mm(0.5), Qt::DashLine));
        m_painter.drawLine(QPointF(m_plot.left(), y), QPointF(m_plot.right(), y));
        m_painter.setPen(colour);
        line(QRectF(m_plot.right() + mm(1), labelY - mm(2), m_area.width(), mm(4)),
             scaleText(percent));
    };
    limitLine(100, y100, label100, Qt::black);
    limitLine(150, y150, label150, kSampleLimitColour);
}

double PercentPlot::legendKey(double x, double y, const QColor& fill, const QPen& pen,
                              const QString& text)
{
    setFont(7);
    if (fill.isValid()) {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(fill);
        m_painter.drawRect(QRectF(x, y + mm(0.8), mm(3), mm(3)));
    } else {
        m_painter.setPen(pen);
        m_painter.drawLine(QPointF(x, y + mm(2.3)), QPointF(x + mm(6), y + mm(2.3)));
    }
    const double swatch = fill.isValid() ? mm(4) : mm(7);
    const double textWidth = metrics().horizontalAdvance(text);
    m_painter.setPen(Qt::black);
    line(QRectF(x + swatch, y, textWidth + mm(1), mm(4.6)), text);
    m_painter.setBrush(Qt::NoBrush);
    return x + swatch + textWidth + mm(4);
}

void ObservationBarChart::paint(const QRectF& rect)
{
    setFont(10, true);
    m_painter.setPen(Qt::black);
    line(QRectF(rect.left(), rect.top(), rect.width(), mm(6)),
         QStringLiteral("Average and highest sample as % of the limit"));
    double highest = 0;
    for (const OrderJudgement& order : m_judgement.orders)
        highest = std::max({highest, order.averagePct.value_or(0), order.maximumPct.value_or(0)});
    const double labelHeight = mm(5);
    const double legendHeight = mm(12);
    // Room above the plot for the figure of the highest bar.
    const double headroom = mm(7);
    const QRectF plot =
        paintScale(rect.adjusted(0, mm(7) + headroom, 0, 0), highest, labelHeight + legendHeight);

    const double slot = plot.width() / kHarmonicCells;
    bool anyBar = false;
    // The figures above the bars, written once the limit lines are drawn.
    struct Figure
    {
        QPointF at;
        QString text;
        QColor colour;
    };
    std::vector<Figure> figures;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = m_judgement.orders[std::size_t(cell)];
        const double x = plot.left() + cell * slot;
        setFont(7);
        m_painter.setPen(kCaptionColour);
        line(QRectF(x, plot.bottom() + mm(0.5), slot, labelHeight - mm(0.5)),
             QString::number(harmonicOrder(cell)), Qt::AlignHCenter);
        if (m_judgement.samplesJudged == 0 || !order.averagePct || !order.maximumPct)
            continue;
        anyBar = true;
        const auto [averageColour, maximumColour] = barColours(order.state);
        const double barWidth = slot * 0.4;
        const auto bar = [&](double left, double percent, const QColor& colour) {
            const QRectF shape(left, yOf(percent), barWidth, plot.bottom() - yOf(percent));
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(colour);
            m_painter.drawRect(shape);
            return shape;
        };
        const QRectF average = bar(x + slot * 0.1, *order.averagePct, averageColour);
        const QRectF maximum = bar(x + slot * 0.5, *order.maximumPct, maximumColour);
        if (*order.averagePct > kFigureFromPercent)
            figures.push_back(
                {QPointF(average.right(), std::min(average.top(), maximum.top()) - mm(0.8)),
                 percentText(*order.averagePct),
                 order.state == CellState::Fail ? kFailText : QColor(Qt::black)});
    }
    if (!anyBar) {
        setFont(10);
        m_painter.setPen(kCaptionColour);
        wrapped(
            QRectF(plot.left() + mm(5), yOf(m_top * 0.75) - mm(3), plot.width() - mm(10), mm(12)),
            QStringLiteral("No sample was judged against a limit."), 2);
    }
    paintLimitLines();
    // Upright above the pair, so that neighbours do not overlap; on white,
    // so that no limit line strikes a figure through.
    setFont(6, true);
    for (const Figure& figure : figures) {
        m_painter.save();
        m_painter.translate(figure.at);
        m_painter.rotate(-90);
        const QRectF box(0, -slot / 2, metrics().horizontalAdvance(figure.text) + mm(0.6), slot);
        m_painter.fillRect(box.adjusted(-mm(0.3), slot * 0.1, 0, -slot * 0.1), Qt::white);
        m_painter.setPen(figure.colour);
        m_painter.drawText(box, int(Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine,
                           figure.text);
        m_painter.restore();
    }

    // Legend, two lines.
    double y = plot.bottom() + labelHeight + mm(1);
    double x = plot.left();
    x = legendKey(x, y, kWithinLimitColour, QPen(), QStringLiteral("average"));
    x = legendKey(x, y, QColor(190, 190, 190), QPen(), QStringLiteral("highest sample"));
    x = legendKey(x, y, kFailColour, QPen(), QStringLiteral("order failed"));
    x = legendKey(x, y, kNotTestedColour, QPen(), QStringLiteral("not tested"));
    y += mm(5);
    x = legendKey(plot.left(), y, QColor(), QPen(Qt::black, mm(0.5), Qt::DashLine),
                  QStringLiteral("limit of the average (100 %)"));
    x = legendKey(x, y, QColor(), QPen(kSampleLimitColour, mm(0.5), Qt::DashLine),
                  QStringLiteral("limit of every sample (150 %)"));
    setFont(7);
    m_painter.setPen(Qt::black);
    line(QRectF(x, y, plot.right() - x, mm(4.6)),
         QStringLiteral("figures: averages over %1 %").arg(kFigureFromPercent, 0, 'f', 0));
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
