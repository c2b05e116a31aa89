#include "log_on.h"

#include "command_channel.h"
#include "command_set.h"
#include "serial_port.h"
#include "toolkit.h"

namespace {
const QString kLogOnCaption = QStringLiteral("Log On");
const QString kLogOffCaption = QStringLiteral("Log Off");
} // namespace

LogOn::LogOn(Form& form, Toolkit& toolkit, SerialPort& port, CommandChannel& channel,
             WindowMembers& members, Activity& activity)
    : m_form(form), m_toolkit(toolkit), m_port(port), m_channel(channel), m_members(members),
      m_activity(activity)
{}

void LogOn::portOptionClicked(Option)
{
    m_form.setEnabled(Button::Log, true);
}

void LogOn::Log_Click()
{
    // A click on Log handled at one of our own dispatch points, or while a
    // measurement cycle waits at one of its own, is not a new log on or off.
    if (m_activity.logOn || m_activity.testRun)
        return;
    ActivityScope running(m_activity.logOn);

    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return;
    if (m_form.caption(Button::Log) == kLogOnCaption)
        logOn();
    else
        logOff();
    if (m_activity.ending)
        return;

    m_form.setProgress(100);
    m_form.setProgressVisible(false);
    m_toolkit.setMousePointer(MousePointer::Default);
}

void LogOn::logOn()
{
    m_form.setCaption(Button::Log, kLogOffCaption);
    m_form.setText(Field::Reslbl, QStringLiteral("Connecting"));
    m_form.setProgressVisible(true);
    m_form.setProgress(10);
    for (int n = 0; n < int(kPortOptions.size()); ++n) {
        if (m_form.selected(kPortOptions[n])) {
            m_members.PortNumber = qint16(n + 1);
            break;
        }
    }
    m_form.setProgress(25);
    for (Option option : kPortOptions)
        m_form.setEnabled(option, false);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, true);
    m_form.setProgress(35);

    if (!m_port.portOpen()) {
        m_port.setCommPort(m_members.PortNumber);
        const Outcome opened = m_port.open();
        if (!opened.succeeded()) {
            const QString option = portOptionCaption();
            backToLoggedOff(QStringLiteral("%1 could not be opened").arg(option));
            m_toolkit.messageBox(
                QStringLiteral("%1 (%2) could not be opened: %3.\n\nCheck that the analyzer is "
                               "connected to this port and that no other program is using it, "
                               "then choose the port and log on again.")
                    .arg(option, m_port.deviceName(), opened.reason()));
            return;
        }
    }
    m_channel.clearFault();

    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return;

    m_form.setText(Field::Reslbl, QStringLiteral("Configuring"));
    if (!Configure()) {
        if (m_activity.ending)
            return;
        const QString reason = m_channel.fault();
        backToLoggedOff(QStringLiteral("Configuration failed"));
        m_toolkit.messageBox(QStringLiteral("The analyzer on %1 (%2) could not be configured: "
                                            "%3.\n\nThe port has been closed. Check the "
                                            "connection, then log on again.")
                                 .arg(portOptionCaption(), m_port.deviceName(), reason));
        return;
    }
    m_form.setText(Field::Reslbl, QStringLiteral("Connected & Configured"));
}

bool LogOn::Configure()
{
    m_toolkit.setMousePointer(MousePointer::Hourglass);
    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return false;
    m_form.setProgress(60);

    for (std::size_t line = 0; line < zento::kConfiguration.size(); ++line) {
        const zento::ConfigurationLine& step = zento::kConfiguration[line];
        m_channel.Out(QString::fromLatin1(step.text));
        if (!m_channel.fault().isEmpty())
            return false;
        if (step.delayAfter)
            m_channel.Delay(QString::fromLatin1(step.delayAfter));
        if (line == 5)
            m_form.setProgress(70);
    }
    m_form.setProgress(85);
    return true;
}

void LogOn::logOff()
{
    showLoggedOff(QStringLiteral("Disconnected"));
    // A line that has already failed cannot take "*RST"; logging off still
    // closes the port.
    m_channel.Out(QString::fromLatin1(zento::kReset));
    m_channel.clearFault();
    if (m_port.portOpen())
        m_port.close();
}

void LogOn::backToLoggedOff(const QString& status)
{
    if (m_port.portOpen())
        m_port.close();
    m_channel.clearFault();
    showLoggedOff(status);
    m_form.setEnabled(Button::Log, true);
    m_form.setProgress(100);
    m_form.setProgressVisible(false);
    m_toolkit.setMousePointer(MousePointer::Default);
}

void LogOn::showLoggedOff(const QString& status)
{
    m_form.setCaption(Button::Log, kLogOnCaption);
    m_form.setText(Field::Reslbl, status);
    m_form.setBackColor(Field::Reslbl, Colour::Neutral);
    for (Option option : kPortOptions)
        m_form.setEnabled(option, true);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, false);
    m_form.setEnabled(Button::Run, false);
}

QString LogOn::portOptionCaption() const
{
    return QStringLiteral("Com %1").arg(m_members.PortNumber);
}
