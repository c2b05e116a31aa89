#include "pages.h"

#include "conversions.h"
#include "html.h"
#include "observation_formats.h"
#include "observation_pdf_chart.h"
#include "page_parts.h"
#include "pdf_chart.h"
#include "pdf_page.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointF>

#include <algorithm>
#include <vector>

namespace web {

namespace {

// The closest orders over time, as % of their limits: each slot of the
// time axis its samples' mean; empty without a judged order or a sample.
QString timeline(const ObservationResult& r)
{
    const QList<int> worst = worstOrderCells(r.judgement, 3);
    if (worst.isEmpty() || r.samples.isEmpty())
        return {};
    const double span = std::max(r.samples.last().startS, 1.0);
    double highest = 160;
    const QStringList colours{QStringLiteral("#d62728"), QStringLiteral("#1f77b4"),
                              QStringLiteral("#2ca02c")};
    QList<QList<QPointF>> lines;
    constexpr int kSlots = 600;
    for (int cell : worst) {
        const std::optional<double> limit = r.judgement.orders[std::size_t(cell)].limitMa;
        // Each slot of the time axis: its samples' mean.
        std::vector<std::pair<double, int>> bins(kSlots, {0.0, 0});
        for (const ObservedSample& sample : r.samples) {
            if (!sample.values || !limit || *limit <= 0)
                continue;
            const int slot = std::clamp(int(sample.startS / span * (kSlots - 1)), 0, kSlots - 1);
            bins[std::size_t(slot)].first +=
                sample.values->currentsMa[std::size_t(cell)] / *limit * 100;
            ++bins[std::size_t(slot)].second;
        }
        QList<QPointF> points;
        for (int s = 0; s < kSlots; ++s)
            if (bins[std::size_t(s)].second > 0) {
                const double mean = bins[std::size_t(s)].first / bins[std::size_t(s)].second;
                highest = std::max(highest, mean);
                points.append({span * s / (kSlots - 1), mean});
            }
        lines.append(points);
    }
    const auto [top, step] = chartScale(highest, 160);
    const double left = 48, width = 624, height = 220, base = 230;
    QString svg = QStringLiteral("<svg class=\"chart\" id=\"timeline\" viewBox=\"0 0 700 "
                                 "280\" role=\"img\" aria-label=\"The closest orders over "
                                 "time\">");
    svg += gridLines(left, width, base, height, top, step);
    for (double limitLine : {100.0, 150.0})
        svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"#000\" "
                              "stroke-dasharray=\"6 3\"/>")
                   .arg(left)
                   .arg(left + width)
                   .arg(base - limitLine / top * height, 0, 'f', 1);
    for (int n = 0; n < int(lines.size()); ++n) {
        QString points;
        for (const QPointF& p : lines.at(n))
            points += QStringLiteral("%1,%2 ")
                          .arg(left + p.x() / span * width, 0, 'f', 1)
                          .arg(base - std::min(p.y(), top) / top * height, 0, 'f', 1);
        svg += QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"1.5\" "
                              "points=\"%2\"/><text x=\"%3\" y=\"270\" font-size=\"11\" "
                              "fill=\"%1\">order %4</text>")
                   .arg(colours.at(n), points.trimmed())
                   .arg(left + n * 90)
                   .arg(worst.at(n) + 2);
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"250\" font-size=\"10\" text-anchor=\"end\">"
                          "%2 s</text>")
               .arg(left + width)
               .arg(span, 0, 'f', 0);
    return QStringLiteral("<section><h2>The closest orders over time, as % of their limits"
                          "</h2>") +
           svg + QStringLiteral("</svg></section>");
}

// A recording's facts: the file, how it was read, what its windows showed
// and the supply.
QString recordingRows(const RecordingFacts& f, const ObservationResult& r)
{
    QString rows;
    rows +=
        row(QStringLiteral("File"),
            QStringLiteral("<span class=\"stored\" id=\"file\">%1</span>").arg(storedText(f.file)));
    rows += row(QStringLiteral("Size"), QStringLiteral("%1 bytes").arg(f.sizeBytes));
    rows += row(QStringLiteral("SHA-256"), QStringLiteral("<code>%1</code>").arg(text(f.sha256)));
    rows += row(QStringLiteral("Channels"),
                QStringLiteral("voltage &quot;<span class=\"stored\">%1</span>&quot;, current "
                               "&quot;<span class=\"stored\">%2</span>&quot;")
                    .arg(storedText(f.voltageChannel), storedText(f.currentChannel)));
    rows += row(QStringLiteral("Sample rate"),
                QStringLiteral("%1 samples/s").arg(f.sampleRate, 0, 'f', 0));
    rows += row(QStringLiteral("Windows"),
                QStringLiteral("<span id=\"samples\">%1</span> judged, %2 not judged, of %3 "
                               "periods, %4 s each: %5 s; %6")
                    .arg(r.judgement.samplesJudged)
                    .arg(r.samplesNotJudged)
                    .arg(f.periodsPerWindow)
                    .arg(r.sampleIntervalS, 0, 'f', 4)
                    .arg(r.elapsedS, 0, 'f', 1)
                    .arg(text(r.sampling())));
    rows += row(QStringLiteral("Frequency"), QStringLiteral("%1 Hz").arg(f.frequencyHz, 0, 'f', 3));
    rows += row(QStringLiteral("Highest THD"), QStringLiteral("%1 %").arg(f.thdPct, 0, 'f', 1));
    rows += row(QStringLiteral("Crest factor"), QString::number(f.crestFactor, 'f', 2));
    rows += row(QStringLiteral("Highest power"),
                QStringLiteral("%1 W").arg(f.highestPowerW, 0, 'f', 1));
    const QString supply = text(recordingSupplyText(f));
    rows += f.supplyWarning.isEmpty() ? row(QStringLiteral("Supply"), supply)
                                      : QStringLiteral("<tr id=\"supply-warning\"><th>Supply</th>"
                                                       "<td class=\"verdict-fail\">%1</td></tr>")
                                            .arg(supply);
    return rows;
}

// The spectrum of the worst window: its orders in mA against their limits,
// captioned with the window and its worst order; empty without one.
QString worstWindowSection(const ObservationResult& r)
{
    const std::optional<WorstWindow> worst = worstWindow(r);
    if (!worst)
        return {};
    const ObservedSample& window = r.samples.at(worst->index);
    const ObservationJudgement& j = r.judgement;
    QList<MilliampBar> bars;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = j.orders[std::size_t(cell)];
        bars.append({window.values->currentsMa[std::size_t(cell)], order.limitMa,
                     order.guardedLimitMa,
                     cellStateName(windowOrderState(j, *window.values, cell))});
    }
    return QStringLiteral("<section><h2>The spectrum of the worst window</h2>"
                          "<p id=\"worst-window\">Worst window: %1 at %2 s, %3 at %4 % of its "
                          "%5limit</p>")
               .arg(worst->index + 1)
               .arg(window.startS, 0, 'f', 1)
               .arg(orderOrdinal(worst->cell + 2), percentFigure(worst->percentOfLimit),
                    j.guardBandPct > 0 ? QStringLiteral("guarded ") : QString()) +
           milliampChart(bars, worst->cell, j.guardBandPct) + QStringLiteral("</section>");
}

} // namespace

QString observationPage(const ObservationRecord& record, bool running, int samplePage)
{
    const QJsonObject json = observationJson(record);
    const ObservationResult& r = record.result;
    const QString verdict =
        running ? QStringLiteral("running") : json.value(QLatin1String("verdict")).toString();
    const std::optional<RecordingFacts>& recording = r.recording;
    QString body = heading(
        record.id,
        recording ? QStringLiteral("waveform recording") : QStringLiteral("timed observation"),
        verdict, running ? QStringLiteral("verdict-running") : verdictClass(verdict));
    const int taken = int(r.samples.size());
    body += QStringLiteral("<p id=\"live\" data-record=\"%1\" data-samples=\"%2\" "
                           "data-running=\"%3\">%4</p>")
                .arg(record.id)
                .arg(taken)
                .arg(running ? 1 : 0)
                .arg(running ? QStringLiteral("Being recorded: this page follows the samples as "
                                              "they arrive.")
                             : QString());
    body += downloads(record.id);
    body += QStringLiteral("<p class=\"downloads\">Every sample: "
                           "<a href=\"/records/%1/samples.csv\" id=\"samples-csv\">CSV</a> "
                           "<a href=\"/records/%1/samples.json\">JSON</a></p>")
                .arg(record.id);
    body += productSection(record);
    body += QStringLiteral("<section><h2>%1</h2><table class=\"fields\" id=\"values\">")
                .arg(recording ? QStringLiteral("Recording") : QStringLiteral("Observation"));
    body +=
        row(QStringLiteral("Started"), text(json.value(QLatin1String("measured_at")).toString()));
    body += row(QStringLiteral("Class"),
                storedText(reportClassText(r.choice.productClass, r.choice.power.text())));
    body += row(QStringLiteral("Edition"),
                text(editionShown(r.judgement.edition, r.choice.professional)));
    if (recording)
        body += recordingRows(*recording, r);
    else
        body += row(QStringLiteral("Duration"),
                    QStringLiteral("%1 s asked, %2 s elapsed")
                        .arg(r.durationS)
                        .arg(json.value(QLatin1String("elapsed_s")).toDouble(), 0, 'f', 1));
    if (!recording)
        body += row(
            QStringLiteral("Samples"),
            QStringLiteral("<span id=\"samples\">%1</span> judged, %2 not judged (%3 taken); %4")
                .arg(json.value(QLatin1String("samples")).toInt())
                .arg(json.value(QLatin1String("samples_not_judged")).toInt())
                .arg(taken)
                .arg(text(json.value(QLatin1String("sampling")).toString())));
    body += row(QStringLiteral("Rules"), text(json.value(QLatin1String("rules")).toString()) +
                                             QStringLiteral(": an order fails when its average is "
                                                            "above its limit (150 % of it under "
                                                            "the POHC allowance) or a sample is "
                                                            "above 150 % of it"));
    const QJsonValue pohc = json.value(QLatin1String("pohc"));
    if (pohc.isObject()) {
        const QJsonObject p = pohc.toObject();
        body += row(QStringLiteral("POHC"),
                    QStringLiteral("%1 mA measured, limit %2 mA; allowance %3")
                        .arg(p.value(QLatin1String("measured_ma")).toDouble(), 0, 'f', 1)
                        .arg(p.value(QLatin1String("limit_ma")).toDouble(), 0, 'f', 1)
                        .arg(p.value(QLatin1String("allowance_applied")).toBool()
                                 ? QStringLiteral("applied")
                                 : QStringLiteral("not applied")));
    } else {
        body += row(QStringLiteral("POHC"), QStringLiteral("none for this class"));
    }
    // A recording's highest power is among its facts; only Class D has a
    // power basis.
    if (json.contains(QLatin1String("power_differs")))
        body += row(QStringLiteral("Power basis"),
                    QStringLiteral("typed %1 W; highest measured %2 W%3")
                        .arg(storedText(r.choice.power.text()))
                        .arg(json.value(QLatin1String("highest_power_w")).toDouble(), 0, 'f', 1)
                        .arg(json.value(QLatin1String("power_differs")).toBool()
                                 ? QStringLiteral(" (more than 10 % apart)")
                                 : QString()));
    if (json.contains(QLatin1String("fundamental_a")))
        body += row(QStringLiteral("Power basis"),
                    QStringLiteral("fundamental %1 A, power factor %2")
                        .arg(json.value(QLatin1String("fundamental_a")).toDouble(), 0, 'f', 3)
                        .arg(json.value(QLatin1String("power_factor")).toDouble(), 0, 'f', 3));
    const QJsonArray harmonics = json.value(QLatin1String("harmonics")).toArray();
    body +=
        row(QStringLiteral("Closest order"), closestOrder(json.value(QLatin1String("closest"))));
    // Why it failed, beside "Fail", as the window says it: the orders and the
    // rules they broke.
    if (!running && r.verdict == ObservationVerdict::Fail && !r.judgement.failureReason.isEmpty())
        body += QStringLiteral("<tr id=\"why\"><th>Why it failed</th><td>%1</td></tr>")
                    .arg(text(r.judgement.failureReason));
    for (const QString& note : r.judgement.notes)
        body += row(QStringLiteral("Note"), text(note));
    if (json.contains(QLatin1String("problem")) && !running)
        body += row(r.verdict == ObservationVerdict::NotLimited ? QStringLiteral("Not limited")
                                                                : QStringLiteral("Problem"),
                    QStringLiteral("<span class=\"stored\">%1</span>")
                        .arg(storedText(json.value(QLatin1String("problem")).toString())));
    body += QLatin1String("</table></section>");

    const double guardBandPct = r.judgement.guardBandPct;
    QList<ChartBar> bars;
    QString table = QStringLiteral("<table class=\"harmonics\" id=\"harmonics\"><thead><tr>"
                                   "<th>Order</th>%1<th>Average (mA)</th><th>%</th>"
                                   "<th>Maximum (mA)</th><th>%</th><th>State</th></tr>"
                                   "</thead><tbody>")
                        .arg(limitCaptions(QStringLiteral("Limit (mA)"), guardBandPct));
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        const QString state = h.value(QLatin1String("state")).toString();
        const QJsonValue maximum = h.value(QLatin1String("maximum_pct"));
        bars.append(
            {h.value(QLatin1String("average_pct")).toDouble(), state,
             maximum.isDouble() ? std::optional<double>(maximum.toDouble()) : std::nullopt});
        table += QStringLiteral("<tr><td>%1</td>%2<td>%3</td><td>%4</td>"
                                "<td>%5</td><td>%6</td>%7</tr>")
                     .arg(h.value(QLatin1String("order")).toInt())
                     .arg(limitCells(numberText(h.value(QLatin1String("limit_ma"))),
                                     numberText(h.value(QLatin1String("guarded_limit_ma"))),
                                     guardBandPct),
                          numberText(h.value(QLatin1String("average_ma"))),
                          percentCell(h.value(QLatin1String("average_pct"))),
                          numberText(h.value(QLatin1String("maximum_ma"))),
                          percentCell(h.value(QLatin1String("maximum_pct"))), stateCell(state));
    }
    table += QLatin1String("</tbody></table>");
    // A sample above 150 % of its limit fails the order.
    body += QStringLiteral("<section><h2>Each order's average and maximum as % of its limit</h2>") +
            percentChart(bars, {100, 150}, guardBandPct, 160) + table +
            QStringLiteral("</section>");

    body += worstWindowSection(r);
    body += timeline(r);

    // The samples, a page of them.
    const int pages = std::max(1, (taken + kSamplesPageSize - 1) / kSamplesPageSize);
    const int shown = std::clamp(samplePage, 1, pages);
    body += QStringLiteral("<section><h2>%1</h2><table class=\"samples\" id=\"sample-list\">")
                .arg(recording ? QStringLiteral("Windows") : QStringLiteral("Samples"));
    body += QStringLiteral("<thead><tr><th>#</th><th>Start (s)</th><th>Time</th><th>Verdict</th>"
                           "<th>Problem</th></tr></thead><tbody>");
    for (int k = (shown - 1) * kSamplesPageSize; k < std::min(taken, shown * kSamplesPageSize);
         ++k) {
        const ObservedSample& s = r.samples.at(k);
        const QString sampleVerdict = verdictText(s.verdict);
        body += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td class=\"%4\">%5</td>"
                               "<td class=\"stored\">%6</td></tr>")
                    .arg(k + 1)
                    .arg(s.startS, 0, 'f', 1)
                    .arg(text(isoTimestamp(s.measuredAt)), verdictClass(sampleVerdict),
                         text(sampleVerdict), storedText(s.problem));
    }
    body += QLatin1String("</tbody></table>");
    QUrlQuery none;
    body += pageLinks(QStringLiteral("/records/%1").arg(record.id), none, QStringLiteral("samples"),
                      shown, shown < pages);
    body += QLatin1String("</section>");
    return document(QStringLiteral("Record %1").arg(record.id), body,
                    running ? QStringLiteral("/static/live.js") : QString());
}

} // namespace web
