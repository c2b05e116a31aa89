#pragma once

#include "clock.h"

// The machine's clock. Whole seconds count from the epoch, so a change of
// daylight-saving time or of the time zone does not stretch a wait.
class SystemClock : public Clock
{
public:
    qint64 wholeSeconds() override;
    int msUntilNextSecond() override;
    qint64 steadyMs() override;
    void sleepMs(int ms) override;
    QDateTime currentDateTime() override { return QDateTime::currentDateTime(); }
};
