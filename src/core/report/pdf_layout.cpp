#include "pdf_layout.h"

#include "report_rows.h"

#include <QTextLayout>

#include <algorithm>
#include <utility>

QString dashIfEmpty(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

namespace {

// What a record text (a product name, the notes) shows on the page: the text
// as stored, without its bidi controls (isBidiControl), so that an override
// in a product name cannot reverse what follows it. Letters of a right-to-left
// script still run right to left.
QString withoutBidiControls(QString text)
{
    text.removeIf(isBidiControl);
    return text;
}

} // namespace

void PdfCanvas::setFont(double points, bool bold, bool mono)
{
    QFont font(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    // No ligatures: the PDF's text must search and copy as typed ("fi", not one glyph).
    font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif, QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    m_painter.setFont(font);
}

QString percentScaleText(double percent)
{
    return QStringLiteral("%1 %").arg(percent, 0, 'f', 0);
}

void PdfCanvas::paintPercentGrid(const QRectF& plot, double axisLeft, double axisWidth, double top,
                                 double step, const std::function<double(double)>& yOf)
{
    for (double percent = 0; percent <= top + step / 2; percent += step) {
        const double y = yOf(percent);
        m_painter.setPen(QPen(QColor(215, 215, 215), mm(0.15)));
        m_painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        m_painter.setPen(kCaptionColour);
        line(QRectF(axisLeft, y - mm(2), axisWidth - mm(1.5), mm(4)), percentScaleText(percent),
             Qt::AlignRight);
    }
}

namespace {

// The lines `text` (without bidi controls, line ends kept) takes when
// wrapped as wrapped() wraps it to `width` in `font` on `device`.
int lineCount(const QString& text, double width, const QFont& font, QPaintDevice* device)
{
    QString lines = withoutBidiControls(text);
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(lines, font, device);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (QTextLine textLine = layout.createLine(); textLine.isValid();
         textLine = layout.createLine()) {
        textLine.setLineWidth(width);
        ++count;
    }
    layout.endLayout();
    return std::max(count, 1);
}

} // namespace

double PdfCanvas::fitted(const QRectF& rect, const QString& text, double smallestPoints,
                         Qt::Alignment align)
{
    const QFont font = m_painter.font();
    QFont sized = font;
    int lines = 1;
    for (double points = font.pointSizeF();; points -= 0.5) {
        sized.setPointSizeF(std::max(points, smallestPoints));
        m_painter.setFont(sized);
        lines = lineCount(text, rect.width(), sized, m_painter.device());
        if (lines * metrics().lineSpacing() <= rect.height() || points <= smallestPoints)
            break;
    }
    const double leading = metrics().lineSpacing();
    double used = 0;
    if ((align & Qt::AlignVCenter) && lines == 1) {
        line(rect, text, align & Qt::AlignHorizontal_Mask);
        used = rect.height();
    } else {
        const int shown = std::max(1, std::min(lines, int(rect.height() / leading)));
        const double top = (align & Qt::AlignVCenter)
                               ? rect.top() + std::max(0.0, (rect.height() - shown * leading) / 2)
                               : rect.top();
        used = wrapped(QRectF(rect.left(), top, rect.width(), rect.height()), text, shown);
        if (align & Qt::AlignVCenter)
            used = std::max(used, rect.height());
    }
    m_painter.setFont(font);
    return used;
}

void PdfCanvas::line(const QRectF& rect, const QString& text, Qt::Alignment align)
{
    const QString shown =
        metrics().elidedText(withoutBidiControls(text), Qt::ElideRight, rect.width());
    m_painter.drawText(rect, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
}

double PdfCanvas::wrapped(const QRectF& rect, const QString& text, int maxLines,
                          QTextOption::WrapMode mode)
{
    QString lines = withoutBidiControls(text);
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextOption option;
    option.setWrapMode(mode);
    const double leading = metrics().lineSpacing();

    // Lays out `shown`, positions its lines; returns how many there are and
    // where line `maxLines` starts (the text's size when there are fewer).
    const auto layOut = [&](QTextLayout& layout, const QString& shown) {
        layout.setText(shown);
        layout.setFont(m_painter.font());
        layout.setTextOption(option);
        layout.beginLayout();
        int count = 0;
        qsizetype lastStart = shown.size();
        for (QTextLine textLine = layout.createLine(); textLine.isValid();
             textLine = layout.createLine()) {
            textLine.setLineWidth(rect.width());
            textLine.setPosition(QPointF(0, count * leading));
            if (++count == maxLines) {
                lastStart = textLine.textStart();
                break;
            }
        }
        layout.endLayout();
        return std::pair{count, lastStart};
    };

    QTextLayout layout(QString(), m_painter.font(), m_painter.device());
    const auto [count, lastStart] = layOut(layout, lines);
    const bool cut =
        count == maxLines &&
        layout.lineAt(count - 1).textStart() + layout.lineAt(count - 1).textLength() < lines.size();
    if (!cut) {
        layout.draw(&m_painter, rect.topLeft());
        return count * leading;
    }
    // Too long: the lines before the last as laid out, the rest on the last
    // line, elided.
    QTextLayout head(QString(), m_painter.font(), m_painter.device());
    layOut(head, lines.left(lastStart));
    head.draw(&m_painter, rect.topLeft());
    line(QRectF(rect.left(), rect.top() + (maxLines - 1) * leading, rect.width(), leading),
         lines.mid(lastStart).replace(QChar::LineSeparator, QLatin1Char(' ')));
    return maxLines * leading;
}
