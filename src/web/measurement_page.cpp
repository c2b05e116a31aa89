#include "pages.h"

#include "class_evaluation.h"
#include "html.h"
#include "page_parts.h"
#include "pdf_page.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QJsonArray>
#include <QJsonObject>

namespace web {

namespace {

// The harmonics as the JSON gives them: the table's rows, the guarded limit
// beside the limit under a guard band.
QString measurementHarmonics(const QJsonArray& harmonics, double guardBandPct)
{
    QString html = QStringLiteral("<table class=\"harmonics\" id=\"harmonics\"><thead><tr>"
                                  "<th>Order</th>%1<th>Measured (mA)</th><th>% of limit</th>"
                                  "<th>State</th></tr></thead><tbody>")
                       .arg(limitCaptions(QStringLiteral("Limit"), guardBandPct));
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        const QJsonValue guarded = h.value(QLatin1String("guarded_limit_ma"));
        html +=
            QStringLiteral("<tr><td>%1</td>%2<td>%3</td><td>%4</td>%5</tr>")
                .arg(h.value(QLatin1String("order")).toInt())
                .arg(limitCells(storedText(h.value(QLatin1String("limit")).toString()),
                                guarded.isDouble() ? QString::number(guarded.toDouble(), 'g', 10) +
                                                         QStringLiteral("mA")
                                                   : QString(),
                                guardBandPct),
                     storedText(h.value(QLatin1String("current_ma")).toString()),
                     percentCell(h.value(QLatin1String("percent_of_limit"))),
                     stateCell(h.value(QLatin1String("state")).toString()));
    }
    return html + QLatin1String("</tbody></table>");
}

} // namespace

QString measurementPage(const MeasurementRecord& record)
{
    const QJsonObject json = recordJson(record);
    const QString verdict = json.value(QLatin1String("verdict")).toString();
    QString body =
        heading(record.id, QStringLiteral("measurement"), verdict, verdictClass(verdict));
    body += downloads(record.id);
    body += productSection(record);
    body += QStringLiteral("<section><h2>Values</h2><table class=\"fields\" id=\"values\">");
    body +=
        row(QStringLiteral("Measured"), text(json.value(QLatin1String("measured_at")).toString()));
    body += row(QStringLiteral("Class"),
                storedText(reportClassText(record.result.judgement.productClass,
                                           record.result.judgement.power)));
    const Judgement& judgement = record.result.judgement;
    body += row(QStringLiteral("Edition"),
                text(editionShown(judgement.edition, judgement.professional)));
    if (const QString basis = powerBasisShown(judgement); !basis.isEmpty())
        body += row(QStringLiteral("Power basis"), text(basis));
    const QList<QPair<QString, const char*>> values{
        {QStringLiteral("Voltage (V)"), "volts"},
        {QStringLiteral("Current (A)"), "amps"},
        {QStringLiteral("Power (W)"), "watts"},
        {QStringLiteral("Power factor"), "power_factor"},
        {QStringLiteral("Frequency (Hz)"), "frequency"},
        {QStringLiteral("Fields found"), "fields_found"}};
    for (const auto& [caption, key] : values)
        body += row(caption, numberText(json.value(QLatin1String(key)), 0));
    const QJsonArray harmonics = json.value(QLatin1String("harmonics")).toArray();
    body +=
        row(QStringLiteral("Closest order"), closestOrder(json.value(QLatin1String("closest"))));
    // The verdict at the lab's Class D power basis, in red when it fails.
    if (const QString lab = labBasisLine(judgement); !lab.isEmpty()) {
        const std::optional<Verdict> labShown = labVerdict(record.result);
        body += QStringLiteral("<tr id=\"lab\"><th>Lab basis</th><td class=\"%1\">%2</td></tr>")
                    .arg(verdictClass(labShown ? verdictText(*labShown) : QString()), text(lab));
    }
    for (const QString& note : judgement.notes)
        body += row(QStringLiteral("Note"), text(note));
    if (json.contains(QLatin1String("problem")))
        body += row(record.result.verdict == Verdict::NotLimited ? QStringLiteral("Not limited")
                                                                 : QStringLiteral("Problem"),
                    QStringLiteral("<span class=\"stored\">%1</span>")
                        .arg(storedText(json.value(QLatin1String("problem")).toString())));
    body += row(QStringLiteral("Rules"),
                QStringLiteral("A harmonic fails above its limit; below 5 mA or 0.6 % of the "
                               "current it is not tested."));
    body += QLatin1String("</table></section>");
    const double guardBandPct = record.result.judgement.guardBandPct;
    QList<ChartBar> bars;
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        bars.append({h.value(QLatin1String("percent_of_limit")).toDouble(),
                     h.value(QLatin1String("state")).toString()});
    }
    body += QStringLiteral("<section><h2>Harmonics as % of their limits</h2>") +
            percentChart(bars, {100}, guardBandPct) +
            measurementHarmonics(harmonics, guardBandPct) + QStringLiteral("</section>");
    // A whole reply (47 fields) is about 520 characters.
    body += QStringLiteral("<section><h2>Reply as received</h2><pre class=\"reply stored\">%1</pre>"
                           "</section>")
                .arg(storedText(json.value(QLatin1String("reply")).toString(), 1000));
    return document(QStringLiteral("Record %1").arg(record.id), body);
}

} // namespace web
