#pragma once

#include "class_evaluation.h"
#include "window_model.h"

#include <QByteArray>
#include <QString>

class Clock;
class CommandChannel;
class SerialPort;
class Toolkit;

// Run_Click: one measurement cycle, from the trigger to the verdict.
//
//   "*TRG", Delay "5", "*STB?", poll the status until it reads 1, ":FRD?",
//   Delay "3", Incoming, SortOut, Limits, then "Pass" on green or "Fail" on
//   red.
//
// Waiting window events are dispatched only at three points (before the
// cycle changes anything, after the controls are disabled, after "*STB?");
// a click on Run handled there is a stop request, EXIT ends the tool.
class TestRun
{
public:
    // The status poll gives up when the status has not read 1 for this long.
    static constexpr int kStatusPollLimitMs = 20000;

    TestRun(Form& form, Toolkit& toolkit, SerialPort& port, CommandChannel& channel, Clock& clock,
            WindowMembers& members, Activity& activity);

    void Run_Click();

private:
    enum class Status { Ready, NoAnswer, LineFailed };

    void cycle();
    // After a dispatch point: false when the cycle must not go on (the tool
    // is ending, or Run was clicked), with the window put right for a stop.
    bool goOnAfterDispatch();
    Status pollStatus();
    void restoreControls();
    // Ends the cycle without a verdict: the controls back, `status` in Reslbl
    // on `colour`, the progress bar hidden, `message` (if any) in a message
    // box.
    void endWithoutVerdict(const QString& status, Colour colour, const QString& message);
    // When the line has failed (a write refused, the device gone): ends the
    // cycle without a verdict, says why, and returns true.
    bool endedByLineFailure();
    void showVerdict(int fieldsFound, const Evaluation& evaluation);

    Form& m_form;
    Toolkit& m_toolkit;
    SerialPort& m_port;
    CommandChannel& m_channel;
    Clock& m_clock;
    WindowMembers& m_members;
    Activity& m_activity;
    // The last status line the analyzer sent during a poll, for messages.
    QByteArray m_lastStatus;
};
