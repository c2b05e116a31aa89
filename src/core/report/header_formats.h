#pragma once

#include "record_header.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// JSON: record_id (once stored; null, with record_problem saying why, when
// it was taken but could not be kept), store (when in one), port, device,
// tool_version, simulated (true on the built-in simulated analyzer), product,
// serial, operator, notes, lab, instrument and conditions ("" when not
// given), added to `json`.
void insertHeader(QJsonObject& json, const RecordHeader& header);

// CSV: the columns of insertHeader's keys in that order, and the values of
// one record ("" for an id not given yet; "yes" or "no" for simulated).
QStringList headerColumns();
QStringList headerValues(const RecordHeader& header);

// The record's id with the store beside it: "17 (store: records.sqlite)";
// the id alone when in no store known; "" before the store gave an id.
QString recordIdText(const RecordHeader& header);

// Text: "Record:" (recordIdText), "Device:" when made on the simulated
// analyzer, and the product fields that are not empty ("Analyzer:" for the
// instrument), a captioned line each, texts escaped (escapedText).
QString headerText(const RecordHeader& header);
