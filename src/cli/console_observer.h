#pragma once

#include "measurement_cycle.h"
#include "observation.h"

#include <QString>

namespace cli {

// SIGINT, SIGTERM and SIGHUP (a closed terminal, a dropped SSH session) stop
// a measurement at its next safe point (SignalInterruption). A SIGHUP ignored
// when the tool started (nohup) stays ignored. Interrupted system calls are
// restarted, as std::signal does.
void stopOnSignals();

// The command line's interruption: once one of those signals came, the next
// dispatch point stops the work and a wait ends within a fifth of a second.
class SignalInterruption : public Interruption
{
public:
    Go poll() override;
    bool interruptible() const override { return true; }
    bool interruptRequested() override;
};

// Progress of a measurement on standard error, one line a step (the first
// "Connecting to /dev/ttyS0 (Com 1)"). On a terminal, the waits after
// "Triggered" and "Retrieving results...." also count down on one line that
// is rewritten in place and cleared at the wait's end; a log gets nothing of
// it.
class ConsoleObserver : public CycleObserver
{
public:
    // `port`: the device opened, as the progress names it ("/dev/ttyS0
    // (Com 1)").
    explicit ConsoleObserver(QString port);

    void stageReached(SessionStage stage) override;
    void progress(int) override {}
    void cycleStarted() override {}
    void resultsCleared() override {}
    void step(Step step) override;
    void waiting(int secondsLeft) override;
    QString lineFailureAdvice() const override;
    void cycleEnded(const CycleResult& result) override;

private:
    void clearCountdown();

    QString m_port;
    bool m_countdown = false;
    QString m_step;
    // The width of the countdown line now shown; 0 when none is.
    qsizetype m_shownWidth = 0;
};

// Progress of a timed observation on standard error: the log-on stages, then
// one line a sample: its number, its single-cycle verdict, the seconds left
// and the worst judged order so far in % of its limit (rankedOrderCells).
class ConsoleObservationObserver : public ObservationObserver
{
public:
    // `port`: as ConsoleObserver's.
    explicit ConsoleObservationObserver(QString port) : m_port(std::move(port)) {}

    void stageReached(SessionStage stage) override;
    void secondsLeft(int seconds) override { m_secondsLeft = seconds; }
    void sampleTaken(int index, const ObservedSample& sample, const CycleResult& cycle,
                     const ObservationJudgement& running) override;
    QString lineFailureAdvice() const override;

private:
    QString m_port;
    int m_secondsLeft = 0;
};

// "Sample 3: Pass; 126 s left; worst order 5: average 87.2 %, maximum
// 140.0 % of its limit": what the observer writes of a sample.
QString sampleProgressLine(int index, Verdict verdict, int secondsLeft,
                           const ObservationJudgement& running);

} // namespace cli
