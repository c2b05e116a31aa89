#pragma once

#include "record_header.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUrlQuery>

#include <utility>

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

// The horizontal grid of a chart, a line and its "% " label every `step` up
// to `top`, `height` high above `base`, `width` wide from `left`.
QString gridLines(double left, double width, double base, double height, double top, double step);

// A bar chart of % of limit, one bar an order, coloured by its state, on
// the PDF chart's scale (chartScale), with the 100 % line.
QString percentChart(const QList<std::pair<double, QString>>& bars);

// The record's closest order (its JSON's "closest": judged orders only), in
// words; "none judged" without one.
QString closestOrder(const QJsonValue& closest);

// The links to the previous and next page of `base`, `key` in `query` the
// page number (none for page 1), around "page <page>".
QString pageLinks(const QString& base, QUrlQuery query, const QString& key, int page, bool hasNext);

} // namespace web
