#include "pdf_report.h"

#include "pdf_chart.h"
#include "pdf_layout.h"
#include "pdf_table.h"
#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"
#include "version.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kMarginMm = 15;
constexpr int kPages = 2;
// Class D: typed and measured power further apart than this (in % of the
// typed power) are flagged.
constexpr double kPowerToleranceTypedPercent = 10;

// Paints the two pages of one report.
class ReportPainter : public PdfCanvas
{
public:
    ReportPainter(QPainter& painter, const MeasurementRecord& record, QSizeF area)
        : PdfCanvas(painter, area), m_record(record), m_result(record.result)
    {}

    void paintSummaryPage();
    void paintTablePage();
    // The header every page carries, so that a page torn off can be matched:
    // record id, product, serial, time, class and verdict.
    double paintHeader(double y);
    void paintFooter(int page);

private:
    void field(double x, double y, double w, const QString& caption, const QString& value);
    double title(double y);
    double productBlock(double y);
    double valuesRow(double y);
    double powerNote(double y);
    double verdictBox(double y);
    // "Tested by" (the operator) and "Checked by" with lines to sign; returns
    // its top, drawn to end at `bottom`.
    double signatures(double bottom);
    QString measuredText() const;
    QString classText() const;

    const MeasurementRecord& m_record;
    const CycleResult& m_result;
};

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
    PdfChart(m_painter, m_area, m_result).paint(QRectF(0, y, width(), signedTop - y - mm(4)));
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

    y = PdfHarmonicTable(m_painter, m_area, m_result).paint(y);
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
