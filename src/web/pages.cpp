#include "pages.h"

#include "html.h"
#include "http_message.h"
#include "observation_formats.h"
#include "observation_pdf_chart.h"
#include "pdf_chart.h"
#include "pdf_page.h"
#include "result_formats.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace web {

namespace {

const QStringList kVerdicts{QStringLiteral("Pass"),
                            QStringLiteral("Fail"),
                            QStringLiteral("No result received"),
                            QStringLiteral("Line failed"),
                            QStringLiteral("Stopped"),
                            QStringLiteral("Incomplete observation")};

// The CSS class of a verdict text: its colour as the window shows it.
QString verdictClass(const QString& verdict)
{
    // "Fail (10 % guard band)" is a Fail all the same.
    if (verdict == QLatin1String("Pass") || verdict.startsWith(QLatin1String("Pass (")))
        return QStringLiteral("verdict-pass");
    if (verdict == QLatin1String("Fail") || verdict.startsWith(QLatin1String("Fail (")))
        return QStringLiteral("verdict-fail");
    return QStringLiteral("verdict-none");
}

QString numberText(const QJsonValue& value, int decimals = 1)
{
    if (value.isString())
        return text(value.toString());
    if (!value.isDouble())
        return QStringLiteral("&ndash;");
    return QString::number(value.toDouble(), 'f', decimals);
}

QString percentCell(const QJsonValue& value)
{
    return value.isDouble() ? QStringLiteral("%1 %").arg(value.toDouble(), 0, 'f', 1)
                            : QStringLiteral("&ndash;");
}

QString stateCell(const QString& state)
{
    return QStringLiteral("<td class=\"state-%1\">%2</td>")
        .arg(attribute(state), text(QString(state).replace(QLatin1Char('_'), QLatin1Char(' '))));
}

QString row(const QString& caption, const QString& html)
{
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>").arg(caption, html);
}

// The product and lab fields, those that are not empty.
QString productTable(const ProductInfo& p, const QString& port, const QString& device,
                     const QString& toolVersion)
{
    QString html = QStringLiteral("<table class=\"fields\">");
    const QList<QPair<QString, QString>> fields{
        {QStringLiteral("Product"), p.product},
        {QStringLiteral("Serial"), p.serial},
        {QStringLiteral("Operator"), p.operatorName},
        {QStringLiteral("Notes"), p.notes},
        {QStringLiteral("Lab"), p.lab},
        {QStringLiteral("Instrument"), p.instrument},
        {QStringLiteral("Conditions"), p.conditions},
        {QStringLiteral("Bench"),
         port == device || device.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, device)},
        {QStringLiteral("Tool"), toolVersion},
    };
    for (const auto& [caption, value] : fields)
        if (!value.isEmpty())
            html +=
                row(caption, QStringLiteral("<span class=\"stored\">%1</span>").arg(text(value)));
    return html + QLatin1String("</table>");
}

QString heading(qint64 id, const QString& what, const QString& verdict, const QString& verdictCss)
{
    return QStringLiteral("<h1>Record %1 <small>%2</small></h1>"
                          "<p class=\"verdict %3\" id=\"verdict\">%4</p>")
        .arg(id)
        .arg(text(what), verdictCss, text(verdict));
}

QString downloads(qint64 id)
{
    return QStringLiteral("<p class=\"downloads\">Report: "
                          "<a href=\"/records/%1/report.pdf\" id=\"pdf\">PDF</a> "
                          "<a href=\"/records/%1/report.csv\">CSV</a> "
                          "<a href=\"/records/%1/report.json\">JSON</a></p>")
        .arg(id);
}

// The horizontal grid of a chart, a line and its "% " label every `step` up
// to `top`, `height` high above `base`, `width` wide from `left`.
QString gridLines(double left, double width, double base, double height, double top, double step)
{
    QString svg;
    for (double mark = 0; mark <= top + step / 2; mark += step) {
        const double y = base - mark / top * height;
        svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"#ddd\"/>"
                              "<text x=\"%4\" y=\"%5\" text-anchor=\"end\" font-size=\"10\">%6 %"
                              "</text>")
                   .arg(left)
                   .arg(left + width)
                   .arg(y, 0, 'f', 1)
                   .arg(left - 4)
                   .arg(y + 3, 0, 'f', 1)
                   .arg(mark, 0, 'g', 6);
    }
    return svg;
}

// A bar chart of % of limit, one bar an order, coloured by its state, on
// the PDF chart's scale (chartScale), with the 100 % line.
QString percentChart(const QList<std::pair<double, QString>>& bars)
{
    double highest = 0;
    for (const auto& bar : bars)
        highest = std::max(highest, bar.first);
    const auto [top, step] = chartScale(highest);
    const double left = 48, width = 39 * 16, height = 220, base = 10 + height;
    QString svg = QStringLiteral("<svg class=\"chart\" viewBox=\"0 0 %1 260\" role=\"img\" "
                                 "aria-label=\"Each order as percent of its limit\">")
                      .arg(left + width + 10);
    svg += gridLines(left, width, base, height, top, step);
    for (int n = 0; n < int(bars.size()); ++n) {
        const auto& [percent, state] = bars.at(n);
        const double x = left + n * 16 + 3;
        const double h = std::min(percent, top) / top * height;
        const QString fill = state == QLatin1String("fail")         ? QStringLiteral("#ff0000")
                             : state == QLatin1String("not_tested") ? QStringLiteral("#0000ff")
                             : state == QLatin1String("pass")       ? QStringLiteral("#00ff00")
                                                                    : QStringLiteral("#999999");
        if (h > 0)
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"10\" height=\"%3\" "
                                  "fill=\"%4\" stroke=\"#333\" stroke-width=\"0.5\"/>")
                       .arg(x)
                       .arg(base - h, 0, 'f', 1)
                       .arg(h, 0, 'f', 1)
                       .arg(fill);
        if ((n + 2) % 2 == 1 || n == 0)
            svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" "
                                  "font-size=\"9\">%3</text>")
                       .arg(x + 5)
                       .arg(base + 12)
                       .arg(n + 2);
    }
    const double limitY = base - 100 / top * height;
    svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"#000\" "
                          "stroke-width=\"1.5\" stroke-dasharray=\"6 3\"/>")
               .arg(left)
               .arg(left + width)
               .arg(limitY, 0, 'f', 1);
    return svg + QLatin1String("</svg>");
}

// The harmonics as the JSON gives them: the table's rows.
QString measurementHarmonics(const QJsonArray& harmonics)
{
    QString html = QStringLiteral(
        "<table class=\"harmonics\" id=\"harmonics\"><thead><tr><th>Order</th><th>Limit</th>"
        "<th>Measured (mA)</th><th>% of limit</th><th>State</th></tr></thead><tbody>");
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        html += QStringLiteral("<tr><td>%1</td><td class=\"limit\">%2</td><td>%3</td><td>%4</td>%5"
                               "</tr>")
                    .arg(h.value(QLatin1String("order")).toInt())
                    .arg(text(h.value(QLatin1String("limit")).toString()),
                         text(h.value(QLatin1String("current_ma")).toString()),
                         percentCell(h.value(QLatin1String("percent_of_limit"))),
                         stateCell(h.value(QLatin1String("state")).toString()));
    }
    return html + QLatin1String("</tbody></table>");
}

// The order whose % of limit is highest, in words; empty without any.
QString closestOrder(const QJsonArray& harmonics, const char* percentKey)
{
    int order = 0;
    double highest = -1;
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        const QJsonValue percent = h.value(QLatin1String(percentKey));
        if (percent.isDouble() && percent.toDouble() > highest) {
            highest = percent.toDouble();
            order = h.value(QLatin1String("order")).toInt();
        }
    }
    if (order == 0)
        return QStringLiteral("none judged");
    return QStringLiteral("order %1, %2 % of its limit").arg(order).arg(highest, 0, 'f', 1);
}

QString pageLinks(const QString& base, QUrlQuery query, const QString& key, int page, bool hasNext)
{
    QString html = QStringLiteral("<nav class=\"pages\">");
    const auto link = [&](int to, const QString& caption, const QString& id) {
        query.removeAllQueryItems(key);
        if (to > 1)
            query.addQueryItem(key, QString::number(to));
        const QString q = query.toString(QUrl::FullyEncoded);
        return QStringLiteral("<a id=\"%1\" href=\"%2\">%3</a> ")
            .arg(id, attribute(base + (q.isEmpty() ? QString() : QLatin1Char('?') + q)), caption);
    };
    if (page > 1)
        html +=
            link(page - 1, QStringLiteral("&larr; previous"), key + QStringLiteral("-previous"));
    html += QStringLiteral("<span>page %1</span> ").arg(page);
    if (hasNext)
        html += link(page + 1, QStringLiteral("next &rarr;"), key + QStringLiteral("-next"));
    return html + QLatin1String("</nav>");
}

QString option(const QString& value, const QString& caption, const QString& chosen)
{
    return QStringLiteral("<option value=\"%1\"%2>%3</option>")
        .arg(attribute(value), value == chosen ? QStringLiteral(" selected") : QString(),
             text(caption));
}

std::optional<QDate> dateOf(const QString& value)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!form.match(value).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(value, Qt::ISODate);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

} // namespace

QString summaryVerdict(const RecordSummary& record)
{
    return record.kind == QLatin1String("observation") ? record.observationVerdict
                                                       : verdictText(record.verdict);
}

std::optional<HistoryQuery> historyQueryOf(const QUrlQuery& url, int* page, QString* error)
{
    HistoryQuery query;
    const auto value = [&](const char* key) {
        return url.queryItemValue(QLatin1String(key), QUrl::FullyDecoded).trimmed();
    };
    const auto refuse = [&](const QString& reason) -> std::optional<HistoryQuery> {
        *error = reason;
        return std::nullopt;
    };
    query.text = value("q");
    if (query.text.size() > 200)
        return refuse(QStringLiteral("The search text is longer than 200 characters."));
    query.verdict = value("verdict");
    if (!query.verdict.isEmpty() && !kVerdicts.contains(query.verdict))
        return refuse(QStringLiteral("There is no such verdict."));
    query.productClass = value("class");
    if (!query.productClass.isEmpty() && !QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                                      QStringLiteral("C"), QStringLiteral("D")}
                                              .contains(query.productClass))
        return refuse(QStringLiteral("The class is A, B, C or D."));
    query.kind = value("kind");
    if (!query.kind.isEmpty() && query.kind != QLatin1String("measurement") &&
        query.kind != QLatin1String("observation"))
        return refuse(QStringLiteral("The kind is measurement or observation."));
    for (const auto& [key, bound, dayAfter] :
         {std::tuple{"from", &query.from, 0}, std::tuple{"to", &query.until, 1}}) {
        const QString given = value(key);
        if (given.isEmpty())
            continue;
        const std::optional<QDate> date = dateOf(given);
        if (!date)
            return refuse(QStringLiteral("A date is written YYYY-MM-DD."));
        *bound = QDateTime(date->addDays(dayAfter), QTime(0, 0));
    }
    *page = 1;
    if (const QString given = value("page"); !given.isEmpty()) {
        bool isNumber = false;
        *page = given.toInt(&isNumber);
        if (!isNumber || *page < 1 || *page > 1000000)
            return refuse(QStringLiteral("The page is a number from 1 up."));
    }
    query.limit = kHistoryPageSize + 1;
    query.offset = (*page - 1) * kHistoryPageSize;
    return query;
}

QString historyPage(const QList<RecordSummary>& records, const QUrlQuery& filter, int page,
                    bool hasNext)
{
    const auto value = [&](const char* key) {
        return filter.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    };
    QString body = QStringLiteral("<h1>History</h1><form class=\"filter\" method=\"get\" "
                                  "action=\"/\" id=\"filter\">"
                                  "<label>Text <input type=\"search\" name=\"q\" value=\"%1\" "
                                  "placeholder=\"product, serial, operator, notes\"></label> ")
                       .arg(attribute(value("q")));
    body += QStringLiteral("<label>Verdict <select name=\"verdict\">") +
            option(QString(), QStringLiteral("any"), value("verdict"));
    for (const QString& verdict : kVerdicts)
        body += option(verdict, verdict, value("verdict"));
    body += QStringLiteral("</select></label> <label>Class <select name=\"class\">") +
            option(QString(), QStringLiteral("any"), value("class"));
    for (const char* letter : {"A", "B", "C", "D"})
        body += option(QLatin1String(letter), QLatin1String(letter), value("class"));
    body += QStringLiteral("</select></label> <label>Kind <select name=\"kind\">") +
            option(QString(), QStringLiteral("any"), value("kind")) +
            option(QStringLiteral("measurement"), QStringLiteral("measurement"), value("kind")) +
            option(QStringLiteral("observation"), QStringLiteral("observation"), value("kind")) +
            QStringLiteral("</select></label> ");
    body += QStringLiteral("<label>From <input type=\"date\" name=\"from\" value=\"%1\"></label> "
                           "<label>To <input type=\"date\" name=\"to\" value=\"%2\"></label> "
                           "<button type=\"submit\">Filter</button> <a href=\"/\">clear</a>"
                           "</form>")
                .arg(attribute(value("from")), attribute(value("to")));
    QUrlQuery api = filter;
    api.removeAllQueryItems(QStringLiteral("page"));
    if (page > 1)
        api.addQueryItem(QStringLiteral("page"), QString::number(page));
    const QString apiQuery = api.toString(QUrl::FullyEncoded);
    if (records.isEmpty()) {
        body += QStringLiteral("<p id=\"none\">No records match.</p>");
    } else {
        body += QStringLiteral(
            "<table class=\"history\" id=\"history\"><thead><tr><th>Id</th><th>Time</th>"
            "<th>Kind</th><th>Class</th><th>Power</th><th>Verdict</th><th>Product</th>"
            "<th>Serial</th><th>Operator</th><th>Bench</th></tr></thead><tbody>");
        for (const RecordSummary& r : records) {
            const QString verdict = summaryVerdict(r);
            body += QStringLiteral("<tr><td><a href=\"/records/%1\">%1</a></td><td>%2</td>"
                                   "<td>%3</td><td>%4</td><td>%5</td>"
                                   "<td class=\"%6\">%7</td><td class=\"stored\">%8</td>"
                                   "<td class=\"stored\">%9</td>")
                        .arg(r.id)
                        .arg(text(isoTimestamp(r.measuredAt)), text(r.kind),
                             text(classLetter(r.productClass)), text(r.power),
                             verdictClass(verdict), text(verdict), text(r.product), text(r.serial));
            body += QStringLiteral("<td class=\"stored\">%1</td><td>%2</td></tr>")
                        .arg(text(r.operatorName), text(r.port));
        }
        body += QLatin1String("</tbody></table>");
    }
    body += pageLinks(QStringLiteral("/"), filter, QStringLiteral("page"), page, hasNext);
    body += QStringLiteral("<p class=\"api\">As JSON: <a href=\"%1\">%2</a></p>")
                .arg(attribute(QStringLiteral("/api/records") +
                               (apiQuery.isEmpty() ? QString() : QLatin1Char('?') + apiQuery)),
                     text(QStringLiteral("/api/records") +
                          (apiQuery.isEmpty() ? QString() : QLatin1Char('?') + apiQuery)));
    return document(QStringLiteral("History"), body);
}

QString measurementPage(const MeasurementRecord& record)
{
    const QJsonObject json = recordJson(record);
    const QString verdict = json.value(QLatin1String("verdict")).toString();
    QString body =
        heading(record.id, QStringLiteral("measurement"), verdict, verdictClass(verdict));
    body += downloads(record.id);
    body += QStringLiteral("<section><h2>Product</h2>") +
            productTable(record.product, record.port, record.device, record.toolVersion) +
            QStringLiteral("</section>");
    body += QStringLiteral("<section><h2>Values</h2><table class=\"fields\" id=\"values\">");
    body +=
        row(QStringLiteral("Measured"), text(json.value(QLatin1String("measured_at")).toString()));
    body += row(QStringLiteral("Class"), text(reportClassText(record.result.judgement.productClass,
                                                              record.result.judgement.power)));
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
    body += row(QStringLiteral("Closest order"), closestOrder(harmonics, "percent_of_limit"));
    if (json.contains(QLatin1String("problem")))
        body += row(QStringLiteral("Problem"),
                    QStringLiteral("<span class=\"stored\">%1</span>")
                        .arg(text(json.value(QLatin1String("problem")).toString())));
    body += row(QStringLiteral("Rules"),
                QStringLiteral("A harmonic fails above its limit; below 5 mA or 0.6 % of the "
                               "current it is not tested."));
    body += QLatin1String("</table></section>");
    QList<std::pair<double, QString>> bars;
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        bars.append({h.value(QLatin1String("percent_of_limit")).toDouble(),
                     h.value(QLatin1String("state")).toString()});
    }
    body += QStringLiteral("<section><h2>Harmonics as % of their limits</h2>") +
            percentChart(bars) + measurementHarmonics(harmonics) + QStringLiteral("</section>");
    body += QStringLiteral("<section><h2>Reply as received</h2><pre class=\"reply stored\">%1</pre>"
                           "</section>")
                .arg(text(json.value(QLatin1String("reply")).toString()));
    return document(QStringLiteral("Record %1").arg(record.id), body);
}

QString observationPage(const ObservationRecord& record, bool running, int samplePage)
{
    const QJsonObject json = observationJson(record);
    const ObservationResult& r = record.result;
    const QString verdict =
        running ? QStringLiteral("running") : json.value(QLatin1String("verdict")).toString();
    QString body = heading(record.id, QStringLiteral("timed observation"), verdict,
                           running ? QStringLiteral("verdict-running") : verdictClass(verdict));
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
    body += QStringLiteral("<section><h2>Product</h2>") +
            productTable(record.product, record.port, record.device, record.toolVersion) +
            QStringLiteral("</section>");
    body += QStringLiteral("<section><h2>Observation</h2><table class=\"fields\" id=\"values\">");
    body +=
        row(QStringLiteral("Started"), text(json.value(QLatin1String("measured_at")).toString()));
    body +=
        row(QStringLiteral("Class"), text(reportClassText(r.choice.productClass, r.choice.power.text())));
    body += row(QStringLiteral("Duration"),
                QStringLiteral("%1 s asked, %2 s elapsed")
                    .arg(r.durationS)
                    .arg(json.value(QLatin1String("elapsed_s")).toDouble(), 0, 'f', 1));
    body +=
        row(QStringLiteral("Samples"),
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
    if (json.contains(QLatin1String("highest_power_w")))
        body += row(QStringLiteral("Power basis"),
                    QStringLiteral("typed %1 W; highest measured %2 W%3")
                        .arg(text(r.choice.power.text()))
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
    body += row(QStringLiteral("Closest order"), closestOrder(harmonics, "average_pct"));
    if (json.contains(QLatin1String("problem")) && !running)
        body += row(QStringLiteral("Problem"),
                    QStringLiteral("<span class=\"stored\">%1</span>")
                        .arg(text(json.value(QLatin1String("problem")).toString())));
    body += QLatin1String("</table></section>");

    QList<std::pair<double, QString>> bars;
    QString table = QStringLiteral(
        "<table class=\"harmonics\" id=\"harmonics\"><thead><tr><th>Order</th><th>Limit (mA)</th>"
        "<th>Average (mA)</th><th>%</th><th>Maximum (mA)</th><th>%</th><th>State</th></tr>"
        "</thead><tbody>");
    for (const QJsonValue& value : harmonics) {
        const QJsonObject h = value.toObject();
        const QString state = h.value(QLatin1String("state")).toString();
        bars.append({h.value(QLatin1String("average_pct")).toDouble(), state});
        table += QStringLiteral("<tr><td>%1</td><td class=\"limit\">%2</td><td>%3</td><td>%4</td>"
                                "<td>%5</td><td>%6</td>%7</tr>")
                     .arg(h.value(QLatin1String("order")).toInt())
                     .arg(numberText(h.value(QLatin1String("limit_ma"))),
                          numberText(h.value(QLatin1String("average_ma"))),
                          percentCell(h.value(QLatin1String("average_pct"))),
                          numberText(h.value(QLatin1String("maximum_ma"))),
                          percentCell(h.value(QLatin1String("maximum_pct"))), stateCell(state));
    }
    table += QLatin1String("</tbody></table>");
    body += QStringLiteral("<section><h2>Each order's average as % of its limit</h2>") +
            percentChart(bars) + table + QStringLiteral("</section>");

    // The closest orders over time, as % of their limits.
    const QList<int> worst = worstOrderCells(r.judgement, 3);
    if (!worst.isEmpty() && taken > 0) {
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
                const int slot =
                    std::clamp(int(sample.startS / span * (kSlots - 1)), 0, kSlots - 1);
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
        body += QStringLiteral("<section><h2>The closest orders over time, as % of their limits"
                               "</h2>") +
                svg + QStringLiteral("</svg></section>");
    }

    // The samples, a page of them.
    const int pages = std::max(1, (taken + kSamplesPageSize - 1) / kSamplesPageSize);
    const int shown = std::clamp(samplePage, 1, pages);
    body += QStringLiteral("<section><h2>Samples</h2><table class=\"samples\" id=\"sample-list\">"
                           "<thead><tr><th>#</th><th>Start (s)</th><th>Time</th><th>Verdict</th>"
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
                         text(sampleVerdict), text(s.problem));
    }
    body += QLatin1String("</tbody></table>");
    QUrlQuery none;
    body += pageLinks(QStringLiteral("/records/%1").arg(record.id), none, QStringLiteral("samples"),
                      shown, shown < pages);
    body += QLatin1String("</section>");
    return document(QStringLiteral("Record %1").arg(record.id), body,
                    running ? QStringLiteral("/static/live.js") : QString());
}

QString errorPage(int status, const QString& message)
{
    return document(QString::fromLatin1(reasonPhrase(status)),
                    QStringLiteral("<h1>%1 %2</h1><p id=\"message\">%3</p>"
                                   "<p><a href=\"/\">The history</a></p>")
                        .arg(status)
                        .arg(text(QString::fromLatin1(reasonPhrase(status))), text(message)));
}

QString loginPage(bool wrong)
{
    return document(
        QStringLiteral("Log in"),
        QStringLiteral("<h1>Log in</h1>%1<form method=\"post\" action=\"/login\" id=\"login\">"
                       "<label>Token <input type=\"password\" name=\"token\" "
                       "autocomplete=\"current-password\" autofocus></label> "
                       "<button type=\"submit\">Log in</button></form>")
            .arg(wrong ? QStringLiteral("<p class=\"verdict-fail\" id=\"wrong\">That is not the "
                                        "token.</p>")
                       : QString()));
}

} // namespace web
