#pragma once

#include "toolkit.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records message boxes and the mouse pointer. Clicks the operator makes
// while a handler blocks are queued with queueClick() and run, nested, at the
// next dispatch point, as the window system would deliver them.
class FakeToolkit : public Toolkit
{
public:
    void messageBox(const QString& text) override { messages << text; }

    void dispatchEvents() override
    {
        ++dispatches;
        const auto clicks = std::move(m_queued);
        m_queued.clear();
        for (const auto& click : clicks)
            click();
        if (onDispatch)
            onDispatch(dispatches);
    }

    void setMousePointer(MousePointer p) override
    {
        pointer = p;
        pointerHistory << p;
    }

    int doubleClickIntervalMs() const override { return doubleClickMs; }
    qint64 clickMadeAtMs() const override { return clickAtMs; }

    void queueClick(std::function<void()> click) { m_queued.append(std::move(click)); }
    bool hasQueuedClicks() const { return !m_queued.isEmpty(); }

    QStringList messages;
    int dispatches = 0;
    MousePointer pointer = MousePointer::Default;
    QList<MousePointer> pointerHistory;
    // Runs after the queued clicks of dispatch number n (counted from 1).
    std::function<void(int n)> onDispatch;
    // What clickMadeAtMs() gives: when the click being handled was made.
    qint64 clickAtMs = -1;
    int doubleClickMs = 400;

private:
    QList<std::function<void()>> m_queued;
};
