#pragma once

#include "com_ports.h"
#include "observation.h"
#include "observation_chart.h"
#include "observation_record.h"
#include "window_model.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QThread;
class AnalyzerSession;
class ObservationRecorder;
class Toolkit;
struct RecordingChoice;

// Saves the report of an observation as the operator asks (product fields,
// file): the product fields given, nothing when the operator cancelled.
using ObservationReportSaver =
    std::function<std::optional<ProductInfo>(const ObservationRecord& record, QWidget* parent)>;

// "Timed Observation...": a window of its own beside IEC1000 that runs an
// observation on the session IEC1000 has logged on, under the class (and
// Class D power) chosen there. While it runs, IEC1000's Run and Log are
// disabled and its activity says a measurement runs; the cycles dispatch the
// window events at their dispatch points as a single cycle does, so the
// chart follows each sample and a click on "Stop" is taken there. EXIT or
// closing IEC1000 ends the observation "Stopped" (EXIT itself sends what it
// always sends); closing this window during a run stops it.
class ObservationWindow : public QWidget, private ObservationObserver, private Interruption
{
    Q_OBJECT

public:
    // `members` give the port number the record names; the session, form,
    // toolkit, members and activity outlive the window.
    // `devices`: the port options' devices, which records name (they outlive
    // the window).
    ObservationWindow(AnalyzerSession& session, const ComDevices& devices, Form& form,
                      Toolkit& toolkit, const WindowMembers& members, Activity& activity,
                      QWidget* parent = nullptr);
    ~ObservationWindow() override;

    // Records go nowhere until a recorder is set; it outlives the window.
    void setRecorder(ObservationRecorder* recorder);
    // "Save Report..." stays disabled until a saver is set and an
    // observation has ended.
    void setReportSaver(ObservationReportSaver saver);

    bool running() const { return m_running; }
    // Whether a recording is being judged.
    bool judging() const { return m_judge != nullptr; }
    // The last observation run from this window, as recorded.
    const std::optional<ObservationRecord>& last() const { return m_last; }

    QSpinBox* duration = nullptr;
    // The guard band, %, the observation is judged under (0 to 50).
    QDoubleSpinBox* guardBand = nullptr;
    // Professional equipment: under an edition that says so, Class A above
    // 1 kW is not limited. Starts as IEC1000's context menu has it.
    QCheckBox* professional = nullptr;
    QPushButton* startStop = nullptr;
    // The class, power and port of IEC1000 the observation judges by.
    QLabel* judgedBy = nullptr;
    ObservationChart* chart = nullptr;
    QLabel* samples = nullptr;
    QLabel* timeLeft = nullptr;
    QLineEdit* verdict = nullptr;
    QLabel* sampling = nullptr;
    QPushButton* saveReport = nullptr;

public slots:
    // "Start" starts an observation; "Stop" during one asks it to stop at
    // its next dispatch point.
    void startStopClicked();
    void saveReportClicked();
    // Shows what the next observation judges by (while one runs: what it
    // judges by); IEC1000 calls it when its class, power or session changes.
    void showJudgingBasis();
    // "Open Recording...": asks for a recording (its dialogs over
    // `dialogParent`) and judges it under what the next observation judges
    // by, away from the window's thread; this window says so meanwhile and
    // then shows its result as an observation's, its title naming the file,
    // and the recorder keeps it. Refused while an observation runs or
    // another recording is judged, or without a class to judge by.
    void openRecording(QWidget* dialogParent);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Interruption: the window's events are dispatched; "Stop" stops, EXIT
    // abandons.
    Go poll() override;
    // ObservationObserver
    void secondsLeft(int seconds) override;
    void sampleTaken(int index, const ObservedSample& sample, const CycleResult& cycle,
                     const ObservationJudgement& running) override;

    // What the next observation judges by: IEC1000's class, power and
    // edition, this window's category.
    ClassChoice chosenClass() const;
    // Why an observation cannot start now; empty when it can.
    QString refusal() const;
    // Why nothing can be judged under the class chosen; empty when it can.
    QString classRefusal() const;
    void startJudging(const RecordingChoice& recording, const ClassChoice& choice);
    void recordingJudged();
    // A recording's observation as this window shows a finished one.
    void showRecording(const ObservationRecord& record);
    void run();
    void showCounts(int judged, int notJudged);
    // The counts, the verdict and the notes of an ended observation or a
    // judged recording.
    void showOutcome(const ObservationResult& result);
    void showVerdict(const QString& text, Colour colour);
    void updateSaveReport();

    AnalyzerSession& m_session;
    const ComDevices& m_devices;
    Form& m_form;
    Toolkit& m_toolkit;
    const WindowMembers& m_members;
    Activity& m_activity;
    Observation m_observation;
    ObservationRecorder* m_recorder = nullptr;
    ObservationReportSaver m_reportSaver;
    bool m_running = false;
    bool m_stopRequested = false;
    qint64 m_recordId = 0;
    std::optional<ObservationRecord> m_last;
    // The recording being judged, and the thread judging it.
    struct PendingRecording;
    std::unique_ptr<PendingRecording> m_pending;
    std::unique_ptr<QThread> m_judge;
};
