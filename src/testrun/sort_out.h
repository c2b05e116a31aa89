#pragma once

#include "class_evaluation.h"
#include "parsed_reply.h"

#include <QString>

class Form;

// SortOut: parses one result reply. Fields 1 to 5 are shown as the
// NumberText of their NumericValue; fields 6 and 7 are not used; field 8 is
// FundAmp as received; fields 9 to 47 are harmonics 2 to 40 in mA (the field
// in A times 1000). Fields after the 47th are ignored. A trailing line end
// (CR LF, LF or CR) is removed before the fields are split, nothing else, so
// a reply without one keeps its last digit. The parse stops at the first
// missing field; fields are found by position, so any length is read.
ParsedReply SortOut(const QString& reply);

// Writes the fields found into Wattxt, Vlttxt, AmpTxt, PfTxt, FreqTxt and
// HrmNo; the others keep what they held.
void showReply(Form& form, const ParsedReply& reply);

// The first value or harmonic field (1 to 5, 9 to 47) among those found whose
// text is not a number (optional blanks around an optional sign, digits with
// an optional "." fraction and an optional exponent; a number beyond the
// range of a double still is one); 0 when every such field is a number.
int firstFieldNotANumber(const ParsedReply& reply);

// What the operator is told about that field: its number, what it holds and
// the text received (printable, at most 40 characters).
QString fieldNotANumberMessage(const ParsedReply& reply, int field);

// The inputs of the class evaluations in a parsed reply.
MeasuredValues measuredValues(const ParsedReply& reply);
