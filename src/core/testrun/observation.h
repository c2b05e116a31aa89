#pragma once

#include "cycle_result.h"
#include "measurement_cycle.h"
#include "observation_rules.h"
#include "session_observer.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class Clock;

// "Pass", "Fail", "Incomplete observation", "Line failed", "Stopped".
QString observationVerdictText(ObservationVerdict verdict);

// What the rules read of one cycle; nothing for a cycle that was not judged
// (not Pass or Fail): such a sample is counted, never used as a value.
std::optional<RuleSample> ruleSampleOf(const CycleResult& result);

// A reply's five values as its fields show them, each read back as a number
// (StrictNumber); none where the shown text is none. Kept in little room: a
// day's samples each hold one.
struct ShownValues
{
    enum Value : quint8 { Volts, Amps, Watts, PowerFactor, Frequency, kCount };

    std::optional<double> operator[](Value value) const
    {
        if (!(present & (1u << value)))
            return std::nullopt;
        return values[value];
    }
    void set(Value value, const std::optional<double>& number)
    {
        values[value] = number.value_or(0);
        present = quint8(number ? present | (1u << value) : present & ~(1u << value));
    }

    std::array<double, kCount> values{};
    quint8 present = 0;
};
ShownValues shownValuesOf(const Measurement& measured);

// The shown values of many samples: for each, the sum, the lowest, the
// highest and how many gave it as a number.
struct ShownRanges
{
    std::array<double, ShownValues::kCount> sum{}, lowest{}, highest{};
    std::array<int, ShownValues::kCount> count{};
    void add(const ShownValues& shown);
};

// One cycle of an observation, kept in little room: a day's samples fit in
// a few MB. cycleResultOf() gives back the cycle's full result.
struct ObservedSample
{
    // How much of the result reply the cycle read.
    enum class Reply : quint8 {
        Whole,   // a reply (or none at all) was read and judged
        Cut,     // the reply's front was dropped: kept, never parsed
        NotRead, // the cycle ended before reading a reply
        Window,  // a recorded DFT window: no reply line; its values are the
                 // window's smoothed values
    };

    // When the cycle began: seconds after the observation's start, on the
    // steady clock.
    double startS = 0;
    // When its reply was read, or the cycle ended without one; local time.
    QDateTime measuredAt;
    // The single-cycle verdict under the observation's class, and what the
    // operator is told when it is not Pass or Fail.
    Verdict verdict = Verdict::NoResultReceived;
    Reply reply = Reply::Whole;
    QString problem;
    // The reply line as received, its line end included when one came: its
    // bytes (Latin-1, one character a byte), half the room of its text. Null
    // when the cycle read none, empty when it read an empty one.
    QByteArray line;
    // What the rules read of it; none when it was not judged.
    std::optional<RuleSample> values;
    // Its values as the reply's fields showed them.
    ShownValues shown;
};

// A reply line as a sample keeps it, and its text again: null stays null,
// empty stays empty.
QByteArray keptReplyLine(const QString& line);
QString replyLineText(const QByteArray& kept);

// The sample of a cycle that began `startS` seconds after the start.
ObservedSample observedSample(double startS, const CycleResult& cycle);

// The values the rules read of a recorded window: its currents in mA, those
// below 5 mA or below 0.6 % of its rms current not tested, as a single
// measurement takes them.
RuleSample windowRuleSample(const std::array<double, kHarmonicCells>& currentsMa, double rmsA,
                            double fundamentalA, double powerFactor, double powerW);

// A window's values as a record keeps them: V, A, W, PF, Hz, the fundamental
// (A) and orders 2 to 40 (mA), separated by blanks; and read back (false for
// a text that does not hold them all).
QString windowValuesText(const ObservedSample& sample);
bool readWindowValues(const QString& text, ObservedSample* sample);

// The sample of a recorded DFT window that began `startS` seconds into the
// recording: its values and shown values the window's, its verdict unset
// until judged (markWindowVerdicts).
ObservedSample windowSampleAt(double startS, const QDateTime& measuredAt, const RuleSample& values,
                              const ShownValues& shown);

// The full result of a sample's cycle, as the cycle gave it under `choice`:
// under the observation's class, the very result its cycle produced. Under
// another class, the reply is judged again as a live cycle would have judged
// it; observedSample() of that result is the sample judged again.
CycleResult cycleResultOf(const ObservedSample& sample, const ClassChoice& choice);

// A sample read back from its kept line: what its cycle read of the reply
// (values, shown) under `choice`, filled in again.
void readAgain(ObservedSample& sample, const ClassChoice& choice);

// What a recording judged as a timed observation keeps beside its windows:
// the file, how it was read, and what its windows showed beyond the
// harmonics. A record of kind waveform names its source by it.
struct RecordingFacts
{
    // The file as given, its size in bytes and its SHA-256 (hex).
    QString file;
    qint64 sizeBytes = 0;
    QString sha256;
    QString voltageChannel, currentChannel;
    double sampleRate = 0;
    int periodsPerWindow = 10;
    double frequencyHz = 0;   // the mean over the windows judged
    double thdPct = 0;        // the highest current THD of a window, orders 2 to 40
    double crestFactor = 0;   // the highest current crest factor of a window
    double highestPowerW = 0; // the highest smoothed active power
    // The supply: its rms voltage, frequency and crest factor over the
    // windows, and what falls outside the test supply's requirements.
    double voltsLowest = 0, voltsHighest = 0;
    double hzLowest = 0, hzHighest = 0;
    double crestLowest = 0, crestHighest = 0;
    QString supplyWarning;
    // Why the windows judged give no verdict because a channel clips (the
    // channel and the time): its verdict is "Invalid result". Such a
    // recording is shown, never kept.
    QString invalid = {};
};

// What every output says of the method of a recording: "1.5 s smoothed DFT
// windows of 10 periods (IEC 61000-4-7) from a recording".
QString recordingMethodSentence(const RecordingFacts& facts);
// The supply a recording shows: "229.8-230.2 V, 49.99-50.01 Hz: within the
// test supply's requirements", or its warning.
QString recordingSupplyText(const RecordingFacts& facts);
// The rule set a recording is judged by (the observation's rules over its
// windows), as records and reports name it.
inline constexpr const char* kRecordingRules =
    "IEC 61000-4-7 DFT windows, 1.5 s smoothed; observation rules, average 100 %, samples 150 % "
    "(Class A 200 % under 10 % and 10 min), POHC";

// A timed observation, as a value: what the window shows, the command line
// prints, the record store keeps and a report renders. Its start is its
// record's (RecordHeader::startedAt).
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
    // Why the observation ended early (the line failed) or did not start (a
    // duration out of range); empty otherwise.
    QString problem;
    // A recording judged as an observation: each sample one DFT window.
    // None for the analyzer's observation.
    std::optional<RecordingFacts> recording = {};
    // A recording too long to hold every window: `samples` holds a
    // selection of its windows (for the charts; the judgement is of all of
    // them) and these are the shown values over all of them.
    std::optional<ShownRanges> rangesOfAll = {};

    // "zento" for the analyzer's samples, "recording" for a recording's.
    QString source() const;
    // What every output says of how the samples were taken
    // (samplingSentence() for the analyzer's snapshots, the method for a
    // recording's windows) and by which rules they are judged.
    QString sampling() const;
    QString rules() const;
};

// The rules over the samples' values, judged under `choice`: the
// observation's class, or the class they were judged again under.
// `sampleIntervalS`: the observation's sampling interval, s.
ObservationJudgement judgeSamples(const QList<ObservedSample>& samples, const ClassChoice& choice,
                                  ObservationEnd end, double sampleIntervalS);

// How an observation that came to `verdict` ended, as its rules take it:
// "Line failed" and "Stopped" ended early; any other verdict is judged as
// completed.
ObservationEnd endOf(ObservationVerdict verdict);

// The observation with its samples judged again under `choice`, as the
// observation would have judged them under that class. One that was never
// finished stays "Incomplete observation".
ObservationResult judgedAgain(ObservationResult result, const ClassChoice& choice);

// Sets each window's verdict: Fail when a tested order is above its
// (guarded) limit in the judgement, Pass otherwise. The analyzer's samples
// keep their cycle's verdict.
void markWindowVerdicts(ObservationResult& result);

// A window's order `cell` (order cell + 2) against the judgement's guarded
// limit: NotJudged without a limit, NotTested where the window's values do
// not test it, Fail above its guarded limit, Pass otherwise.
CellState windowOrderState(const ObservationJudgement& judgement, const RuleSample& values,
                           int cell);

// The window whose highest tested order is furthest above (or closest to)
// its guarded limit, in % of that limit: its index among the samples (from
// 0), that order's cell and its %. The earlier window of two as high. None
// without a window that has a tested order under a limit.
struct WorstWindow
{
    int index = 0;
    int cell = 0;
    double percentOfLimit = 0;
};
std::optional<WorstWindow> worstWindow(const ObservationResult& result);

// A recording's samples judged under `choice`: the observation's rules over
// its windows, which stay as recorded, each window's verdict set again.
ObservationResult judgedRecordingAgain(ObservationResult result, const ClassChoice& choice);
// Adds to a recording's judgement the note that it is shorter than the
// observation period, when it is.
void noteARecordingTooShort(ObservationResult& result);

// Follows an observation. The observation's cycles report here directly;
// their progress, steps and waits move the countdown (secondsLeft) and are
// not shown one by one. How the observation is interrupted is the face's
// Interruption, asked as a single cycle asks it.
class ObservationObserver : public CycleObserver
{
public:
    // CycleObserver, as every cycle of the observation reports.
    void progress(int) final { tick(); }
    void cycleStarted() final { tick(); }
    void resultsCleared() final {}
    void step(Step) final { tick(); }
    void waiting(int) final { tick(); }
    void cycleEnded(const CycleResult&) final {}

    // Whole seconds of the duration left, rounded up, when that changes; 0
    // once it has passed (a cycle that has started still completes).
    virtual void secondsLeft(int /*seconds*/) {}
    // Sample `index` has ended: as kept, its cycle's full result, and the
    // judgement of the samples so far (verdict as if the observation ended
    // now). A store writes the sample here, as it arrives.
    virtual void sampleTaken(int index, const ObservedSample& sample, const CycleResult& cycle,
                             const ObservationJudgement& running) = 0;

private:
    friend class Observation;
    void tick()
    {
        if (m_tick)
            m_tick();
    }
    // Set by the observation while it runs.
    std::function<void()> m_tick;
};

// A timed observation: measurement cycles back to back, each with exactly
// the commands, waits and bounds of one cycle, on a session already logged
// on, until the duration has passed on the clock. A cycle that has started
// when the duration ends completes and counts. A line failure or a stop ends
// the observation with the samples so far; a cycle the interruption abandons
// (the tool ending) ends it "Stopped" without that cycle.
class Observation
{
public:
    static constexpr int kDefaultDurationS = 150;
    static constexpr int kShortestDurationS = 30;
    static constexpr int kLongestDurationS = 24 * 3600;

    // Runs its cycles on `cycle`: the session's.
    Observation(MeasurementCycle& cycle, Clock& clock);

    // A duration out of range sends nothing: the result is "Incomplete
    // observation" without samples, and its problem says the range.
    ObservationResult run(const ClassChoice& choice, int durationS, ObservationObserver& observer,
                          Interruption& interruption);

private:
    MeasurementCycle& m_cycle;
    Clock& m_clock;
};
