#pragma once

// How a face interrupts the analyzer's work: the window dispatches the
// events its window system holds and turns a click on "Stop Test" or EXIT
// into an answer; the command line answers from its signal handling. The
// session's log on and the measurement cycle ask it at their dispatch points
// and, between the sleeps of their waits, whether to end the wait early.
class Interruption
{
public:
    // What the work does after a dispatch point.
    enum class Go {
        On,      // carry on
        Stop,    // the operator asked the operation to stop
        Abandon, // the tool is ending: nothing more is written or sent
    };

    virtual ~Interruption() = default;

    // A dispatch point: the face handles what waits for it and says whether
    // to go on.
    virtual Go poll() = 0;
    // Whether a wait can end early (a signal on the command line). The
    // window's waits cannot be cut short: it answers false, and the waits
    // then never ask interruptRequested().
    virtual bool interruptible() const { return false; }
    // Asked between the sleeps of a wait when interruptible().
    virtual bool interruptRequested() { return false; }
};

// Never interrupts: work that runs to its end.
class NoInterruption : public Interruption
{
public:
    Go poll() override { return Go::On; }
};
