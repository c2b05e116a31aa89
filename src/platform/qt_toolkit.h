#pragma once

#include "toolkit.h"

#include <QPointer>
#include <QWidget>

// Toolkit over Qt Widgets for one window.
class QtToolkit : public Toolkit
{
public:
    // The window that owns message boxes and shows the mouse pointer; set
    // once the window exists.
    void setWindow(QWidget* window);

    void messageBox(const QString& text) override;
    void dispatchEvents() override;
    void setMousePointer(MousePointer pointer) override;

private:
    QPointer<QWidget> m_window;
};
