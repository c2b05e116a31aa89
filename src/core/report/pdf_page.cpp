#include "pdf_page.h"

#include "file_output.h"
#include "header_formats.h"
#include "result_formats.h"
#include "version.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace {

constexpr double kMarginMm = 15;

} // namespace

QString reportTimeText(const QDateTime& time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                QStringLiteral(" UTC") + isoTimestamp(time).right(6)
                          : QString();
}

QString reportClassText(ProductClass productClass, const QString& power)
{
    QString text = classLetter(productClass);
    if (productClass == ProductClass::D)
        text += QStringLiteral(", typed power %1 W").arg(dashIfEmpty(power));
    return text;
}

void PdfPage::field(double x, double y, double w, const QString& caption, const QString& value)
{
    const double captionWidth = mm(30);
    setFont(9, true);
    m_painter.setPen(kCaptionColour);
    line(QRectF(x, y, captionWidth, mm(6)), caption);
    setFont(9);
    m_painter.setPen(Qt::black);
    fitted(QRectF(x + captionWidth, y, w - captionWidth, mm(6)), dashIfEmpty(value), 6,
           Qt::AlignLeft | Qt::AlignVCenter);
}

double PdfPage::title(double y, const QString& text)
{
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

PageHeading pageHeading(const RecordHeader& header)
{
    PageHeading heading;
    heading.recordId = header.id;
    heading.store = header.store;
    heading.product = header.product;
    heading.port = header.port;
    heading.device = header.device;
    heading.toolVersion = header.toolVersion;
    return heading;
}

double PdfPage::paintHeader(double y)
{
    const ProductInfo& product = m_heading.product;
    RecordHeader shown;
    shown.id = m_heading.recordId;
    shown.store = m_heading.store;
    const QString record = m_heading.recordId > 0
                               ? QStringLiteral("Record %1").arg(recordIdText(shown))
                               : QStringLiteral("Record not stored");
    // Two lines, each a left and a right part; the left one gives way.
    const auto twoParts = [&](const QString& left, const QString& right, bool boldRight) {
        setFont(7.5, boldRight);
        const double rightWidth =
            std::min(metrics().horizontalAdvance(right) + mm(1), width() * 0.6);
        line(QRectF(width() - rightWidth, y, rightWidth, mm(4)), right, Qt::AlignRight);
        setFont(7.5);
        fitted(QRectF(0, y, width() - rightWidth - mm(3), mm(4)), left, 5.5,
               Qt::AlignLeft | Qt::AlignVCenter);
        y += mm(4);
    };
    m_painter.setPen(Qt::black);
    twoParts(QStringLiteral("%1   Product: %2").arg(record, dashIfEmpty(product.product)),
             QStringLiteral("Verdict: %1").arg(m_heading.verdict), true);
    twoParts(QStringLiteral("Serial: %1").arg(dashIfEmpty(product.serial)),
             QStringLiteral("%1 %2   Class %3")
                 .arg(m_heading.timeCaption, dashIfEmpty(m_heading.time), m_heading.classText),
             false);
    twoParts(QStringLiteral("Rules: %1").arg(dashIfEmpty(m_heading.rules)),
             QStringLiteral("Edition: %1").arg(dashIfEmpty(m_heading.edition)), false);
    y += mm(1);
    m_painter.setPen(QPen(kRuleColour, mm(0.2)));
    m_painter.drawLine(QPointF(0, y), QPointF(width(), y));
    return y + mm(2);
}

double PdfPage::productBlock(double y)
{
    const ProductInfo& product = m_heading.product;
    const double half = width() / 2;
    QString port = m_heading.port;
    if (!m_heading.device.isEmpty() && m_heading.device != m_heading.port)
        port += QStringLiteral(" (%1)").arg(m_heading.device);

    field(0, y, half, QStringLiteral("Product"), product.product);
    field(half, y, half, m_heading.timeCaption, m_heading.time);
    y += mm(6);
    field(0, y, half, QStringLiteral("Serial number"), product.serial);
    field(half, y, half, QStringLiteral("Port"), port);
    y += mm(6);
    field(0, y, half, QStringLiteral("Operator"), product.operatorName);
    field(half, y, half, QStringLiteral("Class"), m_heading.classText);
    y += mm(6);
    field(0, y, half, QStringLiteral("Lab"), product.lab);
    QString analyzer = product.instrument;
    if (isSimulatedDevice(m_heading.device))
        analyzer = analyzer.isEmpty() ? QStringLiteral("simulated analyzer")
                                      : QStringLiteral("%1 (simulated analyzer)").arg(analyzer);
    field(half, y, half, QStringLiteral("Analyzer"), analyzer);
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

double PdfPage::signatures(double bottom)
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
        fitted(QRectF(x + mm(25), y, half - mm(30), mm(6)), name, 6,
               Qt::AlignLeft | Qt::AlignVCenter);
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
    signature(0, QStringLiteral("Tested by"), m_heading.product.operatorName);
    signature(half, QStringLiteral("Checked by"), QString());
    return y;
}

void PdfPage::paintFooter(int page)
{
    const double top = m_area.height() - mm(kFooterMm) + mm(3);
    m_painter.setPen(QPen(kRuleColour, mm(0.2)));
    m_painter.drawLine(QPointF(0, top), QPointF(width(), top));
    setFont(7.5);
    m_painter.setPen(kCaptionColour);
    const QString version =
        m_heading.toolVersion.isEmpty() ? QString::fromLatin1(kToolVersion) : m_heading.toolVersion;
    const QRectF rect(0, top + mm(1), width(), mm(5));
    line(rect.adjusted(0, 0, -mm(25), 0),
         QStringLiteral("Pre-compliance measurement, not a certified compliance test. "
                        "Measured with iec1000 %1.")
             .arg(version));
    line(rect, QStringLiteral("Page %1 of %2").arg(page).arg(m_heading.pages), Qt::AlignRight);
}

Outcome writePdfPages(const QString& path, const QString& title,
                      const std::function<void(QPainter&, QPagedPaintDevice&)>& paint)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return Outcome::failed(QStringLiteral("cannot write %1: a PDF report needs a "
                                              "QGuiApplication (the offscreen platform will do)")
                                   .arg(path));
    QByteArray pdf;
    QBuffer file(&pdf);
    file.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&file);
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("iec1000 %1").arg(QString::fromLatin1(kToolVersion)));
        QPainter painter;
        if (!painter.begin(&writer))
            return Outcome::failed(
                QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter, writer);
        painter.end();
    }
    return writeReportFile(path, pdf);
}
