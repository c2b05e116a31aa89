#pragma once

#include "analyzer_session.h"
#include "session_observer.h"
#include "window_model.h"

class SerialPort;
class Toolkit;

// Log on and log off from the window: the port options com1 to com4, the
// button Log and the configuration of the analyzer (AnalyzerSession).
//
// The link state lives in the caption of Log: "Log On" means logged off.
class LogOn : private SessionObserver
{
public:
    LogOn(Form& form, Toolkit& toolkit, SerialPort& port, AnalyzerSession& session,
          WindowMembers& members, Activity& activity);

    // com1_Click to com4_Click: enables Log; nothing else.
    void portOptionClicked(Option option);
    // Log_Click: logs on when Log reads "Log On", otherwise logs off.
    void Log_Click();

    // The session the window's other handlers share (EXIT ends it).
    AnalyzerSession& session() { return m_session; }

private:
    // SessionObserver
    void stageReached(SessionStage stage) override;
    void progress(int value) override;
    Go dispatchPoint() override;

    void logOn();
    void logOff();
    // Back to "Port chosen" after log on could not go on: the port closed,
    // the port options enabled, the class options and Run disabled.
    void backToLoggedOff(const QString& status);
    // The logged-off window: Log reads "Log On", `status` in Reslbl on the
    // neutral colour, the port options enabled, the class options and Run
    // disabled.
    void showLoggedOff(const QString& status);
    QString portOptionCaption() const;

    Form& m_form;
    Toolkit& m_toolkit;
    SerialPort& m_port;
    WindowMembers& m_members;
    Activity& m_activity;
    AnalyzerSession& m_session;
};
