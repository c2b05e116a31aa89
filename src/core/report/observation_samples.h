#pragma once

#include "observation_record.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

// Every sample of an observation, one row each, for a spreadsheet or a
// script: `iec1000 report ID --samples` and the record page's downloads.
// Columns: sample (its number, from 1), start_s (seconds after the start,
// one decimal), measured_at (ISO 8601), state (the sample's own verdict:
// "Pass", "Fail", "Incomplete result", ...), volts, amps, watts,
// power_factor, frequency, fundamental_a (the reply's field 8), h2_ma to
// h40_ma (the harmonics, mA). A value the reply did not hold as a number (a
// cut reply, none read) is empty in CSV and null in JSON.

// The columns, in order.
QStringList sampleColumns();

// RFC 4180: the columns as a header line, then one line a sample, each ended
// by CR LF.
QString observationSamplesCsv(const ObservationRecord& record);

// One object a sample, its keys the columns; numbers as numbers.
QJsonArray observationSamplesJson(const ObservationRecord& record);
