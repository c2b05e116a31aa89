#pragma once

#include "cycle_result.h"
#include "measurement_cycle.h"
#include "observation_rules.h"
#include "session_observer.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class Clock;
class CommandChannel;
class SerialPort;

// "Pass", "Fail", "Incomplete observation", "Line failed", "Stopped".
QString observationVerdictText(ObservationVerdict verdict);

// What the rules read of one cycle; nothing for a cycle that was not judged
// (not Pass or Fail): such a sample is counted, never used as a value.
std::optional<RuleSample> ruleSampleOf(const CycleResult& result);

// One cycle of an observation.
struct ObservedSample
{
    // When the cycle began: seconds after the observation's start, on the
    // steady clock.
    double startS = 0;
    // Judged or not; its measuredAt is when its reply was read.
    CycleResult result;
};

// A timed observation, as a value: what the window shows, the command line
// prints, the record store keeps and a report renders.
struct ObservationResult
{
    ObservationVerdict verdict = ObservationVerdict::IncompleteObservation;
    ClassChoice choice;
    // The duration asked for, s.
    int durationS = 0;
    // From the start to the end of the last cycle, s.
    double elapsedS = 0;
    // Every sample taken, judged or not, in order.
    QList<ObservedSample> samples;
    int samplesNotJudged = 0;
    // The mean time between the starts of the samples, s; with one sample,
    // its length; 0 without any.
    double sampleIntervalS = 0;
    ObservationJudgement judgement;
    // The start, local time.
    QDateTime measuredAt;
    // Why the observation ended early (the line failed) or did not start (a
    // duration out of range); empty otherwise.
    QString problem;
};

// The samples judged again, for instance after judgeAgain() under another
// class.
ObservationJudgement judgeSamples(const QList<ObservedSample>& samples, const ClassChoice& choice,
                                  ObservationEnd end);

// Follows an observation. The dispatch points and the interruption questions
// of every cycle come here as they would for one cycle.
class ObservationObserver : public SessionObserver
{
public:
    // Sample `index` (from 0) begins: its cycle is about to start.
    virtual void sampleStarted(int /*index*/) {}
    virtual void step(CycleObserver::Step) {}
    // The seconds of a wait in the cycle, as CycleObserver::waiting.
    virtual void waiting(int /*secondsLeft*/) {}
    // Whole seconds of the duration left, rounded up, when that changes; 0
    // once it has passed (a cycle that has started still completes).
    virtual void secondsLeft(int /*seconds*/) {}
    // Sample `index` has ended, with the judgement of the samples so far
    // (verdict as if the observation ended now). A store writes the sample
    // here, as it arrives.
    virtual void sampleTaken(int index, const ObservedSample& sample,
                             const ObservationJudgement& running) = 0;
    // As CycleObserver::lineFailureAdvice; empty for the cycle's own.
    virtual QString lineFailureAdvice() const { return QString(); }
};

// A timed observation: measurement cycles back to back, each with exactly
// the commands, waits and bounds of one cycle, on a session already logged
// on, until the duration has passed on the clock. A cycle that has started
// when the duration ends completes and counts. A line failure or a stop ends
// the observation with the samples so far; a cycle the observer abandons
// (the tool ending) ends it "Stopped" without that cycle.
class Observation
{
public:
    static constexpr int kDefaultDurationS = 150;
    static constexpr int kShortestDurationS = 30;
    static constexpr int kLongestDurationS = 24 * 3600;

    Observation(SerialPort& port, CommandChannel& channel, Clock& clock);

    // A duration out of range sends nothing: the result is "Incomplete
    // observation" without samples, and its problem says the range.
    ObservationResult run(const ClassChoice& choice, int durationS, ObservationObserver& observer);

private:
    MeasurementCycle m_cycle;
    Clock& m_clock;
};
