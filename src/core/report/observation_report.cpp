#include "observation_report.h"

#include "file_output.h"
#include "guard_band.h"
#include "observation_formats.h"
#include "observation_pdf_chart.h"
#include "pdf_chart.h"
#include "pdf_page.h"
#include "pdf_table.h"
#include "report_format.h"
#include "report_rows.h"

#include <QJsonDocument>
#include <QPainter>

namespace {

constexpr int kPages = 3;
constexpr const char* kTitle =
    "Pre-Compliance Observation Report: IEC 1000-3-2 limits, later editions' rules";

PageHeading headingOf(const ObservationRecord& record)
{
    PageHeading heading = pageHeading(record);
    heading.timeCaption = QStringLiteral("Started");
    heading.time = reportTimeText(record.startedAt);
    heading.classText =
        reportClassText(record.result.choice.productClass, record.result.choice.power.text());
    heading.verdict = shownObservationVerdict(record.result);
    heading.rules = record.result.rules();
    heading.edition =
        editionShown(record.result.judgement.edition, record.result.choice.professional);
    heading.pages = kPages;
    return heading;
}

QString milliamps(double value)
{
    return QStringLiteral("%1 mA").arg(value, 0, 'f', 1);
}

// Paints the three pages of an observation's report.
class ObservationPainter : public PdfPage
{
public:
    ObservationPainter(QPainter& painter, QSizeF area, const PageHeading& heading,
                       const ObservationResult& result)
        : PdfPage(painter, area, heading), m_result(result), m_judgement(result.judgement)
    {}

    void paintSummaryPage();
    void paintTablePage();
    void paintTimePage();

private:
    // The electrical values over the judged samples, a row each.
    double electricalTable(double y);
    double verdictBox(double y);
    // The rules, the samples and the limits' basis, a line each.
    double facts(double y);
    // A caption and a text wrapped beside it in `colour`, shrunk where its
    // lines would take more than `height` (fitted()); returns where the next
    // one starts.
    double fact(double y, const QString& caption, const QString& text,
                const QColor& colour = Qt::black, bool bold = false, double height = 0);
    QString pohcText() const;
    QString samplesText() const;
    // The cells whose samples the Class A 200 % provision allowed.
    QList<int> provisionOrders() const;
    // The samples counted, and how they were taken when there were any.
    QString samplingText() const;

    const ObservationResult& m_result;
    const ObservationJudgement& m_judgement;
};

double ObservationPainter::verdictBox(double y)
{
    const bool pass = m_result.verdict == ObservationVerdict::Pass ||
                      m_result.verdict == ObservationVerdict::NotLimited;
    const QRectF box(0, y, width(), mm(14));
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(pass ? kPassColour : kFailColour);
    m_painter.drawRect(box);
    m_painter.setBrush(Qt::NoBrush);
    setFont(18, true);
    m_painter.setPen(pass ? Qt::black : Qt::white);
    line(box.adjusted(mm(4), 0, -mm(4), 0),
         QStringLiteral("Verdict: %1").arg(shownObservationVerdict(m_result)));
    setFont(9);
    line(box.adjusted(mm(4), 0, -mm(4), 0), samplesText(), Qt::AlignRight);
    y += box.height() + mm(2);

    // How close it came, beside the verdict.
    setFont(10, true);
    m_painter.setPen(Qt::black);
    line(QRectF(0, y, width(), mm(5)), closestLine(closestOrder(m_judgement)));
    y += mm(6);

    // Why it ended early, why the class set no limits, or why the samples
    // gave no verdict.
    QString problem = observationProblem(m_result);
    if (!m_result.problem.isEmpty() && !m_judgement.problem.isEmpty() &&
        !problem.contains(m_judgement.problem))
        problem += QStringLiteral(" ") + m_judgement.problem;
    if (!problem.isEmpty()) {
        setFont(9);
        m_painter.setPen(kFailColour.darker(150));
        y += wrapped(QRectF(0, y, width(), mm(15)), problem, 3);
    }
    // The rules of the edition that were not judged, and why.
    setFont(9);
    m_painter.setPen(Qt::black);
    for (const QString& note : m_judgement.notes)
        y += wrapped(QRectF(0, y, width(), mm(10)), QStringLiteral("Note: ") + note, 2);
    return y + mm(2);
}

QList<int> ObservationPainter::provisionOrders() const
{
    QList<int> cells;
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        if (m_judgement.orders[std::size_t(cell)].provisionUsed)
            cells << cell;
    return cells;
}

QString ObservationPainter::samplesText() const
{
    return QStringLiteral("%1 samples judged, %2 not judged")
        .arg(m_judgement.samplesJudged)
        .arg(m_judgement.samplesNotJudged);
}

QString ObservationPainter::samplingText() const
{
    if (m_result.samples.isEmpty())
        return QStringLiteral("no sample taken");
    return QStringLiteral("%1; %2").arg(samplesText(), m_result.sampling());
}

QString ObservationPainter::pohcText() const
{
    if (!m_judgement.pohc)
        return m_judgement.productClass == ProductClass::B ||
                       m_judgement.productClass == ProductClass::C
                   ? QStringLiteral("not part of the rules of Class %1")
                         .arg(classLetter(m_judgement.productClass))
                   : QStringLiteral("not computed: no limits");
    const Pohc& pohc = *m_judgement.pohc;
    return QStringLiteral("odd orders 21 to 39: %1 measured, limit %2; allowance %3")
        .arg(milliamps(pohc.measuredMa), milliamps(pohc.limitMa),
             pohc.allowanceApplied
                 ? QStringLiteral("applied (each of these may average up to 150 % of its limit)")
                 : QStringLiteral("not applied (POHC above its limit: each must average "
                                  "within its limit)"));
}

double ObservationPainter::fact(double y, const QString& caption, const QString& text,
                                const QColor& colour, bool bold, double height)
{
    const double captionWidth = mm(30);
    setFont(9, true);
    m_painter.setPen(kCaptionColour);
    line(QRectF(0, y, captionWidth, mm(5)), caption);
    setFont(9, bold);
    m_painter.setPen(colour);
    const double top = y + (mm(5) - metrics().lineSpacing()) / 2;
    // Two lines at 9 points, unless given more room.
    const double room = std::max(height, 2 * metrics().lineSpacing());
    const double used = fitted(QRectF(captionWidth, top, width() - captionWidth, room), text, 6);
    return std::max(y + mm(5), top + used + mm(0.5));
}

double ObservationPainter::facts(double y)
{
    y = fact(y, QStringLiteral("Rules"), m_result.rules());
    if (const std::optional<RecordingFacts>& f = m_result.recording) {
        y = fact(y, QStringLiteral("Recording"),
                 QStringLiteral("%1 (%2 bytes, SHA-256 %3); voltage \"%4\", current \"%5\", "
                                "%6 samples/s")
                     .arg(f->file)
                     .arg(f->sizeBytes)
                     .arg(f->sha256, f->voltageChannel, f->currentChannel)
                     .arg(f->sampleRate, 0, 'f', 0));
        y = fact(y, QStringLiteral("Waveform"),
                 QStringLiteral("%1 Hz; highest THD %2 %; crest factor %3; highest power %4 W")
                     .arg(f->frequencyHz, 0, 'f', 3)
                     .arg(f->thdPct, 0, 'f', 1)
                     .arg(f->crestFactor, 0, 'f', 2)
                     .arg(f->highestPowerW, 0, 'f', 1));
        y = fact(y, QStringLiteral("Supply"),
                 f->supplyWarning.isEmpty()
                     ? QStringLiteral("%1-%2 V, %3-%4 Hz: within the test supply's requirements")
                           .arg(f->voltsLowest, 0, 'f', 1)
                           .arg(f->voltsHighest, 0, 'f', 1)
                           .arg(f->hzLowest, 0, 'f', 2)
                           .arg(f->hzHighest, 0, 'f', 2)
                     : f->supplyWarning);
    }
    if (const QList<int> used = provisionOrders(); !used.isEmpty()) {
        QStringList orders;
        for (int cell : used)
            orders << QString::number(harmonicOrder(cell));
        y = fact(y, QStringLiteral("200 % provision"),
                 QStringLiteral("used for order %1").arg(orders.join(QStringLiteral(", "))));
    }
    y = fact(y, QStringLiteral("Samples"), samplingText());
    y = fact(y, QStringLiteral("Duration"),
             QStringLiteral("%1 s asked, %2 s elapsed")
                 .arg(m_result.durationS)
                 .arg(m_result.elapsedS, 0, 'f', 1));
    y = fact(y, QStringLiteral("POHC"), pohcText());

    const LimitsBasis& basis = m_judgement.basis;
    if (m_judgement.guardBandPct > 0)
        y = fact(y, QStringLiteral("Guard band"),
                 QStringLiteral("%1: every limit reduced by it for the verdict")
                     .arg(guardBandText(m_judgement.guardBandPct)));
    if (m_judgement.productClass == ProductClass::D) {
        y = fact(y, QStringLiteral("Power"),
                 QStringLiteral("limits from %1").arg(powerBasisText(m_judgement)));
        if (basis.powerDiffers)
            y = fact(y, QString(),
                     QStringLiteral("! The highest measured power is not within 10 % of the "
                                    "typed power: the limits come from the measured power, as "
                                    "the lab takes it."),
                     kFailText, true);
    } else if (m_judgement.productClass == ProductClass::C) {
        y = fact(y, QStringLiteral("Limits from"),
                 basis.fundamentalSample
                     ? QStringLiteral("the fundamental current of the samples, %1")
                           .arg(fundamentalBasisText(m_judgement))
                     : QStringLiteral("no judged sample: no fundamental current"));
    }
    return y + mm(3);
}

void ObservationPainter::paintSummaryPage()
{
    double y = title(paintHeader(0), QString::fromLatin1(kTitle));
    y = productBlock(y);
    y = verdictBox(y);
    y = facts(y);
    const double signedTop = signatures(bodyBottom() - mm(1));
    ObservationBarChart(m_painter, m_area, m_judgement)
        .paint(QRectF(0, y, width(), signedTop - y - mm(4)));
}

void ObservationPainter::paintTablePage()
{
    double y = paintHeader(0);
    setFont(11, true);
    m_painter.setPen(Qt::black);
    QString heading = QStringLiteral("Harmonic currents over the observation");
    if (m_judgement.productClass != ProductClass::None)
        heading += QStringLiteral(", Class %1").arg(classLetter(m_judgement.productClass));
    heading += QStringLiteral(", in mA");
    const bool judged = m_result.verdict == ObservationVerdict::Pass ||
                        m_result.verdict == ObservationVerdict::Fail;
    if (!judged)
        heading +=
            QStringLiteral(" (no verdict: %1)").arg(observationVerdictText(m_result.verdict));
    line(QRectF(0, y, width(), mm(7)), heading);
    y += mm(9);

    PdfTableRows table(m_painter, m_area, {0.09, 0.12, 0.14, 0.16, 0.14, 0.16, 0.19});
    // Under a guard band the limit cell also gives the guarded limit.
    const bool guarded = m_judgement.guardBandPct > 0;
    y = table.header(y, {QStringLiteral("Order"),
                         guarded ? QStringLiteral("Limit / guarded") : QStringLiteral("Limit"),
                         QStringLiteral("Average"), QStringLiteral("% of limit"),
                         QStringLiteral("Maximum"), QStringLiteral("% of limit"),
                         QStringLiteral("State")});
    const bool anySample = m_judgement.samplesJudged > 0;
    const auto percent = [](const std::optional<double>& value) {
        return value ? percentText(*value) : QStringLiteral("-");
    };
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = m_judgement.orders[std::size_t(cell)];
        y = table.row(y,
                      {QString::number(harmonicOrder(cell)),
                       !order.limitMa ? QStringLiteral("-")
                       : guarded      ? QStringLiteral("%1 / %2").arg(
                                            QString::number(*order.limitMa, 'f', 2),
                                            QString::number(order.guardedLimitMa.value_or(0), 'f', 2))
                                 : QString::number(*order.limitMa, 'f', 2),
                       anySample ? QString::number(order.averageMa, 'f', 1) : QStringLiteral("-"),
                       percent(order.averagePct),
                       anySample ? QString::number(order.maximumMa, 'f', 1) : QStringLiteral("-"),
                       percent(order.maximumPct), PdfTableRows::stateText(order.state)},
                      order.state);
    }
    y += mm(4);
    // The rules take the page down to the two facts under them, each of two
    // lines at most.
    const double factsUnder = 2 * mm(8.5);
    y = fact(y, QStringLiteral("Rules"),
             QStringLiteral("%1: an order fails when its average is above its limit (150 % of "
                            "it under the POHC allowance) or a tested sample is above 150 % of "
                            "it; Class A samples up to 200 % pass under 10 % of the time and "
                            "10 min at an average under 90 %; an average below 5 mA or 0.6 % "
                            "of the rms current is not judged, its tested samples are")
                 .arg(m_result.rules()),
             Qt::black, false, bodyBottom() - y - factsUnder);
    y = fact(y, QStringLiteral("POHC"), pohcText());
    fact(y, QStringLiteral("Samples"), samplingText());
}

void ObservationPainter::paintTimePage()
{
    double y = paintHeader(0);
    setFont(11, true);
    m_painter.setPen(Qt::black);
    line(QRectF(0, y, width(), mm(7)),
         QStringLiteral("The worst orders over time, as % of their limits"));
    y += mm(8);
    y = fact(y, QStringLiteral("Samples"), samplingText());
    y += mm(2);
    // The chart takes the page down to the electrical values under it.
    const double tableHeight = mm(9) + 6 * mm(6) + mm(4);
    ObservationTimeSeries(m_painter, m_area, m_result)
        .paint(QRectF(0, y, width(), bodyBottom() - y - tableHeight - mm(4)));
    electricalTable(bodyBottom() - tableHeight);
}

double ObservationPainter::electricalTable(double y)
{
    setFont(11, true);
    m_painter.setPen(Qt::black);
    line(QRectF(0, y, width(), mm(7)),
         QStringLiteral("Electrical values over the %1 judged samples")
             .arg(m_judgement.samplesJudged));
    y += mm(9);
    // The last column, aligned left, stays empty: the figures align right.
    PdfTableRows table(m_painter, m_area, {0.28, 0.22, 0.22, 0.22, 0.06});
    y = table.header(y, {QStringLiteral("Value"), QStringLiteral("Average"),
                         QStringLiteral("Lowest"), QStringLiteral("Highest"), QString()});
    for (const ElectricalValue& value : electricalValues(m_result)) {
        const auto shown = [&value](double number) {
            return QString::number(number, 'f', value.decimals) +
                   (*value.unit ? QLatin1Char(' ') + QString::fromLatin1(value.unit) : QString());
        };
        QStringList cells{QString::fromLatin1(value.caption), QStringLiteral("-"),
                          QStringLiteral("-"), QStringLiteral("-"), QString()};
        if (value.range)
            cells = {cells[0], shown(value.range->average), shown(value.range->minimum),
                     shown(value.range->maximum), QString()};
        y = table.row(y, cells, CellState::Pass);
    }
    return y;
}

} // namespace

Outcome writeObservationReport(const ObservationRecord& record, const QString& path)
{
    const std::optional<ReportFormat> format = reportFormatOf(path);
    if (format == ReportFormat::Csv)
        return writeReportFile(path, observationCsv(record).toUtf8());
    if (format == ReportFormat::Json)
        return writeReportFile(
            path, QJsonDocument(observationJson(record)).toJson(QJsonDocument::Indented));
    if (format != ReportFormat::Pdf)
        return unknownReportFormat(path);
    const PageHeading heading = headingOf(record);
    return writePdfPages(
        path, QString::fromLatin1(kTitle), [&](QPainter& painter, QPagedPaintDevice& device) {
            ObservationPainter report(painter, QSizeF(device.width(), device.height()), heading,
                                      record.result);
            report.paintSummaryPage();
            report.paintFooter(1);
            device.newPage();
            report.paintTablePage();
            report.paintFooter(2);
            device.newPage();
            report.paintTimePage();
            report.paintFooter(3);
        });
}
