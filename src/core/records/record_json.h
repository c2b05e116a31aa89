#pragma once

#include "judgement.h"
#include "parsed_reply.h"

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
