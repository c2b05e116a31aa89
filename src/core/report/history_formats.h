#pragma once

#include "record_store.h"

#include <QJsonArray>
#include <QList>
#include <QString>

// The history of the record store (a list of RecordSummary, newest first) as
// the command line prints it.

// The verdict a history line says: an observation's as stored ("Incomplete
// observation" is one of its own), a measurement's verdict; a Pass or Fail
// under a guard band says so ("Fail (10 % guard band)").
QString historyVerdict(const RecordSummary& record);

// One object a record: id, measured_at, class, power, verdict, product,
// serial, operator, port, kind ("measurement" or "observation"), simulated
// (true when made on the built-in simulated analyzer).
QJsonArray historyJson(const QList<RecordSummary>& records);
// The JSON's keys as columns, in its order, one row a record ("yes" or "no"
// for simulated).
QString historyCsv(const QList<RecordSummary>& records);
// A table for a terminal, one line a record, its stored texts escaped
// (escapedText), the port of a record made on the simulated analyzer marked
// "Com 1 (simulated)"; "No measurements recorded." when there are none.
QString historyText(const QList<RecordSummary>& records);
// The port as a list shows it, not escaped: "Com 1", or "Com 1 (simulated)"
// for a record made on the simulated analyzer.
QString historyPortText(const RecordSummary& record);
