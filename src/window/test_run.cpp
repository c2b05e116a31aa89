#include "test_run.h"

#include "class_evaluation.h"
#include "clock.h"
#include "toolkit.h"
#include "zento_measurement.h"

namespace {

const QString kStartCaption = QStringLiteral("Start Test");
const QString kStopCaption = QStringLiteral("Stop Test");

// The verdicts that come from a reply that was read (or not received).
bool replyWasRead(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
    case Verdict::Fail:
    case Verdict::IncompleteResult:
    case Verdict::InvalidResult:
    case Verdict::NoResultReceived:
    case Verdict::NoVerdict:
    case Verdict::NotLimited:
        return true;
    case Verdict::AnalyzerDidNotAnswer:
    case Verdict::LineFailed:
    case Verdict::Stopped:
        break;
    }
    return false;
}

// The verdicts the operator is told about in a message box.
bool toldInAMessage(Verdict verdict)
{
    switch (verdict) {
    case Verdict::InvalidResult:
    case Verdict::NoVerdict:
    case Verdict::AnalyzerDidNotAnswer:
    case Verdict::LineFailed:
        return true;
    default:
        return false;
    }
}

} // namespace

void showReply(Form& form, const Measurement& measurement)
{
    const std::array<Field, 5> valueFields{Field::Wattxt, Field::Vlttxt, Field::AmpTxt,
                                           Field::PfTxt, Field::FreqTxt};
    const std::array<const QString*, 5> values{&measurement.watts, &measurement.volts,
                                               &measurement.amps, &measurement.powerFactor,
                                               &measurement.frequency};
    for (int n = 0; n < int(values.size()); ++n)
        if (!values[n]->isNull())
            form.setText(valueFields[n], *values[n]);
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        if (!measurement.harmonicsMa[cell].isNull())
            form.setHrmNo(cell, measurement.harmonicsMa[cell]);
}

QString judgementNote(const CycleResult& result)
{
    QStringList said;
    if (result.verdict == Verdict::NotLimited)
        said << result.judgement.evaluation.problem;
    if (labVerdict(result))
        said << labBasisLine(result.judgement);
    said += result.judgement.notes;
    said.removeAll(QString());
    return said.join(QStringLiteral("; "));
}

void showResult(Form& form, const CycleResult& result)
{
    if (replyWasRead(result.verdict)) {
        showReply(form, zentoMeasurement(result.reply, result.measuredAt));
        showJudgement(form, result.judgement);
    }
    form.setJudgementNote(replyWasRead(result.verdict) ? judgementNote(result) : QString());
    form.setText(Field::Reslbl, verdictText(result.verdict));
    form.setBackColor(Field::Reslbl, verdictColour(result.verdict));
}

Colour verdictColour(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return Colour::Pass;
    case Verdict::Stopped:
    case Verdict::NotLimited:
        return Colour::Neutral;
    default:
        return Colour::Fail;
    }
}

ClassChoice selectedClassChoice(const Form& form, const WindowMembers& members)
{
    const ProductClass productClass = selectedClass(form);
    ClassChoice choice{productClass,
                       productClass == ProductClass::D ? form.text(Field::PowerD) : QString()};
    choice.edition = members.edition;
    choice.professional = members.professional;
    return choice;
}

bool measurementShown(const Form& form)
{
    for (Field field : {Field::Vlttxt, Field::AmpTxt, Field::FreqTxt, Field::Wattxt, Field::PfTxt})
        if (!form.text(field).isEmpty())
            return true;
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        if (!form.hrmNo(cell).isEmpty())
            return true;
    return false;
}

TestRun::TestRun(Form& form, Toolkit& toolkit, MeasurementCycle& cycle, Clock& clock,
                 WindowMembers& members, Activity& activity)
    : m_form(form), m_toolkit(toolkit), m_clock(clock), m_members(members), m_activity(activity),
      m_cycle(cycle)
{}

void TestRun::setResultListener(std::function<void(const CycleResult&)> listener)
{
    m_resultListener = std::move(listener);
}

void TestRun::Run_Click()
{
    // A click on Run while a cycle runs, whatever its caption, asks the
    // cycle to stop; it never starts a second one inside the first. The
    // second click of a double click on "Start Test" is no such request: it
    // is handled only once the cycle reaches a dispatch point, seconds later,
    // so it is told by when it was made, not when it is handled.
    if (m_activity.testRun) {
        const qint64 madeAt = m_toolkit.clickMadeAtMs();
        const bool secondOfADoubleClick =
            madeAt >= 0 && m_startClickAtMs >= 0 && madeAt >= m_startClickAtMs &&
            madeAt - m_startClickAtMs < m_toolkit.doubleClickIntervalMs();
        if (!secondOfADoubleClick)
            m_activity.stopRequested = true;
        return;
    }
    // Log on or off is waiting at one of its dispatch points.
    if (m_activity.logOn || m_activity.ending)
        return;

    // Class D with a power that is not a number from 50 to 600 W (the empty
    // field included): the message, and nothing is sent or changed.
    const ClassChoice choice = selectedClassChoice(m_form, m_members);
    if (choice.productClass == ProductClass::D && !choice.power.inRange()) {
        m_toolkit.messageBox(classDPowerRangeMessage());
        return;
    }

    ActivityScope running(m_activity.testRun);
    m_activity.stopRequested = false;
    m_startClickAtMs = m_toolkit.clickMadeAtMs();
    m_recorded = false;
    m_members.TestFailed = 0;
    m_choice = choice;
    m_cycle.run(m_choice, *this, *this);
    if (m_activity.ending) {
        // EXIT or closing the window ended the tool during the cycle. A
        // cycle that sent "*TRG" is a measurement all the same: it is
        // recorded, as stopped, before the tool ends.
        if (m_cycle.triggered()) {
            CycleResult stopped;
            stopped.verdict = Verdict::Stopped;
            stopped.judgement.productClass = m_choice.productClass;
            stopped.judgement.power = m_choice.classDPower().text();
            stopped.judgement.edition = m_choice.edition;
            stopped.judgement.professional = m_choice.professional;
            stopped.measuredAt = m_clock.currentDateTime();
            record(stopped);
        }
        return;
    }
    // Clicks on "Stop Test" that the window system still holds belong to the
    // cycle that just ended: take them as the stop requests they were, so
    // that none starts a new measurement.
    m_toolkit.dispatchEvents();
    m_activity.stopRequested = false;
}

void TestRun::progress(int value)
{
    m_form.setProgress(value);
}

Interruption::Go TestRun::poll()
{
    m_toolkit.dispatchEvents();
    // The power field stays editable during a cycle: the reply is judged
    // under the class and power as they stand after the last dispatch point.
    m_choice = selectedClassChoice(m_form, m_members);
    m_cycle.restate(m_choice);
    if (m_activity.ending)
        return Go::Abandon;
    return m_activity.stopRequested ? Go::Stop : Go::On;
}

void TestRun::cycleStarted()
{
    m_form.setText(Field::Reslbl, QStringLiteral("Retrieving results...."));
    m_form.setProgressVisible(true);
    m_form.setBackColor(Field::Reslbl, Colour::Neutral);
    m_form.setCaption(Button::Run, kStopCaption);
    m_form.setEnabled(Button::Log, false);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, false);
}

void TestRun::resultsCleared()
{
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        m_form.setHrmNo(cell, QString());
        m_form.setHrmLim(cell, QString());
        m_form.setHrmNoBackColor(cell, Colour::Neutral);
        m_form.setHrmNoForeColor(cell, Colour::Black);
    }
    for (Field field : {Field::Vlttxt, Field::Wattxt, Field::FreqTxt, Field::PfTxt, Field::AmpTxt})
        m_form.setText(field, QString());
    m_form.setJudgementNote(QString());
}

void TestRun::cycleEnded(const CycleResult& result)
{
    if (replyWasRead(result.verdict)) {
        m_members.result = result.reply.line;
        m_members.FundAmp = result.measurement().fundamentalA;
        if (result.judgement.anyFailed)
            m_members.TestFailed = -1;
    }
    showResult(m_form, result);

    // Clicks made while the cycle waited are handled now that the window
    // shows the new result (so "Print Result" prints it), while the class
    // options and Log are still disabled: they do nothing there. A request to
    // end the tool made during a wait is honoured before any message box;
    // Run_Click records the cycle then.
    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return;

    restoreControls();
    if (replyWasRead(result.verdict))
        m_form.setProgress(95);
    m_form.setProgress(100);
    m_form.setProgressVisible(false);
    if (m_cycle.triggered())
        record(result);
    if (toldInAMessage(result.verdict) && !result.problem.isEmpty())
        m_toolkit.messageBox(result.problem);
}

void TestRun::record(const CycleResult& result)
{
    if (m_recorded)
        return;
    m_recorded = true;
    if (m_resultListener)
        m_resultListener(result);
}

void TestRun::restoreControls()
{
    m_form.setCaption(Button::Run, kStartCaption);
    m_form.setEnabled(Button::Log, true);
    for (Option option : kClassOptions)
        m_form.setEnabled(option, true);
}
