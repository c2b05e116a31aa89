#include "pages.h"

#include "history_formats.h"
#include "html.h"
#include "page_parts.h"
#include "result_formats.h"

#include <QRegularExpression>

#include <tuple>

// The history page and the filter its URL holds.

namespace web {

namespace {

const QStringList kVerdicts{QStringLiteral("Pass"),
                            QStringLiteral("Fail"),
                            QStringLiteral("No result received"),
                            QStringLiteral("Line failed"),
                            QStringLiteral("Stopped"),
                            QStringLiteral("Incomplete observation")};

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
        query.kind != QLatin1String("observation") && query.kind != QLatin1String("waveform"))
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
            option(QStringLiteral("waveform"), QStringLiteral("waveform"), value("kind")) +
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
            "<th>Serial</th><th>Operator</th><th>Bench</th><th>Edition</th></tr></thead>"
            "<tbody>");
        for (const RecordSummary& r : records) {
            const QString verdict = historyVerdict(r);
            body += QStringLiteral("<tr><td><a href=\"/records/%1\">%1</a></td><td>%2</td>"
                                   "<td>%3</td><td>%4</td><td>%5</td>"
                                   "<td class=\"%6\">%7</td><td class=\"stored\">%8</td>"
                                   "<td class=\"stored\">%9</td>")
                        .arg(r.id)
                        .arg(text(isoTimestamp(r.measuredAt)), text(r.kind),
                             text(classLetter(r.productClass)), storedText(r.power),
                             verdictClass(verdict), text(verdict), storedText(r.product),
                             storedText(r.serial));
            body += QStringLiteral("<td class=\"stored\">%1</td><td>%2</td><td>%3</td></tr>")
                        .arg(storedText(r.operatorName), storedText(historyPortText(r)),
                             text(editionName(r.edition)));
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

} // namespace web
