#include "pdf_report.h"

#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"
#include "version.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int kResolution = 300; // dots per inch
constexpr double kMarginMm = 15;
constexpr double kFooterMm = 9;
constexpr int kPages = 2;
// The chart's scale reaches at least this far, else just above its highest bar.
constexpr double kChartMinTopPercent = 110;
// ... and at most this far: a bar above is drawn cut, with its figure.
constexpr double kChartMaxTopPercent = 1e6;
// Bars above this get their figure written above them.
constexpr double kChartFigureFromPercent = 80;
// Class D: typed and measured power further apart than this (in % of the
// typed power) are flagged.
constexpr double kPowerToleranceTypedPercent = 10;

// The verdict and the chart keep the window's meaning of red, green and blue;
// the table tints them, with dark text.
const QColor kFailColour(255, 0, 0);
const QColor kNotTestedColour(0, 0, 255);
const QColor kPassColour(0, 255, 0);
const QColor kFailTint(255, 222, 222);
const QColor kFailText(170, 0, 0);
const QColor kNotTestedTint(222, 230, 255);
const QColor kNotTestedText(0, 0, 150);
const QColor kWithinLimitColour(110, 110, 110);
const QColor kRuleColour(150, 150, 150);
const QColor kCaptionColour(90, 90, 90);
const QColor kHeaderFill(225, 225, 225);

QString dashIfEmpty(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// What a record text (a product name, the notes) shows on the page: the text
// as stored, without its bidi controls (isBidiControl), so that an override
// in a product name cannot reverse what follows it. Letters of a right-to-left
// script still run right to left.
QString withoutBidiControls(QString text)
{
    text.removeIf(isBidiControl);
    return text;
}

QString stateText(CellState state)
{
    if (state == CellState::Fail)
        return QStringLiteral("FAIL");
    return cellStateName(state).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString percentText(double percent)
{
    return (percent < kChartMaxTopPercent ? QString::number(percent, 'f', 1)
                                          : QString::number(percent, 'g', 3)) +
           QStringLiteral(" %");
}

// The chart's top, in %: at least kChartMinTopPercent, else the next step of
// a 1-2-2.5-5 scale just above `highest`, with at most 12 steps.
std::pair<double, double> chartScale(double highest)
{
    // Not std::clamp: `highest` may be infinite (a current beyond any
    // double over a limit).
    const double wanted =
        std::min(std::max(kChartMinTopPercent, highest * 1.04), kChartMaxTopPercent);
    for (double decade = 10; decade < kChartMaxTopPercent; decade *= 10)
        for (double factor : {1.0, 2.0, 2.5, 5.0})
            if (wanted / (decade * factor) <= 12)
                return {std::ceil(wanted / (decade * factor)) * decade * factor, decade * factor};
    return {kChartMaxTopPercent, kChartMaxTopPercent / 10};
}

// Paints the two pages of one report. Lengths are in device pixels; mm()
// converts from millimetres.
class ReportPainter
{
public:
    ReportPainter(QPainter& painter, const MeasurementRecord& record, QSizeF area)
        : m_painter(painter), m_record(record), m_result(record.result), m_area(area)
    {}

    void paintSummaryPage();
    void paintTablePage();
    // The header every page carries, so that a page torn off can be matched:
    // record id, product, serial, time, class and verdict.
    double paintHeader(double y);
    void paintFooter(int page);

private:
    double mm(double length) const { return length * kResolution / 25.4; }
    double width() const { return m_area.width(); }
    double bodyBottom() const { return m_area.height() - mm(kFooterMm); }

    void setFont(double points, bool bold = false, bool mono = false);
    QFontMetricsF metrics() const { return QFontMetricsF(m_painter.font(), m_painter.device()); }
    // Draws `text` (withoutBidiControls) in one line within the rectangle,
    // elided at the right.
    void line(const QRectF& rect, const QString& text, Qt::Alignment align = Qt::AlignLeft);
    // Draws `text` (withoutBidiControls) wrapped into at most `maxLines` lines
    // from the top of the rectangle, the last one elided; returns the height
    // used.
    double wrapped(const QRectF& rect, const QString& text, int maxLines,
                   QTextOption::WrapMode mode = QTextOption::WrapAtWordBoundaryOrAnywhere);
    void field(double x, double y, double w, const QString& caption, const QString& value);
    double title(double y);
    double productBlock(double y);
    double valuesRow(double y);
    double powerNote(double y);
    double verdictBox(double y);
    void chart(const QRectF& rect);
    // "Tested by" (the operator) and "Checked by" with lines to sign; returns
    // its top, drawn to end at `bottom`.
    double signatures(double bottom);
    QString measuredText() const;
    QString classText() const;

    QPainter& m_painter;
    const MeasurementRecord& m_record;
    const CycleResult& m_result;
    QSizeF m_area;
};

void ReportPainter::setFont(double points, bool bold, bool mono)
{
    QFont font(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    // No ligatures: the PDF's text must search and copy as typed ("fi", not one glyph).
    font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif, QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    m_painter.setFont(font);
}

void ReportPainter::line(const QRectF& rect, const QString& text, Qt::Alignment align)
{
    const QString shown =
        metrics().elidedText(withoutBidiControls(text), Qt::ElideRight, rect.width());
    m_painter.drawText(rect, int(align | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
}

double ReportPainter::wrapped(const QRectF& rect, const QString& text, int maxLines,
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

void ReportPainter::field(double x, double y, double w, const QString& caption,
                          const QString& value)
{
    const double captionWidth = mm(30);
    setFont(9, true);
    m_painter.setPen(kCaptionColour);
    line(QRectF(x, y, captionWidth, mm(6)), caption);
    setFont(9);
    m_painter.setPen(Qt::black);
    line(QRectF(x + captionWidth, y, w - captionWidth, mm(6)), dashIfEmpty(value));
}

double ReportPainter::title(double y)
{
    const QString text = QStringLiteral("IEC 1000-3-2 Harmonic Current Pre-Compliance Test Report");
    double points = 15;
    setFont(points, true);
    while (points > 9 && metrics().horizontalAdvance(text) > width()) {
        points -= 0.5;
        setFont(points, true);
    }
    m_painter.setPen(Qt::black);
    line(QRectF(0, y, width(), mm(9)), text);
    y += mm(10);
    m_painter.setPen(QPen(kRuleColour, mm(0.3)));
    m_painter.drawLine(QPointF(0, y), QPointF(width(), y));
    return y + mm(3);
}

QString ReportPainter::measuredText() const
{
    const QDateTime& at = m_result.measuredAt;
    return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                              QStringLiteral(" UTC") + isoTimestamp(at).right(6)
                        : QString();
}

QString ReportPainter::classText() const
{
    QString text = classLetter(m_result.judgement.productClass);
    if (m_result.judgement.productClass == ProductClass::D)
        text += QStringLiteral(", typed power %1 W").arg(dashIfEmpty(m_result.judgement.power));
    return text;
}

double ReportPainter::paintHeader(double y)
{
    const ProductInfo& product = m_record.product;
    const QString record = m_record.id > 0 ? QStringLiteral("Record %1").arg(m_record.id)
                                           : QStringLiteral("Record not stored");
    // Two lines, each a left and a right part; the left one gives way.
    const auto twoParts = [&](const QString& left, const QString& right, bool boldRight) {
        setFont(7.5, boldRight);
        const double rightWidth =
            std::min(metrics().horizontalAdvance(right) + mm(1), width() * 0.6);
        line(QRectF(width() - rightWidth, y, rightWidth, mm(4)), right, Qt::AlignRight);
        setFont(7.5);
        line(QRectF(0, y, width() - rightWidth - mm(3), mm(4)), left);
        y += mm(4);
    };
    m_painter.setPen(Qt::black);
    twoParts(QStringLiteral("%1   Product: %2").arg(record, dashIfEmpty(product.product)),
             QStringLiteral("Verdict: %1").arg(verdictText(m_result.verdict)), true);
    twoParts(QStringLiteral("Serial: %1").arg(dashIfEmpty(product.serial)),
             QStringLiteral("Measured %1   Class %2").arg(dashIfEmpty(measuredText()), classText()),
             false);
    y += mm(1);
    m_painter.setPen(QPen(kRuleColour, mm(0.2)));
    m_painter.drawLine(QPointF(0, y), QPointF(width(), y));
    return y + mm(2);
}

double ReportPainter::productBlock(double y)
{
    const ProductInfo& product = m_record.product;
    const double half = width() / 2;
    QString port = m_record.port;
    if (!m_record.device.isEmpty() && m_record.device != m_record.port)
        port += QStringLiteral(" (%1)").arg(m_record.device);

    field(0, y, half, QStringLiteral("Product"), product.product);
    field(half, y, half, QStringLiteral("Measured"), measuredText());
    y += mm(6);
    field(0, y, half, QStringLiteral("Serial number"), product.serial);
    field(half, y, half, QStringLiteral("Port"), port);
    y += mm(6);
    field(0, y, half, QStringLiteral("Operator"), product.operatorName);
    field(half, y, half, QStringLiteral("Class"), classText());
    y += mm(6);
    field(0, y, half, QStringLiteral("Lab"), product.lab);
    field(half, y, half, QStringLiteral("Analyzer"), product.instrument);
    y += mm(6);

    // Free text over the whole width: caption, then up to `maxLines` lines.
    const auto text = [&](const QString& caption, const QString& value, int maxLines) {
        setFont(9, true);
        m_painter.setPen(kCaptionColour);
        line(QRectF(0, y, mm(30), mm(6)), caption);
        setFont(9);
        m_painter.setPen(Qt::black);
        const double top = y + (mm(6) - metrics().lineSpacing()) / 2;
        const double used =
            wrapped(QRectF(mm(30), top, width() - mm(30), mm(20)), dashIfEmpty(value), maxLines);
        y = std::max(y + mm(6), top + used + mm(1));
    };
    text(QStringLiteral("Test conditions"), product.conditions, 2);
    text(QStringLiteral("Notes"), product.notes, 3);
    return y + mm(2);
}

double ReportPainter::valuesRow(double y)
{
    struct Value
    {
        const char* caption;
        QString text;
        const char* unit;
    };
    const ParsedReply& reply = m_result.reply;
    const std::array<Value, 5> values{{
        {"Voltage", reply.volts, "V"},
        {"Current", reply.amps, "A"},
        {"Power", reply.watts, "W"},
        {"Power factor", reply.powerFactor, ""},
        {"Frequency", reply.frequency, "Hz"},
    }};
    const double gap = mm(2);
    const double boxWidth = (width() - gap * (values.size() - 1)) / values.size();
    const double boxHeight = mm(15);
    for (std::size_t n = 0; n < values.size(); ++n) {
        const QRectF box(n * (boxWidth + gap), y, boxWidth, boxHeight);
        m_painter.setPen(QPen(kRuleColour, mm(0.25)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(box);
        setFont(8);
        m_painter.setPen(kCaptionColour);
        line(box.adjusted(mm(2), mm(1), -mm(2), -boxHeight / 2),
             QString::fromLatin1(values[n].caption));
        setFont(13, true);
        m_painter.setPen(Qt::black);
        const QString unit = QString::fromLatin1(values[n].unit);
        const QString text = values[n].text.isEmpty() ? QStringLiteral("-")
                             : unit.isEmpty()         ? values[n].text
                                                      : values[n].text + QLatin1Char(' ') + unit;
        line(box.adjusted(mm(2), boxHeight * 0.4, -mm(2), -mm(1)), text);
    }
    return y + boxHeight + mm(2);
}

double ReportPainter::powerNote(double y)
{
    if (m_result.judgement.productClass != ProductClass::D)
        return y + mm(2);
    setFont(9);
    m_painter.setPen(Qt::black);
    const QString measured = m_result.reply.watts.isEmpty()
                                 ? QStringLiteral("gave no power value")
                                 : QStringLiteral("measured %1 W").arg(m_result.reply.watts);
    y += wrapped(QRectF(0, y, width(), mm(10)),
                 QStringLiteral("Class D limits computed from the typed power of %1 W; the "
                                "analyzer %2.")
                     .arg(dashIfEmpty(m_result.judgement.power), measured),
                 2);
    const std::optional<double> deviation = powerDeviation(m_result);
    if (deviation && std::abs(*deviation) > kPowerToleranceTypedPercent) {
        setFont(9, true);
        m_painter.setPen(kFailText);
        y += wrapped(QRectF(0, y, width(), mm(10)),
                     QStringLiteral("! The measured power is %1 % %2 the typed power (more "
                                    "than %3 % apart): check the typed power.")
                         .arg(std::abs(*deviation), 0, 'f', 0)
                         .arg(*deviation > 0 ? QStringLiteral("above") : QStringLiteral("below"))
                         .arg(kPowerToleranceTypedPercent, 0, 'f', 0),
                     2);
    }
    return y + mm(3);
}

double ReportPainter::verdictBox(double y)
{
    const bool pass = m_result.verdict == Verdict::Pass;
    const QRectF box(0, y, width(), mm(14));
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(pass ? kPassColour : kFailColour);
    m_painter.drawRect(box);
    setFont(18, true);
    m_painter.setPen(pass ? Qt::black : Qt::white);
    line(box.adjusted(mm(4), 0, -mm(4), 0),
         QStringLiteral("Verdict: %1").arg(verdictText(m_result.verdict)));
    setFont(9);
    line(box.adjusted(mm(4), 0, -mm(4), 0), replySummary(m_result), Qt::AlignRight);
    y += box.height() + mm(2);

    const QString problem = verdictReason(m_result);
    if (!problem.isEmpty()) {
        setFont(9);
        m_painter.setPen(kFailColour.darker(150));
        y += wrapped(QRectF(0, y, width(), mm(15)), problem, 3);
    }
    return y + mm(4);
}

void ReportPainter::chart(const QRectF& rect)
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

    const auto scaleText = [](double percent) {
        return QStringLiteral("%1 %").arg(percent, 0, 'f', 0);
    };
    const double axisWidth = std::max(mm(12), metrics().horizontalAdvance(scaleText(top)) + mm(3));
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
    for (double percent = 0; percent <= top + step / 2; percent += step) {
        const double y = yOf(percent);
        m_painter.setPen(QPen(QColor(215, 215, 215), mm(0.15)));
        m_painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        m_painter.setPen(kCaptionColour);
        line(QRectF(rect.left(), y - mm(2), axisWidth - mm(1.5), mm(4)), scaleText(percent),
             Qt::AlignRight);
    }

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

double ReportPainter::signatures(double bottom)
{
    const double height = mm(14);
    const double y = bottom - height;
    const double half = width() / 2;
    const auto signature = [&](double x, const QString& caption, const QString& name) {
        setFont(9, true);
        m_painter.setPen(kCaptionColour);
        line(QRectF(x, y, mm(25), mm(6)), caption);
        setFont(9);
        m_painter.setPen(Qt::black);
        line(QRectF(x + mm(25), y, half - mm(30), mm(6)), name);
        // The lines to sign and date on.
        const double lineY = y + mm(12);
        m_painter.setPen(QPen(Qt::black, mm(0.2)));
        m_painter.drawLine(QPointF(x, lineY), QPointF(x + half * 0.55, lineY));
        m_painter.drawLine(QPointF(x + half * 0.62, lineY), QPointF(x + half - mm(6), lineY));
        setFont(6.5);
        m_painter.setPen(kCaptionColour);
        line(QRectF(x, lineY, half * 0.55, mm(3)), QStringLiteral("signature"));
        line(QRectF(x + half * 0.62, lineY, half * 0.3, mm(3)), QStringLiteral("date"));
    };
    signature(0, QStringLiteral("Tested by"), m_record.product.operatorName);
    signature(half, QStringLiteral("Checked by"), QString());
    return y;
}

void ReportPainter::paintSummaryPage()
{
    double y = title(paintHeader(0));
    y = productBlock(y);
    y = valuesRow(y);
    y = powerNote(y);
    y = verdictBox(y);
    const double signedTop = signatures(bodyBottom() - mm(1));
    chart(QRectF(0, y, width(), signedTop - y - mm(4)));
}

void ReportPainter::paintTablePage()
{
    double y = paintHeader(0);
    setFont(11, true);
    m_painter.setPen(Qt::black);
    QString heading = QStringLiteral("Harmonic currents");
    if (m_result.judgement.productClass != ProductClass::None)
        heading += QStringLiteral(", Class %1").arg(classLetter(m_result.judgement.productClass));
    if (!isJudged(m_result.verdict))
        heading += QStringLiteral(" (no verdict: %1)").arg(verdictText(m_result.verdict));
    line(QRectF(0, y, width(), mm(7)), heading);
    y += mm(9);

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
    y += mm(6);

    const QString& reply = m_result.reply.line;
    setFont(8, true);
    m_painter.setPen(Qt::black);
    line(QRectF(0, y, width(), mm(5)),
         QStringLiteral("Reply as received (%1 characters, control characters escaped)")
             .arg(reply.size()));
    y += mm(5.5);
    setFont(6.5, false, true);
    m_painter.setPen(QColor(40, 40, 40));
    const int maxLines = int((bodyBottom() - y) / metrics().lineSpacing());
    wrapped(QRectF(0, y, width(), bodyBottom() - y),
            reply.isEmpty() ? QStringLiteral("(none)") : escapedReply(reply), std::max(maxLines, 1),
            QTextOption::WrapAnywhere);
}

void ReportPainter::paintFooter(int page)
{
    const double top = m_area.height() - mm(kFooterMm) + mm(3);
    m_painter.setPen(QPen(kRuleColour, mm(0.2)));
    m_painter.drawLine(QPointF(0, top), QPointF(width(), top));
    setFont(7.5);
    m_painter.setPen(kCaptionColour);
    const QString version =
        m_record.toolVersion.isEmpty() ? QString::fromLatin1(kToolVersion) : m_record.toolVersion;
    const QRectF rect(0, top + mm(1), width(), mm(5));
    line(rect.adjusted(0, 0, -mm(25), 0),
         QStringLiteral("Pre-compliance measurement, not a certified compliance test. "
                        "Measured with iec1000 %1.")
             .arg(version));
    line(rect, QStringLiteral("Page %1 of %2").arg(page).arg(kPages), Qt::AlignRight);
}

} // namespace

Outcome writePdfReport(const MeasurementRecord& record, const QString& path)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return Outcome::failed(QStringLiteral("cannot write %1: a PDF report needs a "
                                              "QGuiApplication (the offscreen platform will do)")
                                   .arg(path));
    // Painted in memory, then written as every report file is (writeReportFile).
    QByteArray pdf;
    QBuffer file(&pdf);
    file.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&file);
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("IEC 1000-3-2 Harmonic Current Pre-Compliance Test Report"));
        writer.setCreator(QStringLiteral("iec1000 %1").arg(QString::fromLatin1(kToolVersion)));
        QPainter painter;
        if (!painter.begin(&writer))
            return Outcome::failed(
                QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        painter.setRenderHint(QPainter::Antialiasing);
        ReportPainter report(painter, record, QSizeF(writer.width(), writer.height()));
        report.paintSummaryPage();
        report.paintFooter(1);
        writer.newPage();
        report.paintTablePage();
        report.paintFooter(2);
        painter.end();
    }
    return writeReportFile(path, pdf);
}
