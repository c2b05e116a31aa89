#include "test_run.h"

#include "class_evaluation.h"
#include "clock.h"
#include "command_channel.h"
#include "command_set.h"
#include "conversions.h"
#include "cycle_verdict.h"
#include "serial_port.h"
#include "sort_out.h"
#include "toolkit.h"

namespace {

const QString kStartCaption = QStringLiteral("Start Test");
const QString kStopCaption = QStringLiteral("Stop Test");

// How long the poll waits for the line end of a status that has read 1
// without it; the characters that follow must not reach the result reply.
constexpr int kLineEndGraceMs = 1000;
// The same when a carriage return has already come: only its line feed can
// still follow.
constexpr int kLineFeedGraceMs = 200;

// The status reads 1: the whole number 1 with the blanks and line ends
// around it ignored. Another status (3, 17: other bits set) is not 1.
bool statusReadsOne(const QByteArray& status)
{
    const std::optional<double> value = StrictNumber(QString::fromLatin1(status));
    return value && *value == 1.0;
}

} // namespace

TestRun::TestRun(Form& form, Toolkit& toolkit, SerialPort& port, CommandChannel& channel,
                 Clock& clock, WindowMembers& members, Activity& activity)
    : m_form(form), m_toolkit(toolkit), m_port(port), m_channel(channel), m_clock(clock),
      m_members(members), m_activity(activity)
{}

void TestRun::Run_Click()
{
    // A click on Run while a cycle runs, whatever its caption, asks the
    // cycle to stop; it never starts a second one inside the first.
    if (m_activity.testRun) {
        m_activity.stopRequested = true;
        return;
    }
    // Log on or off is waiting at one of its dispatch points.
    if (m_activity.logOn || m_activity.ending)
        return;

    if (m_form.selected(Option::Dopt) && m_form.text(Field::PowerD).isEmpty()) {
        m_toolkit.messageBox(
            QStringLiteral("You need to enter a value  from 50 to 600 for Class D Power"));
        return;
    }

    ActivityScope running(m_activity.testRun);
    m_activity.stopRequested = false;
    cycle();
    if (m_activity.ending)
        return;
    // Clicks on "Stop Test" that the window system still holds belong to the
    // cycle that just ended: take them as the stop requests they were, so
    // that none starts a new measurement.
    m_toolkit.dispatchEvents();
    m_activity.stopRequested = false;
}

void TestRun::cycle()
{
    m_members.TestFailed = 0;
    m_toolkit.dispatchEvents();
    if (!goOnAfterDispatch())
        return;

    m_form.setText(Field::Reslbl, QStringLiteral("Retrieving results...."));
    m_form.setProgressVisible(true);
    m_form.setBackColor(Field::Reslbl, Colour::Neutral);
    m_form.setCaption(Button::Run, kStopCaption);
    m_form.setEnabled(Button::Log, false);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, false);
    m_toolkit.dispatchEvents();
    if (!goOnAfterDispatch())
        return;

    m_form.setProgress(10);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        m_form.setHrmNo(cell, QString());
        m_form.setHrmLim(cell, QString());
        m_form.setHrmNoBackColor(cell, Colour::Neutral);
        m_form.setHrmNoForeColor(cell, Colour::Black);
    }
    m_form.setProgress(20);
    for (Field field : {Field::Vlttxt, Field::Wattxt, Field::FreqTxt, Field::PfTxt, Field::AmpTxt})
        m_form.setText(field, QString());
    m_form.setProgress(35);

    m_channel.clearFault();
    m_channel.Out(QString::fromLatin1(zento::kTrigger));
    if (endedByLineFailure())
        return;
    m_channel.Delay(QStringLiteral("5"));
    // Whatever arrived before the status query (a reply to an earlier,
    // stopped cycle) is not its answer.
    m_port.input();
    m_channel.Out(QString::fromLatin1(zento::kStatusQuery));
    if (endedByLineFailure())
        return;
    m_toolkit.dispatchEvents();
    if (!goOnAfterDispatch())
        return;
    m_form.setProgress(50);

    switch (pollStatus()) {
    case Status::Ready:
        break;
    case Status::NoAnswer:
        endWithoutVerdict(
            QStringLiteral("Analyzer did not answer"), Colour::Fail,
            m_lastStatus.isEmpty()
                ? QStringLiteral("The analyzer did not answer the status query within %1 "
                                 "seconds. Nothing more was sent.\n\nCheck that the analyzer is "
                                 "on and connected, then start the test again.")
                      .arg(kStatusPollLimitMs / 1000)
                : QStringLiteral("The analyzer did not report a finished measurement within %1 "
                                 "seconds (its status read %2, not 1). Nothing more was sent.\n\n"
                                 "Check the analyzer, then start the test again.")
                      .arg(kStatusPollLimitMs / 1000)
                      .arg(QString::fromLatin1(m_lastStatus.trimmed())));
        return;
    case Status::LineFailed:
        endedByLineFailure();
        return;
    }

    m_channel.Out(QString::fromLatin1(zento::kReadResults));
    m_channel.Delay(QStringLiteral("3"));
    m_channel.Incoming();
    if (endedByLineFailure())
        return;
    m_form.setProgress(75);

    const int fieldsFound = SortOut(m_members.result, m_form, m_members.FundAmp);
    const Evaluation evaluation = Limits(m_form, m_members.FundAmp, m_members.TestFailed);
    m_form.setProgress(90);

    restoreControls();
    m_form.setProgress(95);
    showVerdict(fieldsFound, evaluation);
    m_form.setProgress(100);
    m_form.setProgressVisible(false);
}

bool TestRun::goOnAfterDispatch()
{
    if (m_activity.ending)
        return false;
    if (!m_activity.stopRequested)
        return true;
    endWithoutVerdict(QStringLiteral("Stopped"), Colour::Neutral, QString());
    return false;
}

TestRun::Status TestRun::pollStatus()
{
    // Lines of the status reply are gathered across reads: a status can
    // arrive in pieces. A line that does not read 1 is passed over; the
    // query is not sent again.
    m_lastStatus.clear();
    QByteArray pending;
    const qint64 deadline = m_clock.steadyMs() + kStatusPollLimitMs;
    qint64 lineEndDeadline = -1;
    for (;;) {
        pending += m_port.input();
        if (!m_port.fault().isEmpty())
            return Status::LineFailed;

        qsizetype lineFeed;
        while ((lineFeed = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(lineFeed);
            pending.remove(0, lineFeed + 1);
            if (line.trimmed().isEmpty())
                continue;
            if (statusReadsOne(line))
                return Status::Ready; // anything after the status line is dropped
            m_lastStatus = line;
        }

        const qint64 now = m_clock.steadyMs();
        if (statusReadsOne(pending)) {
            // A 1 whose line end has not come yet: wait a little for it, so
            // that it cannot arrive in front of the result reply.
            if (lineEndDeadline < 0)
                lineEndDeadline =
                    now + (pending.endsWith('\r') ? kLineFeedGraceMs : kLineEndGraceMs);
            if (now >= lineEndDeadline || now >= deadline)
                return Status::Ready;
            m_port.waitForInput(int(std::min(lineEndDeadline, deadline) - now));
            continue;
        }
        lineEndDeadline = -1;
        if (now >= deadline) {
            if (!pending.trimmed().isEmpty())
                m_lastStatus = pending;
            return Status::NoAnswer;
        }
        m_port.waitForInput(int(deadline - now));
    }
}

void TestRun::restoreControls()
{
    m_form.setCaption(Button::Run, kStartCaption);
    m_form.setEnabled(Button::Log, true);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, true);
}

void TestRun::endWithoutVerdict(const QString& status, Colour colour, const QString& message)
{
    restoreControls();
    m_form.setText(Field::Reslbl, status);
    m_form.setBackColor(Field::Reslbl, colour);
    m_form.setProgress(100);
    m_form.setProgressVisible(false);
    if (!message.isEmpty())
        m_toolkit.messageBox(message);
}

bool TestRun::endedByLineFailure()
{
    const QString reason = m_channel.fault();
    if (reason.isEmpty())
        return false;
    endWithoutVerdict(QStringLiteral("Line failed"), Colour::Fail,
                      QStringLiteral("The line to the analyzer failed during the test: %1.\n\n"
                                     "Log off, check the connection, then log on again.")
                          .arg(reason));
    return true;
}

void TestRun::showVerdict(int fieldsFound, const Evaluation& evaluation)
{
    switch (cycleVerdict(fieldsFound, evaluation, m_members.TestFailed)) {
    case CycleVerdict::Pass:
        m_form.setText(Field::Reslbl, QStringLiteral("Pass"));
        m_form.setBackColor(Field::Reslbl, Colour::Pass);
        return;
    case CycleVerdict::Fail:
        m_form.setText(Field::Reslbl, QStringLiteral("Fail"));
        m_form.setBackColor(Field::Reslbl, Colour::Fail);
        return;
    case CycleVerdict::Incomplete:
        m_form.setText(Field::Reslbl, fieldsFound == 0 ? QStringLiteral("No result received")
                                                       : QStringLiteral("Incomplete result"));
        m_form.setBackColor(Field::Reslbl, Colour::Fail);
        return;
    case CycleVerdict::NotJudged:
        m_form.setText(Field::Reslbl, QStringLiteral("No verdict"));
        m_form.setBackColor(Field::Reslbl, Colour::Fail);
        m_toolkit.messageBox(evaluation.status == Evaluation::NoClass
                                 ? QStringLiteral("No equipment class is selected, so the "
                                                  "measurement was not judged.")
                                 : evaluation.problem);
        return;
    }
}
