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
#include <utility>
#include <vector>

namespace {

constexpr int kResolution = 300; // dots per inch
constexpr double kMarginMm = 15;
constexpr double kFooterMm = 9;
constexpr int kPages = 2;
// The chart's scale ends here; bars above are drawn capped and marked.
constexpr double kChartTopPercent = 200;

const QColor kFailColour(255, 0, 0);
const QColor kNotTestedColour(0, 0, 255);
const QColor kPassColour(0, 255, 0);
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
    return cellStateName(state).replace(QLatin1Char('_'), QLatin1Char(' '));
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
    double verdictBox(double y);
    void chart(const QRectF& rect);

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

double ReportPainter::productBlock(double y)
{
    const ProductInfo& product = m_record.product;
    const double half = width() / 2;
    QString classText = classLetter(m_result.judgement.productClass);
    if (m_result.judgement.productClass == ProductClass::D)
        classText += QStringLiteral(", power %1 W").arg(dashIfEmpty(m_result.judgement.power));
    QString port = m_record.port;
    if (!m_record.device.isEmpty() && m_record.device != m_record.port)
        port += QStringLiteral(" (%1)").arg(m_record.device);
    const QDateTime& at = m_result.measuredAt;
    const QString measured = at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                                QStringLiteral(" UTC") + isoTimestamp(at).right(6)
                                          : QString();

    field(0, y, half, QStringLiteral("Product"), product.product);
    field(half, y, half, QStringLiteral("Measured"), measured);
    y += mm(6);
    field(0, y, half, QStringLiteral("Serial number"), product.serial);
    field(half, y, half, QStringLiteral("Port"), port);
    y += mm(6);
    field(0, y, half, QStringLiteral("Operator"), product.operatorName);
    field(half, y, half, QStringLiteral("Class"), classText);
    y += mm(6);

    setFont(9, true);
    m_painter.setPen(kCaptionColour);
    line(QRectF(0, y, mm(30), mm(6)), QStringLiteral("Notes"));
    setFont(9);
    m_painter.setPen(Qt::black);
    const double top = y + (mm(6) - metrics().lineSpacing()) / 2;
    const double used =
        wrapped(QRectF(mm(30), top, width() - mm(30), mm(20)), dashIfEmpty(product.notes), 3);
    return std::max(y + mm(6), top + used) + mm(3);
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
    return y + boxHeight + mm(4);
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
    line(box.adjusted(mm(4), 0, -mm(4), 0),
         QStringLiteral("%1 of %2 reply fields").arg(m_result.reply.fieldsFound).arg(kReplyFields),
         Qt::AlignRight);
    y += box.height() + mm(2);

    const QString problem = reportedProblem(m_result);
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
    const double axisWidth = mm(12);
    const double labelHeight = mm(5);
    const double legendHeight = mm(7);
    const QRectF plot(rect.left() + axisWidth, rect.top() + mm(12), rect.width() - axisWidth,
                      rect.height() - mm(12) - labelHeight - legendHeight);
    const auto yOf = [&plot](double percent) {
        return plot.bottom() -
               plot.height() * std::min(percent, kChartTopPercent) / kChartTopPercent;
    };

    // Grid and scale every 25 %, the limit line at 100 %.
    for (int percent = 0; percent <= int(kChartTopPercent); percent += 25) {
        const double y = yOf(percent);
        m_painter.setPen(QPen(QColor(215, 215, 215), mm(0.15)));
        m_painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        m_painter.setPen(kCaptionColour);
        line(QRectF(rect.left(), y - mm(2), axisWidth - mm(1.5), mm(4)),
             QStringLiteral("%1 %").arg(percent), Qt::AlignRight);
    }

    const double slot = plot.width() / kHarmonicCells;
    bool anyCapped = false;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const double x = plot.left() + cell * slot;
        m_painter.setPen(kCaptionColour);
        line(QRectF(x, plot.bottom() + mm(0.5), slot, labelHeight - mm(0.5)),
             QString::number(harmonicOrder(cell)), Qt::AlignHCenter);
        const std::optional<double> percent = percentOfLimit(m_result, cell);
        if (!percent)
            continue;
        const CellState state = m_result.judgement.states[std::size_t(cell)];
        const QColor colour = *percent > 100                  ? kFailColour
                              : state == CellState::NotTested ? kNotTestedColour
                                                              : kWithinLimitColour;
        const QRectF bar(x + slot * 0.18, yOf(std::max(*percent, 0.0)), slot * 0.64,
                         plot.bottom() - yOf(std::max(*percent, 0.0)));
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(colour);
        m_painter.drawRect(bar);
        if (*percent > kChartTopPercent) {
            anyCapped = true;
            const double tip = plot.top() - mm(2.5);
            m_painter.setBrush(colour);
            m_painter.drawPolygon(QPolygonF{QPointF(bar.left(), plot.top() - mm(0.5)),
                                            QPointF(bar.right(), plot.top() - mm(0.5)),
                                            QPointF(bar.center().x(), tip)});
            setFont(6, true);
            m_painter.setPen(kFailColour);
            line(QRectF(x - slot, tip - mm(4), slot * 3, mm(3.5)),
                 QString::number(*percent, 'f', 0) + QStringLiteral(" %"), Qt::AlignHCenter);
            setFont(7);
        }
    }

    if (std::none_of(m_result.judgement.limits.begin(), m_result.judgement.limits.end(),
                     [](const QString& limit) { return !limit.isEmpty(); })) {
        setFont(10);
        m_painter.setPen(kCaptionColour);
        line(QRectF(plot.left(), yOf(150) - mm(3), plot.width(), mm(6)),
             QStringLiteral("No harmonic was judged against a limit."), Qt::AlignHCenter);
        setFont(7);
    }

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
    const QString limitKey = QStringLiteral("limit (100 %)");
    line(QRectF(x + mm(7), legendY, plot.right() - x - mm(7), mm(4.6)), limitKey);
    if (anyCapped) {
        x += mm(7) + metrics().horizontalAdvance(limitKey) + mm(5);
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(Qt::black);
        m_painter.drawPolygon(QPolygonF{QPointF(x, legendY + mm(3.6)),
                                        QPointF(x + mm(3), legendY + mm(3.6)),
                                        QPointF(x + mm(1.5), legendY + mm(1.1))});
        m_painter.setPen(Qt::black);
        line(QRectF(x + mm(4), legendY, plot.right() - x - mm(4), mm(4.6)),
             QStringLiteral("above %1 %, drawn cut, its % written above")
                 .arg(kChartTopPercent, 0, 'f', 0));
    }
    m_painter.setBrush(Qt::NoBrush);
}

void ReportPainter::paintSummaryPage()
{
    double y = title(0);
    y = productBlock(y);
    y = valuesRow(y);
    y = verdictBox(y);
    chart(QRectF(0, y, width(), bodyBottom() - y - mm(2)));
}

void ReportPainter::paintTablePage()
{
    double y = 0;
    setFont(11, true);
    m_painter.setPen(Qt::black);
    QString heading = QStringLiteral("Harmonic currents");
    if (m_result.judgement.productClass != ProductClass::None)
        heading += QStringLiteral(", Class %1").arg(classLetter(m_result.judgement.productClass));
    line(QRectF(0, y, width(), mm(7)), heading);
    y += mm(9);

    const std::array<double, 5> columns{0.12, 0.24, 0.22, 0.2, 0.22}; // share of the width
    const std::array<const char*, 5> captions{"Order", "Measured (mA)", "Limit", "% of limit",
                                              "State"};
    const double rowHeight = mm(5.1);
    const auto row = [&](double top, const std::array<QString, 5>& cells, const QColor& fill,
                         const QColor& text) {
        const QRectF rect(0, top, width(), rowHeight);
        if (fill.isValid()) {
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(fill);
            m_painter.drawRect(rect);
        }
        m_painter.setPen(QPen(kRuleColour, mm(0.15)));
        m_painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        m_painter.setPen(text);
        double x = 0;
        for (std::size_t n = 0; n < cells.size(); ++n) {
            const double w = columns[n] * width();
            line(QRectF(x + mm(2), top, w - mm(6), rowHeight), cells[n],
                 n == 0 || n == 4 ? Qt::AlignLeft : Qt::AlignRight);
            x += w;
        }
    };

    setFont(8.5, true);
    std::array<QString, 5> header;
    for (std::size_t n = 0; n < captions.size(); ++n)
        header[n] = QString::fromLatin1(captions[n]);
    row(y, header, kHeaderFill, Qt::black);
    y += rowHeight;
    setFont(8.5);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const CellState state = m_result.judgement.states[std::size_t(cell)];
        const std::optional<double> percent = percentOfLimit(m_result, cell);
        const QColor fill = state == CellState::Fail        ? kFailColour
                            : state == CellState::NotTested ? kNotTestedColour
                                                            : QColor();
        row(y,
            {QString::number(harmonicOrder(cell)), dashIfEmpty(shownCurrent(m_result, cell)),
             dashIfEmpty(m_result.judgement.limits[std::size_t(cell)]),
             percent ? QString::number(*percent, 'f', 1) + QStringLiteral(" %")
                     : QStringLiteral("-"),
             stateText(state)},
            fill, fill.isValid() ? Qt::white : Qt::black);
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
