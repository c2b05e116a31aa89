#include "percent_plot.h"

#include "pdf_chart.h"

#include <algorithm>
#include <cmath>

namespace {

// The scale of a percent plot reaches at least this far: the 150 % line
// always shows, with room above it.
constexpr double kLowestTopPercent = 160;

} // namespace

QRectF PercentPlot::paintScale(const QRectF& rect, double highest, double below)
{
    setFont(7);
    const auto [top, step] = chartScale(highest, kLowestTopPercent);
    m_top = top;
    const double axisWidth =
        std::max(mm(12), metrics().horizontalAdvance(percentScaleText(top)) + mm(3));
    // Room at the right for the lines' labels.
    const double labelsWidth = metrics().horizontalAdvance(QStringLiteral("150 %")) + mm(2);
    m_plot = QRectF(rect.left() + axisWidth, rect.top() + mm(2),
                    rect.width() - axisWidth - labelsWidth, rect.height() - mm(2) - below);
    paintPercentGrid(m_plot, rect.left(), axisWidth, top, step,
                     [this](double percent) { return yOf(percent); });
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
             percentScaleText(percent));
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
