#pragma once

#include "recording_judgement.h"

#include <QJsonObject>
#include <QString>

// What `iec1000 analyze` prints of a judged recording. JSON: the keys of an
// observation's judgement (verdict, class, power, edition, guard_band_pct,
// rules, harmonics with limit_ma, guarded_limit_ma, average_ma, maximum_ma,
// average_pct, maximum_pct, state and provision_used; closest; pohc; Class
// D power_basis, basis_w and highest_power_w; problem, failure_reason,
// notes) plus source ("recording"), file {name, size_bytes, sha256},
// channels {voltage, current}, sample_rate_hz, windows, window_s,
// duration_s, periods_per_window, frequency_hz, thd_pct, crest_factor,
// incomplete and supply {volts_lowest, volts_highest, hz_lowest, hz_highest,
// crest_lowest, crest_highest, warning}.
QJsonObject recordingJson(const JudgedRecording& judged);
QString recordingText(const JudgedRecording& judged);
