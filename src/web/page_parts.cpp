#include "page_parts.h"

#include "conversions.h"
#include "html.h"
#include "pdf_chart.h"

#include <QJsonArray>
#include <QJsonObject>

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
            html +=
                row(caption, QStringLiteral("<span class=\"stored\">%1</span>").arg(text(value)));
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

QString closestOrder(const QJsonValue& closest)
{
    if (!closest.isObject())
        return QStringLiteral("none judged");
    const QJsonObject c = closest.toObject();
    return QStringLiteral("order %1, %2 % of its limit")
        .arg(c.value(QLatin1String("order")).toInt())
        .arg(percentFigure(c.value(QLatin1String("percent_of_limit")).toDouble()));
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
