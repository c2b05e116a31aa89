// IEC1000's records: its context menu ("Save Report...", "Measurement
// History...", "Timed Observation..." and "Open Recording...") with their
// shortcuts, the record store it keeps to, and what each item opens; the menu's choice of the
// edition and category every measurement is judged by.

#include "configuration.h"
#include "history_dialog.h"
#include "main_window.h"
#include "observation_window.h"
#include "save_report_dialog.h"
#include "toolkit.h"
#include "window_settings.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

void IEC1000::createRecordActions()
{
    m_saveReportAction = new QAction(QStringLiteral("Save Report..."), this);
    m_saveReportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_historyAction = new QAction(QStringLiteral("Measurement History..."), this);
    m_historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_observationAction = new QAction(QStringLiteral("Timed Observation..."), this);
    m_observationAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    for (QAction* action : {m_saveReportAction, m_historyAction, m_observationAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(m_saveReportAction, &QAction::triggered, this, &IEC1000::saveReport);
    connect(m_historyAction, &QAction::triggered, this, &IEC1000::showHistory);
    connect(m_observationAction, &QAction::triggered, this, &IEC1000::showObservation);
    m_openRecordingAction = new QAction(QStringLiteral("Open Recording..."), this);
    addAction(m_openRecordingAction);
    connect(m_openRecordingAction, &QAction::triggered, this, &IEC1000::openRecording);
}

void IEC1000::createJudgingActions()
{
    auto* editions = new QActionGroup(this);
    editions->setExclusive(true);
    m_edition1995Action =
        editions->addAction(QStringLiteral("Judge by ") + editionTitle(Edition::Iec1995));
    m_edition2018Action =
        editions->addAction(QStringLiteral("Judge by ") + editionTitle(Edition::Iec2018));
    for (QAction* action : {m_edition1995Action, m_edition2018Action})
        action->setCheckable(true);
    (m_members.edition == Edition::Iec2018 ? m_edition2018Action : m_edition1995Action)
        ->setChecked(true);
    connect(m_edition1995Action, &QAction::triggered, this,
            [this] { chooseEdition(Edition::Iec1995); });
    connect(m_edition2018Action, &QAction::triggered, this,
            [this] { chooseEdition(Edition::Iec2018); });
    m_professionalAction = new QAction(QStringLiteral("Professional equipment"), this);
    m_professionalAction->setCheckable(true);
    m_professionalAction->setChecked(m_members.professional);
    for (QAction* action : {m_edition1995Action, m_edition2018Action, m_professionalAction})
        addAction(action);
    connect(m_professionalAction, &QAction::triggered, this, &IEC1000::chooseProfessional);
}

void IEC1000::chooseEdition(Edition edition)
{
    // Not while a cycle or log on runs: the menu item shows what holds.
    if (!busy()) {
        m_members.edition = edition;
        windowSettings().setValue(QLatin1String(kEditionSetting), editionName(edition));
        setWindowTitle(windowTitleFor(edition));
        if (m_observationWindow)
            m_observationWindow->showJudgingBasis();
    }
    (m_members.edition == Edition::Iec2018 ? m_edition2018Action : m_edition1995Action)
        ->setChecked(true);
}

void IEC1000::chooseProfessional(bool professional)
{
    if (!busy()) {
        m_members.professional = professional;
        windowSettings().setValue(QLatin1String(kProfessionalSetting), professional);
        // The observation window's box follows.
        if (m_observationWindow)
            m_observationWindow->professional->setChecked(professional);
    }
    m_professionalAction->setChecked(m_members.professional);
}

void IEC1000::setRecordStore(const QString& storeName)
{
    m_records.setStoreName(storeName);
}

void IEC1000::contextMenuEvent(QContextMenuEvent* event)
{
    if (busy())
        return;
    QMenu menu(this);
    menu.addAction(m_saveReportAction);
    menu.addAction(m_historyAction);
    menu.addAction(m_observationAction);
    menu.addAction(m_openRecordingAction);
    menu.addSeparator();
    menu.addAction(m_edition1995Action);
    menu.addAction(m_edition2018Action);
    menu.addAction(m_professionalAction);
    menu.exec(event->globalPos());
}

bool IEC1000::busy() const
{
    return m_activity.testRun || m_activity.logOn || m_activity.ending;
}

void IEC1000::saveReport()
{
    if (busy())
        return;
    const std::optional<MeasurementRecord>& last = m_records.last();
    if (!last) {
        m_toolkit.messageBox(
            QStringLiteral("There is no measurement to save yet; run a test first."));
        return;
    }
    RecordStore* store = last->id > 0 ? m_records.store() : nullptr;
    if (const std::optional<ProductInfo> product = ::saveReport(*last, store, m_toolkit, this))
        m_records.setLastProduct(*product);
}

void IEC1000::showHistory()
{
    if (busy())
        return;
    HistoryDialog(m_records, m_toolkit, this).exec();
}

void IEC1000::showObservation()
{
    // While the observation runs, the shortcut only brings its window up.
    const bool observing = m_observationWindow && m_observationWindow->running();
    if (busy() && !observing)
        return;
    makeObservationWindow();
    m_observationWindow->show();
    m_observationWindow->raise();
    m_observationWindow->activateWindow();
}

void IEC1000::openRecording()
{
    if (busy())
        return;
    makeObservationWindow();
    m_observationWindow->openRecording(this);
}

void IEC1000::makeObservationWindow()
{
    if (!m_observationWindow) {
        m_observationWindow = std::make_unique<ObservationWindow>(
            m_session, m_logOn.devices(), *this, m_toolkit, m_members, m_activity);
        m_observationWindow->setRecorder(m_observationKeeper.get());
        m_observationWindow->setReportSaver(
            [this](const ObservationRecord& record, QWidget* parent) {
                RecordStore* store = record.id > 0 ? m_records.store() : nullptr;
                return ::saveObservationReport(record, store, m_toolkit, parent);
            });
        // What it judges by follows the class, the power and the session
        // (after the handlers of Log and Run have run).
        ObservationWindow* window = m_observationWindow.get();
        for (QRadioButton* option : {Aopt, Bopt, Copt, Dopt})
            connect(option, &QRadioButton::toggled, window, &ObservationWindow::showJudgingBasis);
        connect(PowerD, &QLineEdit::textChanged, window, &ObservationWindow::showJudgingBasis);
        for (QPushButton* button : {Log, Run})
            connect(button, &QPushButton::clicked, window, &ObservationWindow::showJudgingBasis);
    }
}
