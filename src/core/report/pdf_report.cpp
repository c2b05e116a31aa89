#include "pdf_report.h"

#include "class_evaluation.h"
#include "conversions.h"
#include "guard_band.h"
#include "pdf_chart.h"
#include "pdf_layout.h"
#include "pdf_page.h"
#include "pdf_table.h"
#include "power_basis.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kPages = 2;
constexpr const char* kTitle = "IEC 1000-3-2 Harmonic Current Pre-Compliance Test Report";

PageHeading headingOf(const MeasurementRecord& record)
{
    PageHeading heading = pageHeading(record);
    heading.timeCaption = QStringLiteral("Measured");
    heading.time = reportTimeText(record.result.measuredAt);
    heading.classText =
        reportClassText(record.result.judgement.productClass, record.result.judgement.power);
    heading.verdict = shownVerdict(record.result);
    heading.rules = measurementRules(record.result.judgement.edition);
    heading.edition =
        editionShown(record.result.judgement.edition, record.result.judgement.professional);
    heading.pages = kPages;
    return heading;
}

// Paints the two pages of one report.
class ReportPainter : public PdfPage
{
public:
    ReportPainter(QPainter& painter, const PageHeading& heading, const MeasurementRecord& record,
                  QSizeF area)
        : PdfPage(painter, area, heading), m_result(record.result)
    {}

    void paintSummaryPage();
    void paintTablePage();

private:
    double valuesRow(double y);
    double powerNote(double y);
    double verdictBox(double y);

    const CycleResult& m_result;
};

double ReportPainter::valuesRow(double y)
{
    struct Value
    {
        const char* caption;
        QString text;
        const char* unit;
    };
    const std::array<Value, 5> values{{
        {"Voltage", shownValue(m_result, 2), "V"},
        {"Current", shownValue(m_result, 3), "A"},
        {"Power", shownValue(m_result, 1), "W"},
        {"Power factor", shownValue(m_result, 4), ""},
        {"Frequency", shownValue(m_result, 5), "Hz"},
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
    const Judgement& judgement = m_result.judgement;
    const QString measured = m_result.measurement().watts.isEmpty()
                                 ? QStringLiteral("gave no power value")
                                 : QStringLiteral("measured %1 W").arg(m_result.measurement().watts);
    const QString basis =
        judgement.evaluation.status == Evaluation::NotLimited
            ? QStringLiteral("No Class D limits: the edition sets none for this equipment; the "
                             "analyzer %1.")
                  .arg(measured)
        : judgement.basisW && judgement.powerBasis == PowerBasis::Measured
            ? QStringLiteral("Class D limits computed from the measured power of %1 W (typed "
                             "%2 W), as the edition asks.")
                  .arg(NumberText(*judgement.basisW), dashIfEmpty(judgement.power))
            : QStringLiteral("Class D limits computed from the typed power of %1 W; the "
                             "analyzer %2.")
                  .arg(dashIfEmpty(judgement.power), measured);
    y += wrapped(QRectF(0, y, width(), mm(10)), basis, 2);
    const std::optional<double> deviation = powerDeviation(m_result);
    if (deviation && powerDiffers(*deviation)) {
        setFont(9, true);
        m_painter.setPen(kFailText);
        y += wrapped(QRectF(0, y, width(), mm(10)),
                     QStringLiteral("! The measured power is %1 % %2 the typed power (more "
                                    "than 10 % apart): check the typed power.")
                         .arg(std::abs(*deviation), 0, 'f', 0)
                         .arg(*deviation > 0 ? QStringLiteral("above") : QStringLiteral("below")),
                     2);
    }
    return y + mm(3);
}

double ReportPainter::verdictBox(double y)
{
    const bool pass = isPassing(m_result.verdict);
    const QRectF box(0, y, width(), mm(14));
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(pass ? kPassColour : kFailColour);
    m_painter.drawRect(box);
    setFont(18, true);
    m_painter.setPen(pass ? Qt::black : Qt::white);
    line(box.adjusted(mm(4), 0, -mm(4), 0),
         QStringLiteral("Verdict: %1").arg(shownVerdict(m_result)));
    setFont(9);
    line(box.adjusted(mm(4), 0, -mm(4), 0), replySummary(m_result), Qt::AlignRight);
    y += box.height() + mm(2);

    // How close it came, beside the verdict.
    if (isJudged(m_result.verdict)) {
        setFont(10, true);
        m_painter.setPen(Qt::black);
        line(QRectF(0, y, width(), mm(5)), closestLine(closestOf(m_result)));
        y += mm(6);
    }
    // The verdict at the lab's Class D power basis, where the typed power
    // was not borne out by the measured one.
    if (const QString lab = labBasisLine(m_result.judgement); !lab.isEmpty()) {
        setFont(9, true);
        m_painter.setPen(labVerdict(m_result) == Verdict::Fail ? kFailText : Qt::black);
        y += wrapped(QRectF(0, y, width(), mm(10)), lab, 2) + mm(1);
    }

    // Why it has no verdict, or why the edition sets no limits.
    const QString problem = verdictReason(m_result);
    if (!problem.isEmpty()) {
        setFont(9);
        m_painter.setPen(m_result.verdict == Verdict::NotLimited ? QColor(Qt::black)
                                                                 : kFailColour.darker(150));
        y += wrapped(QRectF(0, y, width(), mm(15)), problem, 3);
    }
    // The rules of the edition that were not judged, and why.
    setFont(9);
    m_painter.setPen(Qt::black);
    for (const QString& note : m_result.judgement.notes)
        y += wrapped(QRectF(0, y, width(), mm(10)), QStringLiteral("Note: ") + note, 2);
    return y + mm(4);
}

void ReportPainter::paintSummaryPage()
{
    double y = title(paintHeader(0), QString::fromLatin1(kTitle));
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

} // namespace

Outcome writePdfReport(const MeasurementRecord& record, const QString& path)
{
    const PageHeading heading = headingOf(record);
    return writePdfPages(
        path, QString::fromLatin1(kTitle), [&](QPainter& painter, QPagedPaintDevice& device) {
            ReportPainter report(painter, heading, record, QSizeF(device.width(), device.height()));
            report.paintSummaryPage();
            report.paintFooter(1);
            device.newPage();
            report.paintTablePage();
            report.paintFooter(2);
        });
}
