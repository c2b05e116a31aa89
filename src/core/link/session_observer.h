#pragma once

#include "session_stage.h"

#include <QString>

// Who follows an analyzer session: the window turns its reports into a
// progress bar, captions and enabled states; the command line into lines on
// standard error. The session never knows who shows it.
class SessionObserver
{
public:
    // What the session does after a dispatch point.
    enum class Go {
        On,      // carry on
        Stop,    // the operator asked the operation to stop
        Abandon, // the tool is ending: nothing more is written or sent
    };

    virtual ~SessionObserver() = default;

    // A log on reached `stage` (AnalyzerSession::open and configure).
    virtual void stageReached(SessionStage) {}
    // The progress of the operation, 0 to 100.
    virtual void progress(int value) = 0;
    // A dispatch point: the observer handles what waits for it (the window:
    // the clicks the window system holds) and says whether to go on.
    virtual Go dispatchPoint() = 0;
    // Whether the observer can ask a wait to end early (a signal on the
    // command line). The window's waits cannot be cut short: it answers
    // false, and the waits then never ask interruptRequested().
    virtual bool interruptible() const { return false; }
    // Asked between the sleeps of a wait when interruptible().
    virtual bool interruptRequested() { return false; }
};
