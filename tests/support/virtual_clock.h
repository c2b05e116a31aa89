#pragma once

#include "clock.h"

#include <functional>
#include <map>

// A clock that moves only when the code under test sleeps or a fake device
// waits, so a 5-second Delay costs no real time. Time is one millisecond
// count; the whole seconds change every 1000 ms.
class VirtualClock : public Clock
{
public:
    // Starts `msIntoSecond` milliseconds after a change of the seconds.
    explicit VirtualClock(int msIntoSecond = 300) : m_now(1'700'000'000'000LL + msIntoSecond) {}

    qint64 wholeSeconds() override { return m_now / 1000; }
    int msUntilNextSecond() override { return int(1000 - m_now % 1000); }
    qint64 steadyMs() override { return m_now; }
    void sleepMs(int ms) override
    {
        m_sleptMs += ms;
        ++m_sleeps;
        advance(ms);
    }

    qint64 nowMs() const { return m_now; }
    qint64 sleptMs() const { return m_sleptMs; }
    int sleeps() const { return m_sleeps; }

    // Moves time on, running every action scheduled up to the new time, in
    // time order.
    void advance(qint64 ms) { advanceTo(m_now + ms); }
    void advanceTo(qint64 when)
    {
        while (!m_actions.empty() && m_actions.begin()->first <= when) {
            auto node = m_actions.extract(m_actions.begin());
            m_now = std::max(m_now, node.key());
            node.mapped()();
        }
        m_now = std::max(m_now, when);
    }
    // Runs `action` once time reaches `at` (an absolute time of nowMs()).
    void at(qint64 at, std::function<void()> action) { m_actions.emplace(at, std::move(action)); }

private:
    qint64 m_now;
    qint64 m_sleptMs = 0;
    int m_sleeps = 0;
    std::multimap<qint64, std::function<void()>> m_actions;
};
