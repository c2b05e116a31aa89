#pragma once

#include "parsed_reply.h"

#include <QString>

class Form;

// SortOut: parses the analyzer's result reply in `result` into the window.
// Fields 1 to 5 go to Wattxt, Vlttxt, AmpTxt, PfTxt and FreqTxt as the
// NumberText of their NumericValue; fields 6 and 7 are skipped; field 8 is
// copied into FundAmp as received; fields 9 to 47 go to HrmNo(0) to HrmNo(38)
// in mA (the field in A times 1000). Fields after the 47th are ignored.
//
// `result` is reworked in place into its working form: a trailing line end is
// removed and one "," appended. The fields are written one at a time, in
// order; the parse stops at the first missing field, so every field before it
// shows its new text and the later ones keep what they held.
//
// Returns how many of the 47 fields were found (47 for a complete reply, 0
// for an empty one); fields are found by position, so any length is read.
int SortOut(QString& result, Form& form, QString& FundAmp);
