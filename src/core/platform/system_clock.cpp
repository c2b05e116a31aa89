#include "system_clock.h"

#include <chrono>
#include <thread>

namespace {
qint64 wallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
} // namespace

qint64 SystemClock::wholeSeconds()
{
    return wallMs() / 1000;
}

int SystemClock::msUntilNextSecond()
{
    return int(1000 - wallMs() % 1000);
}

qint64 SystemClock::steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
