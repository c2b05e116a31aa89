#include "html.h"

#include "report_rows.h"

#include <algorithm>

namespace web {

QString text(const QString& plain)
{
    const QString escaped = escapedText(plain);
    QString html;
    html.reserve(escaped.size() + escaped.size() / 8);
    for (const QChar c : escaped) {
        switch (c.unicode()) {
        case '&':
            html += QLatin1String("&amp;");
            break;
        case '<':
            html += QLatin1String("&lt;");
            break;
        case '>':
            html += QLatin1String("&gt;");
            break;
        case '"':
            html += QLatin1String("&quot;");
            break;
        case '\'':
            html += QLatin1String("&#39;");
            break;
        default:
            html += c;
        }
    }
    return html;
}

QString storedText(const QString& stored, int shown)
{
    // Characters, not UTF-16 units: a pair of surrogates is one, never cut.
    const qsizetype units = stored.size();
    const qsizetype characters = units - std::count_if(stored.begin(), stored.end(),
                                                       [](QChar c) { return c.isLowSurrogate(); });
    if (characters <= shown)
        return text(stored);
    qsizetype cut = 0;
    for (int taken = 0; taken < shown && cut < units; ++taken)
        cut += stored.at(cut).isHighSurrogate() && cut + 1 < units ? 2 : 1;
    return text(stored.left(cut)) +
           QStringLiteral("<span class=\"cut\">&hellip; (%1 characters in all; the downloads "
                          "hold it whole)</span>")
               .arg(characters);
}

QString document(const QString& title, const QString& body, const QString& script)
{
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\">"
                       "<title>%1 - iec1000</title>"
                       "<link rel=\"stylesheet\" href=\"/static/style.css\"></head>\n"
                       "<body><header><a href=\"/\">iec1000</a> "
                       "<span>harmonic currents, IEC 1000-3-2</span></header>\n<main>")
            .arg(text(title));
    page += body;
    page += QLatin1String("</main>");
    if (!script.isEmpty())
        page += QStringLiteral("<script src=\"%1\"></script>").arg(attribute(script));
    page += QLatin1String("</body></html>\n");
    return page;
}

} // namespace web
