#pragma once

#include "session_stage.h"

#include <QString>

// Who follows an analyzer session: the window turns its reports into a
// progress bar, captions and enabled states; the command line into lines on
// standard error. The session never knows who shows it; how it is
// interrupted is the face's Interruption.
class SessionObserver
{
public:
    virtual ~SessionObserver() = default;

    // A log on reached `stage` (AnalyzerSession::open and configure).
    virtual void stageReached(SessionStage) {}
    // The progress of the operation, 0 to 100.
    virtual void progress(int value) = 0;
};
