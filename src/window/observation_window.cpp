#include "observation_window.h"

#include "analyzer_session.h"
#include "class_evaluation.h"
#include "class_selection.h"
#include "clock.h"
#include "guard_band.h"
#include "observation_keeper.h"
#include "observation_view.h"
#include "record_keeper.h"
#include "recording_dialog.h"
#include "recording_intake.h"
#include "serial_port.h"
#include "test_run.h"
#include "toolkit.h"
#include "widget_colours.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Timed Observation");
const QString kStartCaption = QStringLiteral("Start");
const QString kStopCaption = QStringLiteral("Stop");

// "2:30", or "23:59:59" from an hour on.
QString clockText(int seconds)
{
    const int hours = seconds / 3600;
    const int minutes = seconds / 60 % 60;
    const QString rest =
        QStringLiteral("%1:%2")
            .arg(hours > 0 ? QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0'))
                           : QString::number(minutes))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(rest) : rest;
}

} // namespace

ObservationWindow::ObservationWindow(AnalyzerSession& session, const ComDevices& devices,
                                     Form& form, Toolkit& toolkit, const WindowMembers& members,
                                     Activity& activity, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_devices(devices), m_form(form),
      m_toolkit(toolkit), m_members(members), m_activity(activity),
      m_observation(session.cycle(), session.clock())
{
    setObjectName(QStringLiteral("ObservationWindow"));
    setWindowTitle(kTitle);
    resize(960, 680);

    duration = new QSpinBox(this);
    duration->setRange(Observation::kShortestDurationS, Observation::kLongestDurationS);
    duration->setValue(Observation::kDefaultDurationS);
    duration->setSuffix(QStringLiteral(" s"));
    duration->setToolTip(QStringLiteral("Observation period, 30 s to 24 h"));
    guardBand = new QDoubleSpinBox(this);
    guardBand->setRange(0, kLargestGuardBandPct);
    guardBand->setDecimals(1);
    guardBand->setValue(0);
    guardBand->setSuffix(QStringLiteral(" %"));
    guardBand->setToolTip(
        QStringLiteral("Every limit reduced by this percentage for the verdict, 0 to 50 %"));
    professional = new QCheckBox(
        QStringLiteral("Professional equipment (Class A above 1 kW not limited)"), this);
    professional->setChecked(members.professional);
    startStop = new QPushButton(kStartCaption, this);
    judgedBy = new QLabel(this);
    judgedBy->setTextFormat(Qt::PlainText);
    samples = new QLabel(this);
    timeLeft = new QLabel(this);
    saveReport = new QPushButton(QStringLiteral("Save Report..."), this);
    saveReport->setToolTip(QStringLiteral("PDF, CSV or JSON report of the last observation"));
    chart = new ObservationChart(this);
    verdict = new QLineEdit(this);
    verdict->setReadOnly(true);
    verdict->setAlignment(Qt::AlignCenter);
    QFont verdictFont = verdict->font();
    verdictFont.setPointSize(16);
    verdictFont.setBold(true);
    verdict->setFont(verdictFont);
    // Wide enough for the longest verdict in the face the system has.
    int widest = 0;
    for (ObservationVerdict each : {ObservationVerdict::Pass, ObservationVerdict::Fail,
                                    ObservationVerdict::IncompleteObservation,
                                    ObservationVerdict::LineFailed, ObservationVerdict::Stopped})
        widest = std::max(
            widest, QFontMetrics(verdictFont)
                        .horizontalAdvance(withGuardBand(observationVerdictText(each), 12.5)));
    verdict->setMinimumWidth(widest + 4 * verdict->fontMetrics().averageCharWidth());
    sampling = new QLabel(this);
    // A reason naming three failed orders is wider than the window.
    sampling->setWordWrap(true);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Duration:"), this));
    controls->addWidget(duration);
    controls->addWidget(new QLabel(QStringLiteral("Guard band:"), this));
    controls->addWidget(guardBand);
    controls->addWidget(startStop);
    controls->addSpacing(16);
    controls->addWidget(samples);
    controls->addSpacing(16);
    controls->addWidget(timeLeft);
    controls->addStretch();
    controls->addWidget(saveReport);
    auto* outcome = new QHBoxLayout;
    outcome->addWidget(verdict);
    outcome->addWidget(sampling, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(professional);
    layout->addWidget(judgedBy);
    layout->addWidget(chart, 1);
    layout->addLayout(outcome);

    showCounts(0, 0);
    secondsLeft(duration->value());
    showJudgingBasis();
    connect(duration, &QSpinBox::valueChanged, this, [this](int seconds) {
        if (!m_running)
            secondsLeft(seconds);
    });
    showVerdict(QString(), Colour::Neutral);
    connect(startStop, &QPushButton::clicked, this, &ObservationWindow::startStopClicked);
    connect(saveReport, &QPushButton::clicked, this, &ObservationWindow::saveReportClicked);
    updateSaveReport();
}

struct ObservationWindow::PendingRecording
{
    QString path;
    ClassChoice choice;
    // Written by the judging thread, read once it has finished.
    QDateTime takenAt;
    RecordingIntake intake;
    // The verdict shown before, shown again when nothing is judged.
    QString verdictBefore;
    QColor colourBefore;
};

ObservationWindow::~ObservationWindow()
{
    // The judging thread reads its file to the end; its result is dropped.
    if (m_judge)
        m_judge->wait();
}

void ObservationWindow::setRecorder(ObservationRecorder* recorder)
{
    m_recorder = recorder;
}

void ObservationWindow::setReportSaver(ObservationReportSaver saver)
{
    m_reportSaver = std::move(saver);
    updateSaveReport();
}

void ObservationWindow::startStopClicked()
{
    if (m_running) {
        m_stopRequested = true;
        return;
    }
    // A log on or a single cycle of IEC1000 waits at one of its dispatch
    // points, or the tool is ending.
    if (m_activity.testRun || m_activity.logOn || m_activity.ending || judging())
        return;
    const QString why = refusal();
    if (!why.isEmpty()) {
        m_toolkit.messageBox(why);
        return;
    }
    run();
}

ClassChoice ObservationWindow::chosenClass() const
{
    ClassChoice choice = selectedClassChoice(m_form, m_members);
    choice.professional = professional->isChecked();
    return choice;
}

QString ObservationWindow::refusal() const
{
    if (!m_session.isLoggedOn() || !m_session.lineOpen())
        return QStringLiteral("Log on to the analyzer in the main window first: the observation "
                              "uses its session.");
    return classRefusal();
}

QString ObservationWindow::classRefusal() const
{
    const ClassChoice choice = chosenClass();
    if (choice.productClass == ProductClass::None)
        return QStringLiteral("Choose the product class in the main window first.");
    if (choice.productClass == ProductClass::D && !choice.power.inRange())
        return classDPowerRangeMessage();
    return QString();
}

void ObservationWindow::openRecording(QWidget* dialogParent)
{
    if (m_running || m_activity.ending)
        return;
    if (m_pending) {
        m_toolkit.messageBox(
            QStringLiteral("%1 is still being judged: open the next recording when it has ended.")
                .arg(QFileInfo(m_pending->path).fileName()));
        return;
    }
    if (const QString why = classRefusal(); !why.isEmpty()) {
        m_toolkit.messageBox(why);
        return;
    }
    const std::optional<RecordingChoice> recording = askForRecording(dialogParent);
    if (!recording)
        return;
    // Judged by what the window showed when the file was chosen.
    showJudgingBasis();
    ClassChoice choice = chosenClass();
    choice.guardBandPct = guardBand->value();
    startJudging(*recording, choice);
    show();
    raise();
    activateWindow();
}

void ObservationWindow::startJudging(const RecordingChoice& recording, const ClassChoice& choice)
{
    m_pending = std::make_unique<PendingRecording>();
    m_pending->path = recording.path;
    m_pending->choice = choice;
    m_pending->verdictBefore = verdict->text();
    m_pending->colourBefore = verdict->palette().color(QPalette::Base);
    startStop->setEnabled(false);
    updateSaveReport();
    showVerdict(QStringLiteral("Judging %1...").arg(QFileInfo(recording.path).fileName()),
                Colour::Neutral);

    PendingRecording* pending = m_pending.get();
    pending->takenAt = m_session.clock().currentDateTime();
    const RecordingOptions options = recording.options;
    m_judge.reset(QThread::create([pending, options] {
        pending->intake =
            takeRecording(pending->path, options, pending->choice, {}, pending->takenAt);
    }));
    connect(m_judge.get(), &QThread::finished, this, &ObservationWindow::recordingJudged);
    m_judge->start();
}

void ObservationWindow::recordingJudged()
{
    m_judge->wait();
    m_judge.release()->deleteLater();
    const std::unique_ptr<PendingRecording> pending = std::move(m_pending);
    startStop->setEnabled(true);
    updateSaveReport();
    const QString name = QFileInfo(pending->path).fileName();
    QString refusal;
    RecordingIntake& intake = pending->intake;
    if (intake.refused) {
        refusal = intake.refused->message;
    } else if (intake.shownOnly) {
        refusal = QStringLiteral("%1: %2").arg(name, intake.notKept);
        if (const auto& clipped = intake.shownOnly->clipped)
            refusal += QLatin1Char('\n') + clipped->message;
    }
    if (!refusal.isEmpty()) {
        verdict->setText(pending->verdictBefore);
        setRoleColour(verdict, QPalette::Base, pending->colourBefore);
        m_toolkit.messageBox(refusal);
        return;
    }

    ObservationRecord record = std::move(intake.record);
    showRecording(record);
    setWindowTitle(QStringLiteral("%1 - %2").arg(kTitle, name));
    if (m_recorder)
        m_recorder->keepRecording(record);
    m_last = std::move(record);
    updateSaveReport();
}

void ObservationWindow::showOutcome(const ObservationResult& result)
{
    showCounts(result.judgement.samplesJudged, result.judgement.samplesNotJudged);
    const bool judged =
        result.verdict == ObservationVerdict::Pass || result.verdict == ObservationVerdict::Fail;
    showVerdict(judged ? withGuardBand(observationVerdictText(result.verdict),
                                       result.judgement.guardBandPct)
                       : observationVerdictText(result.verdict),
                observationVerdictColour(result.verdict));
    sampling->setText(observationNotes(result));
}

void ObservationWindow::showRecording(const ObservationRecord& record)
{
    const ObservationResult& result = record.result;
    chart->clear();
    for (const ObservedSample& sample : result.samples)
        chart->showSample(sample.startS, chartPoints(result.judgement, sample));
    showOutcome(result);
}

void ObservationWindow::run()
{
    ActivityScope measuring(m_activity.testRun);
    m_running = true;
    setWindowTitle(kTitle);
    m_stopRequested = false;
    m_form.setEnabled(Button::Run, false);
    m_form.setEnabled(Button::Log, false);
    duration->setEnabled(false);
    guardBand->setEnabled(false);
    professional->setEnabled(false);
    startStop->setText(kStopCaption);
    saveReport->setEnabled(false);
    chart->clear();
    showCounts(0, 0);
    sampling->clear();
    showVerdict(QStringLiteral("Observing...."), Colour::Neutral);

    showJudgingBasis();
    ClassChoice choice = chosenClass();
    choice.guardBandPct = guardBand->value();
    ObservationRecord record =
        newObservationRecord(QStringLiteral("Com %1").arg(m_members.PortNumber),
                             recordedDevice(m_devices, m_session.deviceName()), choice,
                             duration->value(), m_session.clock().currentDateTime());
    m_recordId = 0;
    if (m_recorder) {
        m_recorder->begin(record);
        m_recordId = record.id;
    }

    record.result = m_observation.run(choice, duration->value(), *this, *this);
    m_last = record;
    if (m_recorder)
        m_recorder->finish(record);

    if (!m_activity.ending) {
        // Clicks on "Stop" the window system still holds belong to the
        // observation that just ended: none starts a new one.
        m_toolkit.dispatchEvents();
    }
    m_running = false;
    if (m_activity.ending) {
        // EXIT or closing IEC1000 ended the tool; the observation is
        // recorded "Stopped".
        close();
        return;
    }

    const ObservationResult& result = m_last->result;
    showOutcome(result);
    duration->setEnabled(true);
    guardBand->setEnabled(true);
    professional->setEnabled(true);
    startStop->setText(kStartCaption);
    // A line that failed ended the session.
    showJudgingBasis();
    m_form.setEnabled(Button::Run, true);
    m_form.setEnabled(Button::Log, true);
    updateSaveReport();
    if (result.verdict == ObservationVerdict::LineFailed && !result.problem.isEmpty())
        m_toolkit.messageBox(result.problem);
}

Interruption::Go ObservationWindow::poll()
{
    m_toolkit.dispatchEvents();
    if (m_activity.ending)
        return Go::Abandon;
    return m_stopRequested ? Go::Stop : Go::On;
}

void ObservationWindow::secondsLeft(int seconds)
{
    timeLeft->setText(QStringLiteral("Time left: %1").arg(clockText(seconds)));
}

// The chart reads the per-sample rule values and the running judgement; the
// cycle's full result is not needed here.
void ObservationWindow::sampleTaken(int index, const ObservedSample& sample, const CycleResult&,
                                    const ObservationJudgement& running)
{
    if (m_recorder && m_recordId > 0)
        m_recorder->addSample(m_recordId, index, sample);
    chart->showSample(sample.startS, chartPoints(running, sample));
    showCounts(running.samplesJudged, running.samplesNotJudged);
}

void ObservationWindow::showCounts(int judged, int notJudged)
{
    samples->setText(
        QStringLiteral("Samples: %1 judged, %2 not judged").arg(judged).arg(notJudged));
}

void ObservationWindow::showVerdict(const QString& text, Colour colour)
{
    verdict->setText(text);
    setRoleColour(verdict, QPalette::Base, widgetColour(colour));
}

void ObservationWindow::updateSaveReport()
{
    saveReport->setEnabled(m_reportSaver && m_last && !m_running && !judging());
}

void ObservationWindow::saveReportClicked()
{
    if (!m_reportSaver || !m_last || m_running)
        return;
    if (const std::optional<ProductInfo> product = m_reportSaver(*m_last, this))
        m_last->product = *product;
}

void ObservationWindow::showJudgingBasis()
{
    // While an observation runs, it judges by what it started with.
    if (m_running)
        return;
    const bool loggedOn = m_session.isLoggedOn() && m_session.lineOpen();
    judgedBy->setText(judgingBasisText(
        chosenClass(),
        loggedOn
            ? QStringLiteral("Com %1 (%2)").arg(m_members.PortNumber).arg(m_session.deviceName())
            : QString()));
}

void ObservationWindow::showEvent(QShowEvent* event)
{
    showJudgingBasis();
    QWidget::showEvent(event);
}

void ObservationWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showJudgingBasis();
    QWidget::changeEvent(event);
}

void ObservationWindow::closeEvent(QCloseEvent* event)
{
    // Closed during a run: the observation stops at its next dispatch point
    // and is recorded "Stopped".
    if (m_running)
        m_stopRequested = true;
    event->accept();
}
