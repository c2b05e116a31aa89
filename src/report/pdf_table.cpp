#include "pdf_table.h"

#include "pdf_chart.h"
#include "report_rows.h"

#include <array>
#include <optional>

namespace {

QString stateText(CellState state)
{
    // A failed harmonic stands out in capitals.
    const QString words = cellStateWords(state);
    return state == CellState::Fail ? words.toUpper() : words;
}

} // namespace

double PdfHarmonicTable::paint(double y)
{
    const std::array<double, 5> columns{0.12, 0.24, 0.22, 0.2, 0.22}; // share of the width
    const std::array<const char*, 5> captions{"Order", "Measured (mA)", "Limit", "% of limit",
                                              "State"};
    const double rowHeight = mm(5.1);
    // fill: the row's tint; mark: a strip at its left edge and a bold state;
    // stateText: the state's colour. Invalid colours for a row of no note.
    const auto row = [&](double top, const std::array<QString, 5>& cells, const QColor& fill,
                         const QColor& mark, const QColor& stateText) {
        const QRectF rect(0, top, width(), rowHeight);
        if (fill.isValid()) {
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(fill);
            m_painter.drawRect(rect);
        }
        if (mark.isValid()) {
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(mark);
            m_painter.drawRect(QRectF(0, top, mm(1.2), rowHeight));
        }
        m_painter.setPen(QPen(kRuleColour, mm(0.15)));
        m_painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        const QFont font = m_painter.font();
        double x = 0;
        for (std::size_t n = 0; n < cells.size(); ++n) {
            const double w = columns[n] * width();
            const bool state = n == 4 && stateText.isValid();
            if (state && mark.isValid()) {
                QFont bold = font;
                bold.setBold(true);
                m_painter.setFont(bold);
            }
            m_painter.setPen(state ? stateText : Qt::black);
            line(QRectF(x + mm(2), top, w - mm(6), rowHeight), cells[n],
                 n == 0 || n == 4 ? Qt::AlignLeft : Qt::AlignRight);
            m_painter.setFont(font);
            x += w;
        }
    };

    setFont(8.5, true);
    std::array<QString, 5> header;
    for (std::size_t n = 0; n < captions.size(); ++n)
        header[n] = QString::fromLatin1(captions[n]);
    row(y, header, kHeaderFill, QColor(), QColor());
    y += rowHeight;
    setFont(8.5);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const CellState state = m_result.judgement.states[std::size_t(cell)];
        const std::optional<double> percent = percentOfLimit(m_result, cell);
        const bool fail = state == CellState::Fail;
        const bool notTested = state == CellState::NotTested;
        row(y,
            {QString::number(harmonicOrder(cell)), dashIfEmpty(shownCurrent(m_result, cell)),
             dashIfEmpty(m_result.judgement.limits[std::size_t(cell)]),
             percent ? percentText(*percent) : QStringLiteral("-"), stateText(state)},
            fail        ? kFailTint
            : notTested ? kNotTestedTint
                        : QColor(),
            fail ? kFailColour : QColor(),
            fail        ? kFailText
            : notTested ? kNotTestedText
                        : QColor());
        y += rowHeight;
    }
    return y;
}
