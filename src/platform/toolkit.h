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
};
