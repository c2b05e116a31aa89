#pragma once

#include "class_evaluation.h"
#include "parsed_reply.h"

#include <QString>

// SortOut: parses one result reply. Fields 1 to 5 are shown as the
// NumberText of their NumericValue; fields 6 and 7 are not used; field 8 is
// the fundamental current as received; fields 9 to 47 are harmonics 2 to 40 in mA (the field
// in A times 1000). Fields after the 47th are ignored. A trailing line end
// (CR LF, LF or CR) is removed before the fields are split, nothing else, so
// a reply without one keeps its last digit. The parse stops at the first
// missing field; fields are found by position, so any length is read.
// Fields after the 47th are not shown, but such a reply is not judged either
// (see invalidReplyProblem).
ParsedReply SortOut(const QString& reply);

// Whether a field's text is a number: blanks (spaces), an optional sign,
// digits with an optional "." fraction (".5" and "5." are numbers, "." is
// not), an optional exponent with digits, blanks; one line feed may close it.
bool isNumberText(const QString& text);

// The first value or harmonic field (1 to 5, 9 to 47; 8 when it is number
// text) among those found whose text is not a number (optional blanks around
// an optional sign, digits with an optional "." fraction and an optional
// exponent) or is no measured value: a magnitude of 9.9E+37 or more (the
// over-range code an analyzer sends for a value it cannot represent) or
// beyond the range of a double. 0 when there is none. Field 8 as text that
// is no number is left to Class C, the one class that reads it.
int firstFieldNotANumber(const ParsedReply& reply);

// The first current field (3, the rms current; 8, the fundamental; 9 to 47,
// the harmonics) among those found that is a number above 1000 A: the
// standard covers equipment of at most 16 A per phase, so such a current is
// no measurement. 0 when there is none.
int firstCurrentAboveLimit(const ParsedReply& reply);

// What the operator is told about that field: its number, what it holds, the
// text received (printable, at most 40 characters) and, for a value out of
// range, why it is none.
QString fieldNotANumberMessage(const ParsedReply& reply, int field);

// How many comma-separated fields the reply line holds, also those after the
// 47th: one more than its commas once one line end is taken off its end; 0
// for an empty line. Counted from reply.line, so a stored reply counts alike.
int fieldsReceived(const ParsedReply& reply);

// The first magnitude field (1 to 3 and 5: power, volts, amps, frequency; 8:
// the fundamental current; 9 to 47: the harmonics) among those found that is
// a number below zero; 0 when there is none. The power factor (field 4) may
// be negative. A field that reads as zero whatever its sign ("-0", "-0.0",
// or a negative number too small for a double) is not negative: it is no
// magnitude below zero, and the window shows it as 0. Field 8 counts only
// when it is a number; Class C tells about one that is not.
int firstNegativeField(const ParsedReply& reply);

// Why a complete reply (47 fields found, ended) cannot be judged, for the
// verdict "Invalid result"; empty when it can. In this order: more than 47
// fields ("47 fields expected, 94 received": two result lines glued by a
// comma are not one measurement), then the first field that is not a number
// (firstFieldNotANumber), is negative (firstNegativeField) or is a current
// above 1000 A (firstCurrentAboveLimit), whichever comes first.
QString invalidReplyProblem(const ParsedReply& reply);

// A result reply saved to a file, as the line a cycle would have read: the
// end of the file ends the line of a whole reply (47 fields or more) saved
// without its line end; a shorter one was cut, its last field too, and stays
// without one.
QString savedReplyLine(const QByteArray& content);

// The inputs of the class evaluations in a parsed reply: those of the
// measurement it holds (zentoMeasurement).
MeasuredValues measuredValues(const ParsedReply& reply);
