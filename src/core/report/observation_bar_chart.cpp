#include "observation_pdf_chart.h"

#include "pdf_chart.h"

#include <algorithm>
#include <vector>

namespace {

// Average bars above this get their figure written above them.
constexpr double kFigureFromPercent = 80;

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

} // namespace

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
