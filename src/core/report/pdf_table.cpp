#include "pdf_table.h"

#include "guard_band.h"
#include "pdf_chart.h"
#include "report_rows.h"

#include <optional>

QString PdfTableRows::stateText(CellState state)
{
    // A failed harmonic stands out in capitals.
    const QString words = cellStateWords(state);
    return state == CellState::Fail ? words.toUpper() : words;
}

double PdfTableRows::paintRow(double top, const QStringList& cells, const QColor& fill,
                              const QColor& mark, const QColor& stateColour)
{
    const double rowHeight = mm(5.1);
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
    const qsizetype last = m_columns.size() - 1;
    double x = 0;
    for (qsizetype n = 0; n < m_columns.size() && n < cells.size(); ++n) {
        const double w = m_columns[n] * width();
        const bool state = n == last && stateColour.isValid();
        if (state && mark.isValid()) {
            QFont bold = font;
            bold.setBold(true);
            m_painter.setFont(bold);
        }
        m_painter.setPen(state ? stateColour : Qt::black);
        line(QRectF(x + mm(2), top, w - mm(6), rowHeight), cells[n],
             n == 0 || n == last ? Qt::AlignLeft : Qt::AlignRight);
        m_painter.setFont(font);
        x += w;
    }
    return top + rowHeight;
}

double PdfTableRows::header(double y, const QStringList& captions)
{
    setFont(8.5, true);
    return paintRow(y, captions, kHeaderFill, QColor(), QColor());
}

double PdfTableRows::row(double y, const QStringList& cells, CellState state)
{
    setFont(8.5);
    const bool fail = state == CellState::Fail;
    const bool notTested = state == CellState::NotTested;
    return paintRow(y, cells,
                    fail        ? kFailTint
                    : notTested ? kNotTestedTint
                                : QColor(),
                    fail ? kFailColour : QColor(),
                    fail        ? kFailText
                    : notTested ? kNotTestedText
                                : QColor());
}

double PdfHarmonicTable::paint(double y)
{
    PdfTableRows table(m_painter, m_area, {0.12, 0.24, 0.22, 0.2, 0.22});
    // Under a guard band the limit cell also gives the guarded limit each
    // harmonic was judged against.
    const double guardBand = m_result.judgement.guardBandPct;
    y = table.header(y,
                     {QStringLiteral("Order"), QStringLiteral("Measured (mA)"),
                      guardBand > 0 ? QStringLiteral("Limit / guarded") : QStringLiteral("Limit"),
                      QStringLiteral("% of limit"), QStringLiteral("State")});
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const std::optional<CellState> shown = shownState(m_result, cell);
        // An order that did not arrive has no value and no colour.
        const CellState state = shown.value_or(CellState::NotJudged);
        const std::optional<double> percent = percentOfLimit(m_result, cell);
        const QString& limit = m_result.judgement.limits[std::size_t(cell)];
        y = table.row(
            y,
            {QString::number(harmonicOrder(cell)), dashIfEmpty(shownCurrent(m_result, cell)),
             guardBand > 0 && !limit.isEmpty()
                 ? QStringLiteral("%1 / %2").arg(limit, guardedLimitText(limit, guardBand))
                 : dashIfEmpty(limit),
             percent ? percentText(*percent) : QStringLiteral("-"),
             shown ? PdfTableRows::stateText(state) : QStringLiteral("-")},
            state);
    }
    return y;
}
