#pragma once

#include <QString>

enum class MousePointer { Default, Hourglass };

// The window-toolkit services the logic needs besides the window's elements.
class Toolkit
{
public:
    virtual ~Toolkit() = default;

    // A message box with the text, an OK button only and the title
    // "ZentoIEC"; returns when the operator has closed it.
    virtual void messageBox(const QString& text) = 0;
    // Runs the window events that are waiting (clicks queued while a handler
    // blocked), each handler to its end, then returns.
    virtual void dispatchEvents() = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;

    // The desktop's double-click interval, in ms: a second click on a button
    // made within it after the first is the second half of a double click.
    virtual int doubleClickIntervalMs() const = 0;
    // When the operator made the click being handled now (its mouse or key
    // event, which may have waited while a handler blocked), in ms of a clock
    // of the toolkit's own: only the difference of two such times means
    // anything. -1 when the click came from no input event.
    virtual qint64 clickMadeAtMs() const = 0;
};
