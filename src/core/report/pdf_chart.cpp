#include "pdf_chart.h"

#include "conversions.h"
#include "report_rows.h"
#include "result_formats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// Bars above this get their figure written above them.
constexpr double kChartFigureFromPercent = 80;

} // namespace

QString percentText(double percent)
{
    return percentFigure(percent) + QStringLiteral(" %");
}

std::pair<double, double> chartScale(double highest, double lowestTop)
{
    // Not std::clamp: `highest` may be infinite (a current beyond any
    // double over a limit).
    const double wanted = std::min(std::max(lowestTop, highest * 1.04), kChartMaxTopPercent);
    for (double decade = 10; decade < kChartMaxTopPercent; decade *= 10)
        for (double factor : {1.0, 2.0, 2.5, 5.0})
            if (wanted / (decade * factor) <= 12)
                return {std::ceil(wanted / (decade * factor)) * decade * factor, decade * factor};
    return {kChartMaxTopPercent, kChartMaxTopPercent / 10};
}

void PdfChart::paint(const QRectF& rect)
{
    setFont(10, true);
    m_painter.setPen(Qt::black);
    line(QRectF(rect.left(), rect.top(), rect.width(), mm(6)),
         QStringLiteral("Harmonic currents as % of their limits"));
    setFont(7);
    // A result without a verdict draws no bars: none of them was judged.
    const bool judged = isJudged(m_result.verdict);
    std::array<std::optional<double>, kHarmonicCells> percents;
    double highest = 0;
    for (int cell = 0; judged && cell < kHarmonicCells; ++cell) {
        percents[std::size_t(cell)] = percentOfLimit(m_result, cell);
        highest = std::max(highest, percents[std::size_t(cell)].value_or(0));
    }
    const auto [top, step] = chartScale(highest);

    const double axisWidth =
        std::max(mm(12), metrics().horizontalAdvance(percentScaleText(top)) + mm(3));
    const double labelHeight = mm(5);
    const double legendHeight = mm(7);
    // Room above the plot for the figure of the highest bar.
    const double headroom = mm(6);
    const QRectF plot(rect.left() + axisWidth, rect.top() + mm(7) + headroom,
                      rect.width() - axisWidth,
                      rect.height() - mm(7) - headroom - labelHeight - legendHeight);
    const auto yOf = [&plot, top = top](double percent) {
        return plot.bottom() - plot.height() * std::clamp(percent, 0.0, top) / top;
    };

    // Grid and scale, the limit line at 100 %.
    paintPercentGrid(plot, rect.left(), axisWidth, top, step, yOf);

    const double slot = plot.width() / kHarmonicCells;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const double x = plot.left() + cell * slot;
        setFont(7);
        m_painter.setPen(kCaptionColour);
        line(QRectF(x, plot.bottom() + mm(0.5), slot, labelHeight - mm(0.5)),
             QString::number(harmonicOrder(cell)), Qt::AlignHCenter);
        const std::optional<double> percent = percents[std::size_t(cell)];
        if (!percent)
            continue;
        const CellState state = m_result.judgement.states[std::size_t(cell)];
        // By state: a harmonic not tested is blue even above its limit.
        const QColor colour = state == CellState::Fail        ? kFailColour
                              : state == CellState::NotTested ? kNotTestedColour
                                                              : kWithinLimitColour;
        const QRectF bar(x + slot * 0.18, yOf(*percent), slot * 0.64,
                         plot.bottom() - yOf(*percent));
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(colour);
        m_painter.drawRect(bar);
        if (*percent > kChartFigureFromPercent) {
            // Upright along the bar, so that neighbours do not overlap.
            setFont(6, true);
            m_painter.setPen(state == CellState::Fail ? kFailText : Qt::black);
            m_painter.save();
            m_painter.translate(bar.center().x(), bar.top() - mm(0.8));
            m_painter.rotate(-90);
            const QString figure = percentText(*percent);
            m_painter.drawText(QRectF(0, -slot / 2, mm(20), slot),
                               int(Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine, figure);
            m_painter.restore();
        }
    }

    const auto noBars = [&](const QString& text) {
        setFont(10);
        m_painter.setPen(kCaptionColour);
        wrapped(QRectF(plot.left() + mm(5), yOf(top * 0.75) - mm(3), plot.width() - mm(10), mm(12)),
                text, 2);
    };
    if (!judged)
        noBars(QStringLiteral("No verdict (%1): no harmonic is drawn against its limit.")
                   .arg(verdictText(m_result.verdict)));
    else if (std::none_of(percents.begin(), percents.end(),
                          [](const std::optional<double>& p) { return p.has_value(); }))
        noBars(QStringLiteral("No harmonic was judged against a limit."));

    const double limitY = yOf(100);
    m_painter.setPen(QPen(Qt::black, mm(0.5), Qt::DashLine));
    m_painter.drawLine(QPointF(plot.left(), limitY), QPointF(plot.right(), limitY));
    m_painter.setPen(QPen(Qt::black, mm(0.3)));
    m_painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    m_painter.drawLine(plot.bottomLeft(), plot.topLeft());

    // Legend.
    const double legendY = plot.bottom() + labelHeight + mm(2);
    struct Key
    {
        QColor colour;
        QString text;
    };
    std::vector<Key> keys{{kWithinLimitColour, QStringLiteral("within its limit")},
                          {kFailColour, QStringLiteral("above its limit")},
                          {kNotTestedColour, QStringLiteral("not tested")}};
    double x = plot.left();
    setFont(7);
    for (const Key& key : keys) {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(key.colour);
        m_painter.drawRect(QRectF(x, legendY + mm(0.8), mm(3), mm(3)));
        m_painter.setPen(Qt::black);
        const double textWidth = metrics().horizontalAdvance(key.text);
        line(QRectF(x + mm(4), legendY, textWidth + mm(1), mm(4.6)), key.text);
        x += mm(4) + textWidth + mm(5);
    }
    m_painter.setPen(QPen(Qt::black, mm(0.5), Qt::DashLine));
    m_painter.drawLine(QPointF(x, legendY + mm(2.3)), QPointF(x + mm(6), legendY + mm(2.3)));
    m_painter.setPen(Qt::black);
    line(QRectF(x + mm(7), legendY, plot.right() - x - mm(7), mm(4.6)),
         QStringLiteral("limit (100 %); figures above the bars over %1 %")
             .arg(kChartFigureFromPercent, 0, 'f', 0));
    m_painter.setBrush(Qt::NoBrush);
}
