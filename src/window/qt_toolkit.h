#pragma once

#include "toolkit.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class InputTimes;

// Toolkit over Qt Widgets for one window.
class QtToolkit : public Toolkit
{
public:
    QtToolkit();
    ~QtToolkit() override;
    QtToolkit(const QtToolkit&) = delete;
    QtToolkit& operator=(const QtToolkit&) = delete;

    // The window that owns message boxes and shows the mouse pointer; set
    // once the window exists (and with it the application).
    void setWindow(QWidget* window);

    // The text is shown as plain text, never read as markup.
    void messageBox(const QString& text) override;
    void dispatchEvents() override;
    void setMousePointer(MousePointer pointer) override;
    int doubleClickIntervalMs() const override;
    // The time stamp the window system gave the mouse or key event being
    // delivered; -1 for a click made by a queued call or a timer.
    qint64 clickMadeAtMs() const override;

private:
    QPointer<QWidget> m_window;
    std::unique_ptr<InputTimes> m_inputTimes;
};
