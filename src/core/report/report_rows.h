#pragma once

#include "cycle_result.h"

#include <QString>

#include <optional>

// What the renderings show of one measurement, shared by the formats and the
// PDF report.

// Whether field `field` (1 to 47) of the reply arrived whole: it was found,
// and it is not the last field of a reply that had not ended when it was read
// (a reply cut off inside a field, "head -c 200", has that field cut too).
bool receivedWhole(const ParsedReply& reply, int field);

// The value of field `field` (1 to 5) as the window shows it; empty when it
// did not arrive whole.
QString shownValue(const CycleResult& result, int field);

// The current of harmonic cell `cell` as the window shows it, in mA: the
// judged current when the class judged the measurement, the parsed one
// otherwise; empty when not found, not arrived whole or not judged by the
// class.
QString shownCurrent(const CycleResult& result, int cell);

// The state of harmonic cell `cell` as the reports show it; none (no value)
// for an order of a partly received reply whose field did not arrive whole,
// which was never "not tested". A reply not received at all keeps the states
// it was given.
std::optional<CellState> shownState(const CycleResult& result, int cell);

// shownState's name (cellStateName); empty for none.
QString shownStateName(const CycleResult& result, int cell);

// The harmonic's current as a percentage of its limit; nothing when the cell
// has no current or no (positive) limit.
std::optional<double> percentOfLimit(const CycleResult& result, int cell);

// The tested order closest to its limit (closestOrder) of a result that has
// a verdict (Pass or Fail); nothing for one without.
std::optional<ClosestOrder> closestOf(const CycleResult& result);

// The problem the operator was told, with the evaluation's problem when the
// cycle's does not already say it; empty when there is none.
QString reportedProblem(const CycleResult& result);

// Why a result has no verdict, for the report: the problem the operator was
// told, else what its verdict means ("The test was stopped ..."); the
// reported problem (mostly empty) for Pass and Fail.
QString verdictReason(const CycleResult& result);

// What arrived of the reply, in words: "complete reply", "no reply
// received", "incomplete reply: 12 of 47 values", ...
QString replySummary(const CycleResult& result);

// For Class D: how far the measured power lies from the typed one the limits
// were computed from, in % of the typed power (positive when the analyzer
// measured more); nothing for another class or when either is not a number
// or the typed power is not above 0.
std::optional<double> powerDeviation(const CycleResult& result);

// The edition a judgement was made by, as the outputs name it
// (editionTitle): "IEC 61000-3-2:2018+A1:2020", with ", professional
// equipment" when the equipment was taken as such.
QString editionShown(Edition edition, bool professional);

// Class D: the power its limits came from, "typed 75 W" or "measured 60 W";
// empty for another class or when no limit was computed (Judgement::basisW).
QString powerBasisShown(const Judgement& judgement);

// True for the characters that reorder the text around them when it is laid
// out: the embeddings, overrides and isolates (U+202A to U+202E, U+2066 to
// U+2069) and the marks U+200E, U+200F and U+061C.
bool isBidiControl(QChar c);

// True for the invisible format characters (Unicode category Cf): the bidi
// controls, the zero-width space, joiners and word joiner (U+200B to U+200D,
// U+2060), the soft hyphen, the byte order mark, the tags beyond U+FFFF.
bool isInvisibleFormat(char32_t u);

// `text` as it can be printed on a terminal: every control character (C0, DEL,
// C1), every invisible format character (isBidiControl, isInvisibleFormat)
// and the backslash written as an escape ("\r", "\n", "\t", "\\", "\x1b",
// "\x7f", "\u202e", "\u200b", "\U000e0041"). A line end or an escape sequence
// in a stored text then neither breaks a line nor reaches the terminal, no
// text reorders what follows it, and no character is there unseen.
QString escapedText(const QString& text);

// A message of the tool's own, made of lines, that may quote other texts: each
// line as escapedText writes it, the line ends kept.
QString escapedMessage(const QString& message);

// The reply line as escapedText writes it.
inline QString escapedReply(const QString& line)
{
    return escapedText(line);
}
