#pragma once

#include "judgement.h"
#include "measurement.h"
#include "parsed_reply.h"

#include <QDateTime>
#include <QString>

#include <optional>

// How a measurement cycle ended. Only a complete, valid reply that was judged
// is Pass or Fail.
enum class Verdict {
    Pass,                 // judged, no harmonic above its limit
    Fail,                 // judged, at least one harmonic above its limit
    IncompleteResult,     // fewer than 47 fields, or no line end when read
    InvalidResult,        // more than 47 fields, or a value or harmonic field
                          // that is not a number, out of range (9.9E+37 or
                          // more), negative, or a current above 1000 A
    NoResultReceived,     // no result reply at all
    NoVerdict,            // the class's inputs did not convert, or no class
    AnalyzerDidNotAnswer, // the status did not read 1 within 20 s
    LineFailed,           // the serial line failed during the cycle
    Stopped,              // stopped by the operator (or a signal)
    NotLimited,           // the edition sets no limits for this equipment
};

// The verdict field's text: "Pass", "Fail", "Incomplete result", "Invalid
// result", "No result received", "No verdict", "Analyzer did not answer",
// "Line failed", "Stopped", "Not limited".
QString verdictText(Verdict verdict);
std::optional<Verdict> verdictFromText(const QString& text);
// Pass or Fail.
bool isJudged(Verdict verdict);
// What a command's exit status and a production line count as passed:
// Pass, or Not limited (the edition sets no limits for the equipment).
bool isPassing(Verdict verdict);

// One measurement cycle, as a value: what the window shows, the command line
// prints, the record store keeps and a report renders.
struct CycleResult
{
    Verdict verdict = Verdict::NoResultReceived;
    // Empty (fieldsFound 0, line empty) when the cycle ended before the
    // reply was read.
    ParsedReply reply;
    // The evaluation of the selected class; status NoClass and every cell
    // NotJudged when none ran.
    Judgement judgement;
    // When the reply was read, or the cycle ended without one; local time.
    QDateTime measuredAt;
    // What the operator is told about a cycle that ended without Pass or
    // Fail (the message box text); empty otherwise.
    QString problem;

    // The measurement the reply holds, as every face, report and the
    // observation read it: its values, its time and its source. The reply
    // stays the source's own record of it.
    Measurement measurement() const;
};

// The verdict at the lab's Class D power basis (Judgement::lab) of a reply
// judged Pass or Fail: Pass, Fail, or No verdict where the lab's basis
// gives no limits; nothing without a lab basis.
std::optional<Verdict> labVerdict(const CycleResult& result);
// The worse of the verdict and the lab's: Fail when either fails.
Verdict worseOfBoth(const CycleResult& result);
