#include "page_parts.h"

#include "conversions.h"
#include "html.h"
#include "observation_rules.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace web {

QString verdictClass(const QString& verdict)
{
    // "Fail (10 % guard band)" is a Fail all the same.
    if (verdict == QLatin1String("Pass") || verdict.startsWith(QLatin1String("Pass (")))
        return QStringLiteral("verdict-pass");
    if (verdict == QLatin1String("Fail") || verdict.startsWith(QLatin1String("Fail (")))
        return QStringLiteral("verdict-fail");
    return QStringLiteral("verdict-none");
}

QString numberText(const QJsonValue& value, int decimals)
{
    if (value.isString())
        return text(value.toString());
    if (!value.isDouble())
        return QStringLiteral("&ndash;");
    return QString::number(value.toDouble(), 'f', decimals);
}

QString percentCell(const QJsonValue& value)
{
    return value.isDouble() ? percentFigure(value.toDouble()) + QStringLiteral(" %")
                            : QStringLiteral("&ndash;");
}

QString stateCell(const QString& state)
{
    // An order that did not arrive has no state.
    if (state.isEmpty())
        return QStringLiteral("<td>-</td>");
    return QStringLiteral("<td class=\"state-%1\">%2</td>")
        .arg(attribute(state), text(QString(state).replace(QLatin1Char('_'), QLatin1Char(' '))));
}

QString row(const QString& caption, const QString& html)
{
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>").arg(caption, html);
}

QString productSection(const RecordHeader& record)
{
    const ProductInfo& p = record.product;
    const QString& port = record.port;
    const QString& device = record.device;
    QString html = QStringLiteral("<section><h2>Product</h2><table class=\"fields\">");
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
        {QStringLiteral("Tool"), record.toolVersion},
    };
    for (const auto& [caption, value] : fields)
        if (!value.isEmpty())
            html += row(caption,
                        QStringLiteral("<span class=\"stored\">%1</span>").arg(storedText(value)));
    return html + QLatin1String("</table></section>");
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

QString gridLines(double left, double width, double base, double height, double top, double step,
                  const QString& unit)
{
    QString svg;
    for (double mark = 0; mark <= top + step / 2; mark += step) {
        const double y = base - mark / top * height;
        svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"#ddd\"/>"
                              "<text x=\"%4\" y=\"%5\" text-anchor=\"end\" font-size=\"10\">%6 %7"
                              "</text>")
                   .arg(left)
                   .arg(left + width)
                   .arg(y, 0, 'f', 1)
                   .arg(left - 4)
                   .arg(y + 3, 0, 'f', 1)
                   .arg(mark, 0, 'g', 6)
                   .arg(unit);
    }
    return svg;
}

QString stateFill(const QString& state)
{
    return state == QLatin1String("fail")         ? QStringLiteral("#ff0000")
           : state == QLatin1String("not_tested") ? QStringLiteral("#0000ff")
           : state == QLatin1String("pass")       ? QStringLiteral("#00ff00")
                                                  : QStringLiteral("#999999");
}

QString percentChart(const QList<ChartBar>& bars, const QList<double>& lines, double guardBandPct,
                     double lowestTop)
{
    double highest = 0;
    for (const ChartBar& bar : bars)
        highest = std::max({highest, bar.percent, bar.maximum.value_or(0)});
    const auto [top, step] = chartScale(highest, lowestTop);
    const double left = 48, width = 39 * 16, height = 220, base = 10 + height;
    QString svg;
    svg += gridLines(left, width, base, height, top, step);
    const auto barRect = [&](double x, double w, double percent, const QString& fill,
                             const QString& extra) {
        const double h = std::min(percent, top) / top * height;
        if (h <= 0)
            return QString();
        return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                              "fill=\"%5\" stroke=\"#333\" stroke-width=\"0.5\"%6/>")
            .arg(x)
            .arg(base - h, 0, 'f', 1)
            .arg(w)
            .arg(h, 0, 'f', 1)
            .arg(fill, extra);
    };
    bool anyMaximum = false;
    for (int n = 0; n < int(bars.size()); ++n) {
        const ChartBar& bar = bars.at(n);
        const double x = left + n * 16 + 3;
        const QString fill = stateFill(bar.state);
        if (bar.maximum) {
            anyMaximum = true;
            svg += barRect(x - 1, 6, bar.percent, fill, QStringLiteral(" class=\"average\""));
            svg += barRect(x + 5, 6, *bar.maximum, fill,
                           QStringLiteral(" fill-opacity=\"0.4\" class=\"maximum\""));
        } else {
            svg += barRect(x, 10, bar.percent, fill, QString());
        }
        if ((n + 2) % 2 == 1 || n == 0)
            svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" "
                                  "font-size=\"9\">%3</text>")
                       .arg(x + 5)
                       .arg(base + 12)
                       .arg(n + 2);
    }
    // The lines, and where the guard band puts them: what the verdict used.
    QStringList legend;
    for (const double line : lines) {
        const auto draw = [&](double at, const QString& dash, const QString& colour,
                              const QString& name) {
            const double y = base - std::min(at, top) / top * height;
            svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" "
                                  "stroke=\"%4\" stroke-width=\"1.5\" stroke-dasharray=\"%5\" "
                                  "class=\"limit-line\"><title>%6</title></line>")
                       .arg(left)
                       .arg(left + width)
                       .arg(y, 0, 'f', 1)
                       .arg(colour, dash, name);
        };
        const QString name = QStringLiteral("%1 % of the limit").arg(line, 0, 'g', 6);
        draw(line, QStringLiteral("6 3"), QStringLiteral("#000"), name);
        if (guardBandPct > 0)
            draw(line * (100 - guardBandPct) / 100, QStringLiteral("2 2"), QStringLiteral("#c00"),
                 QStringLiteral("%1 of the guarded limit")
                     .arg(name.section(QLatin1Char(' '), 0, 1)));
    }
    if (lines.size() > 1)
        legend << QStringLiteral("dashed: %1 % of the limit").arg([&] {
            QStringList at;
            for (const double line : lines)
                at << QString::number(line, 'g', 6);
            return at.join(QStringLiteral(" and "));
        }());
    if (guardBandPct > 0)
        legend << QStringLiteral("dotted red: the same less the %1 % guard band, as judged")
                      .arg(guardBandPct, 0, 'g', 6);
    if (anyMaximum)
        legend << QStringLiteral("each order: average, then maximum (paler)");
    for (int n = 0; n < int(legend.size()); ++n)
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"10\">%3</text>")
                   .arg(left)
                   .arg(base + 28 + 12 * n)
                   .arg(legend.at(n));
    return QStringLiteral("<svg class=\"chart\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                          "aria-label=\"Each order as percent of its limit\">")
               .arg(left + width + 10)
               .arg(260 + 12 * legend.size()) +
           svg + QLatin1String("</svg>");
}

QString milliampChart(const QList<MilliampBar>& bars, int scaledTo, double guardBandPct)
{
    double highest = 0;
    for (const MilliampBar& bar : bars)
        highest = std::max(highest, bar.currentMa);
    if (scaledTo >= 0 && scaledTo < int(bars.size()))
        highest = std::max(highest, bars.at(scaledTo).limitMa.value_or(0));
    const auto [top, step] = chartScale(highest, 10);
    const double left = 56, width = 39 * 16, height = 220, base = 10 + height;
    QString svg = gridLines(left, width, base, height, top, step, QStringLiteral("mA"));
    const auto mark = [&](double x, double ma, const QString& colour, const QString& dash,
                          const QString& name) {
        if (ma > top)
            return QStringLiteral("<path d=\"M%1 %2 l5 -7 l5 7 z\" fill=\"%3\" "
                                  "class=\"limit-above\"><title>%4 %5 mA</title></path>")
                .arg(x)
                .arg(base - height + 7, 0, 'f', 1)
                .arg(colour, name)
                .arg(ma, 0, 'f', 1);
        const double y = base - ma / top * height;
        return QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"%4\" "
                              "stroke-width=\"2\" stroke-dasharray=\"%5\" class=\"limit-mark\">"
                              "<title>%6 %7 mA</title></line>")
            .arg(x - 2)
            .arg(x + 12)
            .arg(y, 0, 'f', 1)
            .arg(colour, dash, name)
            .arg(ma, 0, 'f', 1);
    };
    for (int n = 0; n < int(bars.size()); ++n) {
        const MilliampBar& bar = bars.at(n);
        const double x = left + n * 16 + 3;
        const double h = std::min(bar.currentMa, top) / top * height;
        if (h > 0)
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"10\" height=\"%3\" "
                                  "fill=\"%4\" stroke=\"#333\" stroke-width=\"0.5\" "
                                  "class=\"current\"><title>%5: %6 mA</title></rect>")
                       .arg(x)
                       .arg(base - h, 0, 'f', 1)
                       .arg(h, 0, 'f', 1)
                       .arg(stateFill(bar.state), orderOrdinal(n + 2))
                       .arg(bar.currentMa, 0, 'f', 1);
        const QString order = orderOrdinal(n + 2);
        if (bar.limitMa)
            svg += mark(x, *bar.limitMa, QStringLiteral("#000"), QStringLiteral("none"),
                        order + QStringLiteral(" limit"));
        if (guardBandPct > 0 && bar.guardedLimitMa)
            svg += mark(x, *bar.guardedLimitMa, QStringLiteral("#c00"), QStringLiteral("2 2"),
                        order + QStringLiteral(" guarded limit"));
        if (n % 2 == 1 || n == 0)
            svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" "
                                  "font-size=\"9\">%3</text>")
                       .arg(x + 5)
                       .arg(base + 12)
                       .arg(n + 2);
    }
    QStringList legend{QStringLiteral("bars: the window's current of each order, mA; black "
                                      "mark: its limit; a triangle: the limit is above the "
                                      "scale")};
    if (guardBandPct > 0)
        legend << QStringLiteral("dotted red: the limit less the %1 % guard band, as judged")
                      .arg(guardBandPct, 0, 'g', 6);
    for (int n = 0; n < int(legend.size()); ++n)
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"10\">%3</text>")
                   .arg(left)
                   .arg(base + 28 + 12 * n)
                   .arg(legend.at(n));
    return QStringLiteral("<svg class=\"chart\" id=\"worst-window-chart\" viewBox=\"0 0 %1 %2\" "
                          "role=\"img\" aria-label=\"The worst window's orders in mA against "
                          "their limits\">")
               .arg(left + width + 10)
               .arg(260 + 12 * legend.size()) +
           svg + QLatin1String("</svg>");
}

QString limitCaptions(const QString& limit, double guardBandPct)
{
    QString html = QStringLiteral("<th>%1</th>").arg(limit);
    if (guardBandPct > 0)
        html += QStringLiteral("<th>Guarded limit (%1 % less)</th>").arg(guardBandPct, 0, 'g', 6);
    return html;
}

QString limitCells(const QString& limit, const QString& guarded, double guardBandPct)
{
    QString html = QStringLiteral("<td class=\"limit\">%1</td>").arg(limit);
    if (guardBandPct > 0)
        html += QStringLiteral("<td class=\"limit guarded\">%1</td>").arg(guarded);
    return html;
}

QString closestOrder(const QJsonValue& closest)
{
    if (!closest.isObject())
        return QStringLiteral("none judged");
    const QJsonObject c = closest.toObject();
    return QStringLiteral("order %1, %2 % of its %3limit")
        .arg(c.value(QLatin1String("order")).toInt())
        .arg(percentFigure(c.value(QLatin1String("percent_of_limit")).toDouble()))
        .arg(c.value(QLatin1String("guarded")).toBool() ? QStringLiteral("guarded ") : QString());
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

} // namespace web
