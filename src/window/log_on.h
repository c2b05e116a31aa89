#pragma once

#include "analyzer_session.h"
#include "com_ports.h"
#include "interruption.h"
#include "session_observer.h"
#include "window_model.h"

class Toolkit;

// Log on and log off from the window: the port options com1 to com4, the
// button Log and the configuration of the analyzer (AnalyzerSession).
//
// The session knows whether it is logged on; Log's caption shows it. The
// port option chosen is resolved to its device once, at log on.
class LogOn : private SessionObserver, private Interruption
{
public:
    // `devices`: the device behind each port option.
    LogOn(Form& form, Toolkit& toolkit, AnalyzerSession& session, const ComDevices& devices,
          WindowMembers& members, Activity& activity);

    // com1_Click to com4_Click: enables Log; nothing else.
    void portOptionClicked(Option option);
    // Log_Click: logs on when the session is logged off, otherwise logs off.
    void Log_Click();

    // The devices behind Com 1 to Com 4, as the tool's configuration named
    // them at its start.
    const ComDevices& devices() const { return m_devices; }

    // The session the window's other handlers share (EXIT ends it).
    AnalyzerSession& session() { return m_session; }

private:
    // SessionObserver
    void stageReached(SessionStage stage) override;
    void progress(int value) override;
    // Interruption: the window's events are dispatched; EXIT abandons.
    Go poll() override;

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
    ComDevices m_devices;
    WindowMembers& m_members;
    Activity& m_activity;
    AnalyzerSession& m_session;
};
