#pragma once

#include "measurement.h"
#include "parsed_reply.h"

#include <QDateTime>

// The source name of a measurement the Zento analyzer took.
inline constexpr const char* kZentoSource = "zento";

// The measurement a parsed result reply holds, taken at `takenAt`: fields 1
// to 5 as shown, field 8 as received, the harmonics in mA, the power factor
// as sent (field 4) to quote; null where a field was not found.
Measurement zentoMeasurement(const ParsedReply& reply, const QDateTime& takenAt = {});
