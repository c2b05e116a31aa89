#pragma once

#include <QDateTime>

// The clock the waits read. Delay counts whole seconds of the wall clock: its
// wait ends when wholeSeconds() has changed often enough, so "1" lasts between
// 0 and 1 second. Bounds on other waits use the steady millisecond count.
class Clock
{
public:
    virtual ~Clock() = default;

    // Wall-clock time in whole seconds; it changes on each second boundary.
    virtual qint64 wholeSeconds() = 0;
    // Milliseconds until wholeSeconds() next changes (1 to 1000).
    virtual int msUntilNextSecond() = 0;
    // A steady millisecond count for measuring elapsed time.
    virtual qint64 steadyMs() = 0;
    // Sleeps the calling thread; dispatches nothing.
    virtual void sleepMs(int ms) = 0;
    // The local date and time, for the time stamp of a measurement.
    virtual QDateTime currentDateTime() { return QDateTime::fromSecsSinceEpoch(wholeSeconds()); }
};
