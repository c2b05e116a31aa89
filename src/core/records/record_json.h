#pragma once

#include "judgement.h"
#include "observation.h"
#include "parsed_reply.h"

#include <QJsonObject>
#include <QString>

// The reply and the judgement as the record store keeps them: one compact
// JSON object each. A null text is written as JSON null and read back as a
// null QString; an empty one stays empty.
//
// reply: {"fields": [47 texts], "watts", "volts", "amps", "powerFactor",
// "frequency", "fundAmp": text, "harmonics": [harmonic texts]}.
// judgement: {"limits": [texts], "currents": [texts], "states": [cell state
// names, "pass" ...]}, one entry a harmonic cell.
QString replyJson(const ParsedReply& reply);
QString judgementJson(const Judgement& judgement);

// Fill the fields and texts (reply) or the limits, currents and states
// (judgement) from a stored document; false when it is not of that form (an
// array of another length, an unknown cell state). The line and field count
// of a reply, and the class, power and evaluation of a judgement, are kept in
// columns of their own and are left as they are.
bool readReplyJson(const QString& json, ParsedReply* reply);
bool readJudgementJson(const QString& json, Judgement* judgement);

// A recording's facts as a record keeps them and a report shows them:
// {"file": {"name", "size_bytes", "sha256"}, "channels": {"voltage",
// "current"}, "sample_rate_hz", "periods_per_window", "frequency_hz",
// "thd_pct", "crest_factor", "highest_power_w", "supply": {"volts_lowest",
// "volts_highest", "hz_lowest", "hz_highest", "crest_lowest",
// "crest_highest", "warning"}}. Read back: false when a figure is missing.
QJsonObject recordingFactsJson(const RecordingFacts& facts);
bool readRecordingFacts(const QJsonObject& json, RecordingFacts* facts);
