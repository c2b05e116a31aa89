#pragma once

#include "class_selection.h"
#include "measurement.h"
#include "measurement_cycle.h"
#include "window_model.h"

#include <functional>

class Clock;
class Toolkit;

// Run_Click: one measurement cycle started from the window, under the class
// the options select when "Start Test" is clicked, as the operator edits it
// at the dispatch points (the Class D power field stays editable: a power out
// of range typed there is refused when the reply is judged). The cycle
// itself (MeasurementCycle) reports to this class, which shows it: the
// progress bar, the captions and enabled states, the result; and polls it at
// its dispatch points, where the window's events are dispatched.
//
// Waiting window events are dispatched at the cycle's three dispatch points;
// a click on Run handled there is a stop request, unless it is the second
// half of a double click on "Start Test"; EXIT ends the tool. When the cycle
// ends, its result is shown first and then the clicks the window system still
// holds are handled, while the controls are still disabled: "Print Result"
// prints the new result, a click made on a disabled option during a wait does
// nothing, and EXIT or closing the window ends the tool before any message
// box. A cycle that sent "*TRG" and is cut short by the end of the tool is
// recorded "Stopped" before the tool ends.
class TestRun : private CycleObserver, private Interruption
{
public:
    // The status poll gives up when the status has not read 1 for this long.
    static constexpr int kStatusPollLimitMs = MeasurementCycle::kStatusPollLimitMs;

    TestRun(Form& form, Toolkit& toolkit, MeasurementCycle& cycle, Clock& clock,
            WindowMembers& members, Activity& activity);

    void Run_Click();

    // Called once with the result of every cycle that sent "*TRG", once the
    // window shows it; with "Stopped" when the tool ended during the cycle.
    void setResultListener(std::function<void(const CycleResult&)> listener);

private:
    // CycleObserver
    void progress(int value) override;
    void cycleStarted() override;
    void resultsCleared() override;
    void cycleEnded(const CycleResult& result) override;
    // Interruption: the window's events are dispatched; a click on "Stop
    // Test" stops, EXIT abandons.
    Go poll() override;

    void restoreControls();
    // Hands the result to the listener, once per cycle.
    void record(const CycleResult& result);

    Form& m_form;
    Toolkit& m_toolkit;
    Clock& m_clock;
    WindowMembers& m_members;
    Activity& m_activity;
    MeasurementCycle& m_cycle;
    // The class of the running cycle: read when "Start Test" was clicked and
    // again after each dispatch point.
    ClassChoice m_choice;
    std::function<void(const CycleResult&)> m_resultListener;
    bool m_recorded = false;
    // When the click that started the running cycle was made
    // (Toolkit::clickMadeAtMs); -1 when unknown.
    qint64 m_startClickAtMs = -1;
};

// The verdict field's colour: Pass on green, "Stopped" on the neutral
// colour, every other verdict on red.
Colour verdictColour(Verdict verdict);

// Writes the values the measurement gives into Wattxt, Vlttxt, AmpTxt,
// PfTxt, FreqTxt and HrmNo; the others keep what they held.
void showReply(Form& form, const Measurement& measurement);

// Writes a cycle result into the window: the values and harmonic cells of a
// reply that was read (showReply), the judgement (showJudgement) and its
// note (judgementNote), and the verdict field: "Pass" on green, "Fail" and every other verdict but
// "Stopped" on red, "Stopped" on the neutral colour.
void showResult(Form& form, const CycleResult& result);

// Whether the window shows a measurement: a value field or a harmonic cell
// holds text. Not before the first test, nor once a cycle has emptied them;
// whatever class judged it (Class D empties HrmNo(0)).
bool measurementShown(const Form& form);

// The class the options select, with the text of PowerD for Class D, under
// the edition and category the window's members hold.
ClassChoice selectedClassChoice(const Form& form, const WindowMembers& members);

// What the window's judgement note says of a cycle result: why the edition
// sets no limits ("Not limited"), the verdict at the lab's basis where the
// measured Class D power does not bear out the typed one, and the
// judgement's notes; empty when there is nothing to add.
QString judgementNote(const CycleResult& result);
