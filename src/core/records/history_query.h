#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantList>

// What a history list asks of the record store: the text filter of
// `iec1000 history --filter`, narrowed further by verdict, class, kind and a
// time range, and one page of it.
struct HistoryQuery
{
    // Kept when the product, serial, operator, notes, verdict text or class
    // letter contains it, ignoring case; a record made on the simulated
    // analyzer also when kSimulatedMark ("simulated") contains it.
    QString text;
    // The verdict as stored ("Pass", "Fail", "Incomplete observation", ...).
    QString verdict = {};
    // "A" to "D".
    QString productClass = {};
    // "measurement" or "observation".
    QString kind = {};
    // Measured from `from` (inclusive) up to `until` (exclusive); an invalid
    // time sets no bound.
    QDateTime from = {};
    QDateTime until = {};
    // At most `limit` records (all when <= 0), skipping the first `offset`.
    int limit = 0;
    int offset = 0;
};

// The WHERE clause of a history query (empty when nothing narrows it) and
// the values bound to its placeholders, in order, for a store of
// `schemaVersion` (before version 2 only the verdict and class are
// searched; before version 4 every record is a measurement). TextLookup::Index
// (a store that keepsSearchIndex(), a text indexFinds()) takes the records
// that hold the text from the full-text index instead of reading every row.
struct HistoryCondition
{
    QString where;
    QVariantList values;
};
enum class TextLookup { Scan, Index };
HistoryCondition historyCondition(const HistoryQuery& query, int schemaVersion,
                                  TextLookup lookup = TextLookup::Scan);

// Whether the full-text index can find `text`: three characters or more.
bool indexFinds(const QString& text);
// The full-text query (FTS5) of the records that hold `text` anywhere in
// their search text, ignoring case.
QString indexPhrase(const QString& text);
