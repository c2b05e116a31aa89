#pragma once

#include "window_model.h"

class CommandChannel;
class SerialPort;
class Toolkit;

// Log on and log off: the port options com1 to com4, the button Log and the
// configuration of the analyzer.
//
// The link state lives in the caption of Log: "Log On" means logged off.
class LogOn
{
public:
    LogOn(Form& form, Toolkit& toolkit, SerialPort& port, CommandChannel& channel,
          WindowMembers& members, Activity& activity);

    // com1_Click to com4_Click: enables Log; nothing else.
    void portOptionClicked(Option option);
    // Log_Click: logs on when Log reads "Log On", otherwise logs off.
    void Log_Click();

private:
    void logOn();
    void logOff();
    // Sends the configuration sequence with its waits; reads nothing. False
    // when the tool is ending or the line failed.
    bool Configure();
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
    CommandChannel& m_channel;
    WindowMembers& m_members;
    Activity& m_activity;
};
