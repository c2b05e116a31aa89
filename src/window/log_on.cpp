#include "log_on.h"

#include "toolkit.h"

namespace {
const QString kLogOnCaption = QStringLiteral("Log On");
const QString kLogOffCaption = QStringLiteral("Log Off");
} // namespace

LogOn::LogOn(Form& form, Toolkit& toolkit, AnalyzerSession& session, const ComDevices& devices,
             WindowMembers& members, Activity& activity)
    : m_form(form), m_toolkit(toolkit), m_devices(devices), m_members(members),
      m_activity(activity), m_session(session)
{}

void LogOn::stageReached(SessionStage stage)
{
    m_form.setText(Field::Reslbl, stageText(stage));
}

void LogOn::progress(int value)
{
    m_form.setProgress(value);
}

Interruption::Go LogOn::poll()
{
    m_toolkit.dispatchEvents();
    return m_activity.ending ? Go::Abandon : Go::On;
}

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
    if (!m_session.isLoggedOn())
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

    const Outcome opened = m_session.open(m_devices.device(m_members.PortNumber), *this);
    if (!opened.succeeded()) {
        const QString option = portOptionCaption();
        backToLoggedOff(openFailureText(option));
        m_toolkit.messageBox(
            openFailureText(QStringLiteral("%1 (%2)").arg(option, m_session.deviceName()),
                            opened.reason()) +
            QStringLiteral(".\n\nCheck that the analyzer is connected to this port and that "
                           "no other program is using it, then choose the port and log on "
                           "again."));
        return;
    }

    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return;

    m_toolkit.setMousePointer(MousePointer::Hourglass);
    if (!m_session.configure(*this, *this)) {
        if (m_activity.ending)
            return;
        const QString reason = m_session.fault();
        backToLoggedOff(QStringLiteral("Configuration failed"));
        QString message = configureFailureText(
            QStringLiteral("%1 (%2)").arg(portOptionCaption(), m_session.deviceName()), reason);
        message[0] = message[0].toUpper();
        m_toolkit.messageBox(message + QStringLiteral(".\n\nThe port has been closed. Check the "
                                                      "connection, then log on again."));
    }
}

void LogOn::logOff()
{
    showLoggedOff(QStringLiteral("Disconnected"));
    m_session.reset();
}

void LogOn::backToLoggedOff(const QString& status)
{
    m_session.close();
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
