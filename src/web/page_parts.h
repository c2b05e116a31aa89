#pragma once

#include "pdf_chart.h"
#include "record_header.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUrlQuery>

#include <optional>

class QJsonArray;

// The parts the pages share: cells, rows, the record's heading, product
// table and downloads, and the SVG charts of % of limit. Internal to the web
// face: only its pages include it.
namespace web {

// The CSS class of a verdict text: its colour as the window shows it.
QString verdictClass(const QString& verdict);

// A number of the JSON with `decimals` decimals; a text as it is; "&ndash;"
// for none.
QString numberText(const QJsonValue& value, int decimals = 1);

// A % of limit with one decimal and " %"; "&ndash;" for none.
QString percentCell(const QJsonValue& value);

// A harmonic's state cell ("pass", "fail", "not_tested", ...), its class
// named after it.
QString stateCell(const QString& state);

// A row of a fields table: its caption and its cell, `html` as it is.
QString row(const QString& caption, const QString& html);

// A record page's Product section: the product and lab fields, those that
// are not empty.
QString productSection(const RecordHeader& record);

// A record page's heading: "Record <id>", what it is, and its verdict in
// the class `verdictCss`.
QString heading(qint64 id, const QString& what, const QString& verdict, const QString& verdictCss);

// The links to record `id`'s reports: PDF, CSV and JSON.
QString downloads(qint64 id);

// The horizontal grid of a chart, a line and its label (the figure and
// `unit`) every `step` up to `top`, `height` high above `base`, `width` wide
// from `left`.
QString gridLines(double left, double width, double base, double height, double top, double step,
                  const QString& unit = QStringLiteral("%"));

// A bar's fill for an order's state ("pass", "fail", "not_tested", ...).
QString stateFill(const QString& state);

// One order of a percentChart: its (average) % of limit, its state, and an
// observation's maximum % beside it.
struct ChartBar
{
    double percent = 0;
    QString state;
    std::optional<double> maximum = std::nullopt;
};

// A bar chart of % of limit, one bar an order (two with a maximum: the
// average, then the maximum paler), coloured by its state, on the PDF
// chart's scale (chartScale, at least `lowestTop`), with a dashed line at
// each of `lines` (% of the limit) and, under a guard band of
// `guardBandPct`, a dotted one where it puts each.
QString percentChart(const QList<ChartBar>& bars, const QList<double>& lines = {100},
                     double guardBandPct = 0, double lowestTop = kChartMinTopPercent);

// One order of a milliampChart: its current and limit in mA (none where
// the class sets none), the limit less the guard band, and its state.
struct MilliampBar
{
    double currentMa = 0;
    std::optional<double> limitMa;
    std::optional<double> guardedLimitMa;
    QString state;
};

// A bar chart of currents in mA, one bar an order from the 2nd, coloured by
// its state, each order's limit a black mark across its bar and, under a
// guard band of `guardBandPct`, the guarded limit a dotted red one. The
// scale reaches the highest current or the limit of order `scaledTo` (a
// cell), whichever is higher; a limit above it is a triangle at the top.
QString milliampChart(const QList<MilliampBar>& bars, int scaledTo, double guardBandPct);

// The harmonics table's limit cell and, under a guard band, the guarded
// limit's cell beside it (both HTML as they are).
QString limitCells(const QString& limit, const QString& guarded, double guardBandPct);
// Their captions, as limitCells fills them.
QString limitCaptions(const QString& limit, double guardBandPct);

// The record's closest order (its JSON's "closest": judged orders only), in
// words ("order 19, 95.0 % of its guarded limit" under a guard band); "none
// judged" without one.
QString closestOrder(const QJsonValue& closest);

// The links to the previous and next page of `base`, `key` in `query` the
// page number (none for page 1), around "page <page>".
QString pageLinks(const QString& base, QUrlQuery query, const QString& key, int page, bool hasNext);

} // namespace web
