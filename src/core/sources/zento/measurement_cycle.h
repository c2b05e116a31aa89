#pragma once

#include "class_choice.h"
#include "cycle_result.h"
#include "interruption.h"
#include "session_observer.h"

#include <QByteArray>
#include <QString>

#include <optional>

class Clock;
class CommandChannel;
class SerialPort;

// Follows a measurement cycle.
class CycleObserver : public SessionObserver
{
public:
    enum class Step {
        Triggered, // "*TRG" sent
        Waiting,   // "*STB?" sent, the status is polled
        Retrieving // ":FRD?" sent, the reply is awaited
    };

    // The cycle has begun (after its first dispatch point).
    virtual void cycleStarted() = 0;
    // The results of the previous cycle are no longer valid.
    virtual void resultsCleared() = 0;
    virtual void step(Step) {}
    // During the waits after "*TRG" (5 s) and ":FRD?" (3 s): the whole
    // seconds still to wait, first the wait's full length, then after each
    // change of the clock's seconds, 0 once the wait is over or stopped.
    // Neither what is sent nor when depends on it.
    virtual void waiting(int /*secondsLeft*/) {}
    // The last sentence of the problem when the line fails during a cycle:
    // what the operator does next.
    virtual QString lineFailureAdvice() const
    {
        return QStringLiteral("Log off, check the connection, then log on again.");
    }
    // The cycle's end, with or without a verdict. Not called when the
    // cycle was abandoned.
    virtual void cycleEnded(const CycleResult& result) = 0;
};

// One measurement cycle, from the trigger to the verdict:
//
//   "*TRG", Delay "5", "*STB?", poll the status until it reads 1 (at most
//   20 s), ":FRD?", Delay "3", Incoming, SortOut, Limits, the verdict.
//
// Three dispatch points, where it polls the face's Interruption: before the
// cycle changes anything, after cycleStarted(), after "*STB?". Progress 10,
// 20, 35, 50, 75, 90.
class MeasurementCycle
{
public:
    // The status poll gives up when the status has not read 1 for this long.
    static constexpr int kStatusPollLimitMs = 20000;
    // The most characters of a status line the poll keeps.
    static constexpr qsizetype kStatusLimit = 1024;

    MeasurementCycle(SerialPort& port, CommandChannel& channel, Clock& clock);

    // Runs one cycle under `choice`, reported to `observer`, interrupted as
    // `interruption` says; nothing when the cycle was abandoned.
    std::optional<CycleResult> run(ClassChoice choice, CycleObserver& observer,
                                   Interruption& interruption);
    // During a run, at a dispatch point: the operator changed the class or
    // the Class D power while the face handled its events (the window's
    // power field stays editable during a cycle). The reply is judged under
    // the choice as last restated.
    void restate(const ClassChoice& choice) { m_choice = choice; }
    // Whether the last run sent "*TRG": only such a cycle is a measurement.
    bool triggered() const { return m_triggered; }

    // The result reply in what arrived after ":FRD?": the last line that
    // ended, empty lines and lines before it left out. When characters
    // follow it without a line end, those are the reply, not ended. `cut`:
    // the characters in front of `input` were dropped, so a reply that starts
    // at its beginning is not whole.
    struct ReplyLine
    {
        QString text; // as received, its line end included
        bool ended = false;
        bool whole = true;
    };
    static ReplyLine replyLine(const QString& input, bool cut);

    // The verdict a parsed, judged reply comes to, and what the operator is
    // told about it.
    static Verdict replyVerdict(const ReplyLine& line, const ParsedReply& reply,
                                const Judgement& judgement, QString* problem);

private:
    enum class Status { Ready, NoAnswer, LineFailed, Interrupted };

    Status pollStatus();
    // A dispatch point: nothing when the cycle goes on; otherwise how run()
    // ends (no result when it was abandoned, "Stopped" on a stop).
    std::optional<std::optional<CycleResult>> afterDispatchPoint(CycleObserver& observer);
    CycleResult endWithout(CycleObserver& observer, Verdict verdict, const QString& problem);
    std::optional<QString> lineFailure(const CycleObserver& observer) const;
    // Delay `seconds` as the channel waits it, telling the observer the
    // seconds left; false when the interruption stopped it.
    bool delay(CycleObserver& observer, const QString& seconds);

    SerialPort& m_port;
    CommandChannel& m_channel;
    Clock& m_clock;
    // The last status line the analyzer sent during a poll, for messages.
    QByteArray m_lastStatus;
    bool m_triggered = false;
    // The running cycle's class and interruption.
    ClassChoice m_choice;
    Interruption* m_interruption = nullptr;
};
