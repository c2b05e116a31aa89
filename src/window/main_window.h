#pragma once

#include "analyzer_session.h"
#include "com_ports.h"
#include "log_on.h"
#include "record_keeper.h"
#include "test_run.h"
#include "window_model.h"

#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class ObservationRecorder;
class ObservationWindow;
class Printer;
class Toolkit;

// The key of the settings file that keeps whether the equipment is
// professional ("true"/"false"), beside the edition (kEditionSetting).
inline constexpr const char* kProfessionalSetting = "professional";

// The window's title under `edition`: "Zento IEC1000-3-2(Pre-Compliance)",
// with " - IEC 61000-3-2:2018+A1:2020" appended under any edition but 1995.
QString windowTitleFor(Edition edition);

// The window IEC1000, captioned "Zento IEC1000-3-2(Pre-Compliance)": every
// element, the members of the window and the event handlers. Each handler
// delegates its steps to the subsystem that owns them; the window is the
// Form those steps read and write.
class IEC1000 : public QWidget, public Form
{
    Q_OBJECT

public:
    // The window's inner area is 11880 x 7860 twips at 15 twips a pixel.
    static constexpr int kWidth = 792;
    static constexpr int kHeight = 524;

    // The window works the analyzer session it is given, its port options
    // standing for `devices`; records go to no store until setRecordStore().
    IEC1000(AnalyzerSession& session, const ComDevices& devices, Toolkit& toolkit, Printer& printer,
            QWidget* parent = nullptr);
    ~IEC1000() override;

    const WindowMembers& members() const { return m_members; }
    const Activity& activity() const { return m_activity; }

    // Where measurements are recorded: a store name as recordStoreName() gives it.
    void setRecordStore(const QString& storeName);

    // The window as it shows, rendered at `pixelRatio` times its size in
    // pixels, for the printout.
    QImage windowImage(qreal pixelRatio) const;

    // Form
    QString text(Field field) const override;
    void setText(Field field, const QString& text) override;
    void setBackColor(Field field, Colour colour) override;
    QString hrmNo(int cell) const override;
    void setHrmNo(int cell, const QString& text) override;
    void setHrmNoBackColor(int cell, Colour colour) override;
    void setHrmNoForeColor(int cell, Colour colour) override;
    QString hrmLim(int cell) const override;
    void setHrmLim(int cell, const QString& text) override;
    QString caption(Button button) const override;
    void setCaption(Button button, const QString& caption) override;
    void setEnabled(Button button, bool enabled) override;
    bool selected(Option option) const override;
    void setEnabled(Option option, bool enabled) override;
    void setProgressVisible(bool visible) override;
    void setProgress(int value) override;
    void setJudgementNote(const QString& text) override;

    using QWidget::setEnabled;

    // The colour a role stands for on this platform.
    static QColor colourOf(Colour colour);

    // The elements, by the names the handlers use.
    QLineEdit* Reslbl = nullptr;
    QLineEdit* Vlttxt = nullptr;
    QLineEdit* AmpTxt = nullptr;
    QLineEdit* FreqTxt = nullptr;
    QLineEdit* Wattxt = nullptr;
    QLineEdit* PfTxt = nullptr;
    QLineEdit* PowerD = nullptr;
    std::array<QLineEdit*, kHarmonicCells> HrmNo{};
    std::array<QLineEdit*, kHarmonicCells> HrmLim{};
    QPushButton* Run = nullptr;
    QPushButton* Log = nullptr;
    QPushButton* PrntFrm = nullptr;
    QPushButton* Exit = nullptr;
    QGroupBox* CommSet = nullptr;
    QGroupBox* Product = nullptr;
    QRadioButton* com1 = nullptr;
    QRadioButton* com2 = nullptr;
    QRadioButton* com3 = nullptr;
    QRadioButton* com4 = nullptr;
    QRadioButton* Aopt = nullptr;
    QRadioButton* Bopt = nullptr;
    QRadioButton* Copt = nullptr;
    QRadioButton* Dopt = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Image1 = nullptr;
    // The line below the legend and beside EXIT, outside the designed
    // elements: what the verdict alone does not say (the lab's basis, the
    // edition's notes, why it is not limited). Hidden while empty.
    QLabel* judgementNote = nullptr;

public slots:
    void Exit_Click();
    void Log_Click();
    void com1_Click();
    void com2_Click();
    void com3_Click();
    void com4_Click();
    void Run_Click();
    void PrntFrm_Click();
    void Aopt_Click();
    void Bopt_Click();
    void Copt_Click();
    void Dopt_Click();
    // "Save Report..." (Ctrl+S) and "Measurement History..." (Ctrl+H), from
    // the window's context menu; they do nothing while a measurement cycle
    // or log on runs.
    void saveReport();
    void showHistory();
    // "Timed Observation..." (Ctrl+T): shows the observation window, made on
    // first use; it works this window's line and session.
    void showObservation();
    // "Open Recording...": a recording judged as a timed observation in the
    // observation window (ObservationWindow::openRecording); nothing while a
    // measurement cycle, log on or observation runs.
    void openRecording();
    // "Judge by IEC 1000-3-2 (1995)", "Judge by IEC 61000-3-2:2018+A1:2020"
    // and "Professional equipment" in the context menu: every measurement,
    // observation and record from now on is judged so, the choice is kept in
    // the settings file, and the title names an edition other than 1995.
    void chooseEdition(Edition edition);
    void chooseProfessional(bool professional);

public:
    // The observation window; nullptr until it was first shown.
    ObservationWindow* observationWindow() const { return m_observationWindow.get(); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Makes every element of the layout table and sets the members naming them.
    void createElements();
    void connectElements();
    void createRecordActions();
    void createJudgingActions();
    void createJudgementNote();
    // The observation window, made on first use.
    void makeObservationWindow();
    // Whether a cycle or log on runs, or the tool is ending.
    bool busy() const;
    void Form_Load();
    QLineEdit* field(Field field) const;
    QPushButton* button(Button button) const;
    QRadioButton* option(Option option) const;
    // Ends the tool: handlers interrupted at a dispatch point return, the
    // window closes and the application leaves its event loop.
    void endApplication();

    AnalyzerSession& m_session;
    Toolkit& m_toolkit;
    Printer& m_printer;
    WindowMembers m_members;
    Activity m_activity;
    LogOn m_logOn;
    TestRun m_testRun;
    RecordKeeper m_records;
    QAction* m_saveReportAction = nullptr;
    QAction* m_historyAction = nullptr;
    QAction* m_observationAction = nullptr;
    QAction* m_openRecordingAction = nullptr;
    QAction* m_edition1995Action = nullptr;
    QAction* m_edition2018Action = nullptr;
    QAction* m_professionalAction = nullptr;
    // Records the observations in the store of m_records.
    std::unique_ptr<ObservationRecorder> m_observationKeeper;
    std::unique_ptr<ObservationWindow> m_observationWindow;
};
