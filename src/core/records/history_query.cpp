#include "history_query.h"

#include "record_header.h"

#include <QStringList>

namespace {

// A LIKE pattern that holds `text` anywhere, its wildcards taken literally.
QString containing(const QString& text)
{
    QString pattern = text.toCaseFolded();
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + pattern + QLatin1Char('%');
}

} // namespace

bool indexFinds(const QString& text)
{
    // The index holds every three characters (code points) of the text.
    return text.toCaseFolded().toUcs4().size() >= 3;
}

QString indexPhrase(const QString& text)
{
    // A phrase in double quotes is taken literally, its quotes doubled; the
    // trigram index finds it anywhere, as LIKE does.
    QString phrase = text.toCaseFolded();
    phrase.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + phrase + QLatin1Char('"');
}

HistoryCondition historyCondition(const HistoryQuery& query, int schemaVersion, TextLookup lookup)
{
    QStringList terms;
    QVariantList values;
    if (!query.text.isEmpty()) {
        const QString pattern = containing(query.text);
        QStringList matches;
        if (lookup == TextLookup::Index) {
            matches << QStringLiteral("id IN (SELECT rowid FROM measurements_search "
                                      "WHERE measurements_search MATCH ?)");
            values << indexPhrase(query.text);
        } else if (schemaVersion >= 2) {
            matches << QStringLiteral("search LIKE ? ESCAPE '\\'");
            values << pattern;
        } else {
            matches << QStringLiteral("lower(verdict) LIKE ? ESCAPE '\\'")
                    << QStringLiteral("lower(product_class) LIKE ? ESCAPE '\\'");
            values << pattern << pattern;
        }
        // The mark a list shows for a record made on the simulated analyzer.
        if (QLatin1String(kSimulatedMark).contains(query.text, Qt::CaseInsensitive)) {
            matches << QStringLiteral("device LIKE ? ESCAPE '\\'");
            values << QString(QLatin1String(kSimulatedDevicePrefix) + QLatin1Char('%'));
        }
        terms << (matches.size() == 1
                      ? matches.first()
                      : QStringLiteral("(%1)").arg(matches.join(QLatin1String(" OR "))));
    }
    if (!query.verdict.isEmpty()) {
        terms << QStringLiteral("verdict = ?");
        values << query.verdict;
    }
    if (!query.productClass.isEmpty()) {
        terms << QStringLiteral("product_class = ?");
        values << query.productClass;
    }
    if (!query.kind.isEmpty()) {
        if (schemaVersion >= 4) {
            terms << QStringLiteral("kind = ?");
            values << query.kind;
        } else if (query.kind != QLatin1String("measurement")) {
            terms << QStringLiteral("1 = 0");
        }
    }
    if (query.from.isValid()) {
        terms << QStringLiteral("measured_ms >= ?");
        values << query.from.toMSecsSinceEpoch();
    }
    if (query.until.isValid()) {
        terms << QStringLiteral("measured_ms < ?");
        values << query.until.toMSecsSinceEpoch();
    }
    return {terms.isEmpty() ? QString()
                            : QStringLiteral(" WHERE ") + terms.join(QLatin1String(" AND ")),
            values};
}
