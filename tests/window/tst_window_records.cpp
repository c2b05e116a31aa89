// The window keeps every measurement in the record store, and a store that
// cannot take it never changes what the measurement shows; its reports and
// the history's dialogs; the timed observation's window.

#include "analyzer_lines.h"
#include "as_nobody.h"
#include "configuration.h"
#include "fake_printer.h"
#include "fake_serial_port.h"
#include "fake_toolkit.h"
#include "history_dialog.h"
#include "judge_again_dialog.h"
#include "main_window.h"
#include "observation_view.h"
#include "observation_window.h"
#include "product_dialog.h"
#include "qt_serial_port.h"
#include "record_keeper.h"
#include "record_store.h"
#include "save_report_dialog.h"
#include "version.h"
#include "virtual_clock.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <memory>
#include <numbers>

#include <unistd.h>

namespace {

// The analyzer's ":FRD?" reply for a product whose 3rd harmonic (3.5 A)
// fails every class.
const QByteArray kFailingReply = failingReply();

struct Bench
{
    Bench() : port(clock)
    {
        window = std::make_unique<IEC1000>(session, fakeComDevices(), toolkit, printer);
        // The test's own store, as CTest names it.
        window->setRecordStore(qEnvironmentVariable("IEC1000_DB"));
        port.responder = [this](const QByteArray& line) {
            if (line == "*STB?")
                port.deliver("1\r\n", 100);
            else if (line == ":FRD?")
                port.deliver(frdReply, 50);
        };
    }

    // Logs on at Com 2 and chooses Class A.
    void logOnClassA()
    {
        window->com2->setChecked(true);
        window->com2_Click();
        window->Log_Click();
        window->Aopt->setChecked(true);
        window->Aopt_Click();
    }

    // Logs on at Com 2 and runs one Class A cycle.
    void measure()
    {
        logOnClassA();
        window->Run_Click();
    }

    // Opens "Timed Observation..." with its shortcut, as the operator does.
    ObservationWindow* openObservation()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        return window->observationWindow();
    }

    QAction* action(const QString& text) const
    {
        for (QAction* action : window->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    // What the analyzer answers to ":FRD?".
    QByteArray frdReply = kFailingReply;
    VirtualClock clock;
    FakeSerialPort port;
    AnalyzerSession session{port, clock};
    FakeToolkit toolkit;
    FakePrinter printer;
    std::unique_ptr<IEC1000> window;
};

// The passing reply with `watts` in its first field and, when given, `third`
// in the 3rd harmonic's field.
QByteArray passingReplyWith(const QByteArray& watts, const QByteArray& third = {})
{
    QList<QByteArray> fields = kPassingReply.trimmed().split(',');
    fields[0] = watts;
    if (!third.isEmpty())
        fields[9] = third;
    return fields.join(',') + "\r\n";
}

// The edition and category a test chooses are forgotten when it ends, so
// that the next test judges by 1995 again.
struct ForgetsTheJudgingChoice
{
    ~ForgetsTheJudgingChoice()
    {
        QSettings settings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
        settings.remove(QLatin1String(kEditionSetting));
        settings.remove(QLatin1String(kProfessionalSetting));
    }
};

// What a bench's port was sent after the log on, line by line.
QList<QByteArray> sentAfterLogOn(const Bench& bench)
{
    QList<QByteArray> lines = bench.port.wire.split('\n');
    lines.removeLast(); // after the last line end
    for (QByteArray& line : lines)
        line.chop(1); // CR
    return lines.mid(kExpectedConfiguration.size());
}

// Answers Save Report's two dialogs once they open: the product name and
// serial number typed when given, then `path` chosen in the file dialog.
void answerSaveReport(const QString& path, const QStringList& typed = {})
{
    QTimer::singleShot(0, [path, typed] {
        auto* dialog = qobject_cast<ProductDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
        for (qsizetype i = 0; i < typed.size(); ++i)
            fields[i]->setText(typed[i]);
        QTimer::singleShot(0, [path] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(files);
            files->selectFile(path);
            QMetaObject::invokeMethod(files, "accept");
        });
        dialog->accept();
    });
}

// A recording of 3 s at 8 kHz as an oscilloscope writes it: 230 V at 50 Hz
// and a current of 4 A with a 3rd harmonic of `thirdA` A (Class A allows
// 2.3 A), every value rms.
void writeRecording(const QString& path, double thirdA)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,voltage,current\n");
    const double w = 2 * std::numbers::pi * 50;
    const double peak = std::numbers::sqrt2;
    for (int n = 0; n < 24000; ++n) {
        const double t = n / 8000.0;
        const double amps = peak * (4 * std::sin(w * t) + thirdA * std::sin(3 * w * t));
        file.write(QByteArray::number(t, 'g', 10) + ',' +
                   QByteArray::number(peak * 230 * std::sin(w * t), 'f', 4) + ',' +
                   QByteArray::number(amps, 'f', 5) + '\n');
    }
}

// Chooses `path` in the file dialog "Open Recording..." opens.
void answerOpenRecording(const QString& path)
{
    QTimer::singleShot(0, [path] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(files);
        files->selectFile(path);
        QMetaObject::invokeMethod(files, "accept");
    });
}

} // namespace

class TestWindowRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cycleLandsInTheStore();
    void unwritableStoreIsToldOnceAndChangesNoVerdict();
    void saveReportWithoutAMeasurementSaysSo();
    void printClickedDuringTheLastWaitPrintsTheNewResult();
    void endingTheToolDuringAWaitRecordsTheCycleStopped_data();
    void endingTheToolDuringAWaitRecordsTheCycleStopped();
    void suggestedReportName();
    void savedReportSaysWhereAndItsFolderIsOfferedNext();
    void judgeAgainShowsItsVerdictInItsColour_data();
    void judgeAgainShowsItsVerdictInItsColour();
    void judgeAgainRefusesAClassDPowerOutOfRange();
    void judgeAgainKeepsTheStoredGuardBand();
    void historyListsATimedObservation();
    void historyMarksSimulatedRecords();
    void productDialogRemembersTheLabFields();
    void ctrlTOpensTheObservationWindowWhichNeedsTheSession();
    void observationRunsCyclesUntilItsDurationHasPassed_data();
    void observationRunsCyclesUntilItsDurationHasPassed();
    void observationStoppedOrEndedByExitIsRecordedStopped_data();
    void observationStoppedOrEndedByExitIsRecordedStopped();
    void observationSaveReportStoresTheFields();
    void recordsOfTheSimulatedAnalyzerSaySo();
    void judgementNoteGivesTheLabsBasis();
    void editionChosenInTheMenuJudgesAndTitles();
    void judgingChoiceIsRemembered();
    void observationNotesBesideTheVerdict_data();
    void observationNotesBesideTheVerdict();
    void chartRanksJudgedOrdersOnly();
    void openedRecordingIsShownAndKept();
    void recordingThatCannotBeJudgedIsToldAndNotKept();

private:
    QTemporaryDir m_dir;
};

void TestWindowRecords::initTestCase()
{
    // The remembered operator and folder go to the test's own settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("settings")));
}

void TestWindowRecords::cycleLandsInTheStore()
{
    const QString path = m_dir.filePath(QStringLiteral("records.sqlite"));
    Bench bench;
    bench.window->setRecordStore(path);
    bench.measure();
    QCOMPARE(bench.window->Reslbl->text(), QStringLiteral("Fail"));
    QVERIFY(bench.toolkit.messages.isEmpty());

    RecordStore store;
    QVERIFY(store.open(path).succeeded());
    const QList<RecordSummary> history = store.history(0);
    QCOMPARE(history.size(), 1);
    const std::optional<MeasurementRecord> record = store.record(history.first().id);
    QVERIFY(record);
    QCOMPARE(record->port, QStringLiteral("Com 2"));
    QCOMPARE(record->device, QStringLiteral("/dev/fake2"));
    QCOMPARE(record->toolVersion, QString::fromLatin1(kToolVersion));
    QCOMPARE(record->result.verdict, Verdict::Fail);
    QCOMPARE(record->result.judgement.productClass, ProductClass::A);
    QCOMPARE(record->result.reply.line, QString::fromLatin1(kFailingReply));
    QVERIFY(record->product.product.isEmpty() && record->product.operatorName.isEmpty());
    // An ordinary measurement under 1995 adds no line to the window.
    QVERIFY(bench.window->judgementNote->isHidden());
}

void TestWindowRecords::unwritableStoreIsToldOnceAndChangesNoVerdict()
{
    const QString folder = m_dir.filePath(QStringLiteral("read-only"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther));
    QVERIFY(QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeOther |
                                                    QFile::ReadOther));
    Bench bench;
    bench.window->setRecordStore(folder + QStringLiteral("/records.sqlite"));
    {
        AsNobody nobody;
        bench.measure();
    }
    QCOMPARE(bench.window->Reslbl->text(), QStringLiteral("Fail"));
    QCOMPARE(bench.window->Reslbl->palette().color(QPalette::Base), QColor(255, 0, 0));
    QCOMPARE(bench.window->HrmNo[1]->text(), QStringLiteral("3500"));
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY2(bench.toolkit.messages.first().startsWith(
                 QStringLiteral("The measurement was not recorded: the record store ")),
             qPrintable(bench.toolkit.messages.first()));
}

void TestWindowRecords::saveReportWithoutAMeasurementSaysSo()
{
    Bench bench;
    QAction* save = bench.action(QStringLiteral("Save Report..."));
    QVERIFY(save);
    QCOMPARE(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    save->trigger();
    QCOMPARE(bench.toolkit.messages,
             QStringList{"There is no measurement to save yet; run a test first."});
}

void TestWindowRecords::printClickedDuringTheLastWaitPrintsTheNewResult()
{
    Bench bench;
    bench.window->setRecordStore(m_dir.filePath(QStringLiteral("print.sqlite")));
    const auto responder = bench.port.responder;
    bench.port.responder = [&](const QByteArray& line) {
        responder(line);
        if (line == ":FRD?") // clicked during the 3-second wait
            bench.toolkit.queueClick([&] { bench.window->PrntFrm_Click(); });
    };
    bench.measure();
    QVERIFY(bench.toolkit.messages.isEmpty());
    QCOMPARE(bench.printer.printed.size(), 1);
}

void TestWindowRecords::endingTheToolDuringAWaitRecordsTheCycleStopped_data()
{
    QTest::addColumn<QByteArray>("waitAfter");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<QByteArray>("lastSent");
    // EXIT, handled at the next point that takes clicks, sends ":DVC";
    // closing the window sends nothing.
    QTest::newRow("EXIT after *TRG")
        << QByteArray("*TRG") << true << QByteArray("*STB?\r\n:DVC\r\n");
    QTest::newRow("EXIT after :FRD?")
        << QByteArray(":FRD?") << true << QByteArray(":FRD?\r\n:DVC\r\n");
    QTest::newRow("close after *TRG")
        << QByteArray("*TRG") << false << QByteArray("*TRG\r\n*STB?\r\n");
    QTest::newRow("close after :FRD?")
        << QByteArray(":FRD?") << false << QByteArray("*STB?\r\n:FRD?\r\n");
}

void TestWindowRecords::endingTheToolDuringAWaitRecordsTheCycleStopped()
{
    QFETCH(QByteArray, waitAfter);
    QFETCH(bool, exit);
    QFETCH(QByteArray, lastSent);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".sqlite");
    Bench bench;
    bench.window->setRecordStore(path);
    const auto responder = bench.port.responder;
    bench.port.responder = [&](const QByteArray& line) {
        responder(line);
        if (line == waitAfter)
            bench.toolkit.queueClick(
                [&] { exit ? bench.window->Exit_Click() : (void)bench.window->close(); });
    };
    bench.measure();
    QVERIFY(bench.port.wire.endsWith(lastSent));
    QVERIFY(!bench.port.portOpen() && bench.toolkit.messages.isEmpty());
    RecordStore store;
    QVERIFY(store.open(path).succeeded());
    const QList<RecordSummary> history = store.history(0);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().verdict, Verdict::Stopped);
    QCOMPARE(history.first().productClass, ProductClass::A);
}

void TestWindowRecords::suggestedReportName()
{
    const QDateTime measuredAt(QDate(2026, 12, 7), QTime(23, 59, 30));
    QCOMPARE(::suggestedReportName({QStringLiteral("Lamp 60W"), QStringLiteral("SN/123"), {}, {}},
                                   measuredAt),
             QStringLiteral("Lamp-60W_SN-123_2026-12-07.pdf"));
    QCOMPARE(::suggestedReportName(
                 {QStringLiteral("../../etc/passwd"), QStringLiteral("a:b*c?\"<>|"), {}, {}},
                 measuredAt),
             QStringLiteral("etc-passwd_a-b-c_2026-12-07.pdf"));
    QCOMPARE(::suggestedReportName({{}, QStringLiteral("   "), {}, {}}, measuredAt),
             QStringLiteral("Report_2026-12-07.pdf"));
}

void TestWindowRecords::savedReportSaysWhereAndItsFolderIsOfferedNext()
{
    const QString folder = m_dir.filePath(QStringLiteral("reports"));
    QVERIFY(QDir().mkpath(folder) && reportFolder() != folder);
    const QString path = folder + QStringLiteral("/Lamp_SN1_2026-12-07.csv");
    FakeToolkit toolkit;
    answerSaveReport(path);
    QVERIFY(::saveReport(MeasurementRecord(), nullptr, toolkit, nullptr));
    QCOMPARE(toolkit.messages, QStringList{"The report was saved as " + path});
    QVERIFY(QFile::exists(path));
    QCOMPARE(reportFolder(), folder);
}

void TestWindowRecords::judgeAgainShowsItsVerdictInItsColour_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("thirdState");
    QTest::newRow("Pass") << kPassingReply << QColor(0, 255, 0) << "Pass";
    QTest::newRow("Fail") << kFailingReply << QColor(255, 0, 0) << "Fail";
}

void TestWindowRecords::judgeAgainShowsItsVerdictInItsColour()
{
    QFETCH(QByteArray, reply);
    QFETCH(QColor, colour);
    QFETCH(QString, thirdState);
    MeasurementRecord record;
    record.result.reply.line = QString::fromLatin1(reply);
    FakeToolkit toolkit;
    JudgeAgainDialog dialog(record, toolkit);
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Judge"))
            button->click();
    QLabel* shown = nullptr;
    for (QLabel* text : dialog.findChildren<QLabel*>())
        if (text->text() == QString::fromLatin1(QTest::currentDataTag()))
            shown = text;
    QVERIFY(shown);
    QCOMPARE(shown->grab().toImage().pixelColor(1, 1), colour);
    // Class A: the 2nd harmonic (3.1 mA) is below 5 mA, the 3rd judged.
    const auto* states = dialog.findChild<QTreeWidget*>();
    QCOMPARE(states->topLevelItem(0)->text(3), QStringLiteral("Not tested"));
    QCOMPARE(states->topLevelItem(1)->text(3), thirdState);
}

void TestWindowRecords::judgeAgainRefusesAClassDPowerOutOfRange()
{
    MeasurementRecord record;
    record.result.reply.line = QString::fromLatin1(kFailingReply);
    FakeToolkit toolkit;
    JudgeAgainDialog dialog(record, toolkit);
    auto* classes = dialog.findChild<QComboBox*>();
    classes->setCurrentIndex(classes->findData(int(ProductClass::D)));
    dialog.findChild<QLineEdit*>()->setText(QStringLiteral("1e6"));
    QPushButton* judge = nullptr;
    QPushButton* save = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("Judge"))
            judge = button;
        if (button->text() == QLatin1String("Save Report..."))
            save = button;
    }
    QVERIFY(judge && save);
    judge->click();
    QCOMPARE(toolkit.messages,
             QStringList{"You need to enter a value  from 50 to 600 for Class D Power"});
    // Nothing judged: no verdict shown, no report of it to save.
    QVERIFY(!save->isEnabled());
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->wordWrap())
            QCOMPARE(label->text(), QString());
}

// The passing reply with its 40th at 43 mA: 93 % of the Class A limit 46
// mA, above the 41.4 mA of a 10 % guard band, which the record was judged
// under.
void TestWindowRecords::judgeAgainKeepsTheStoredGuardBand()
{
    MeasurementRecord record;
    QByteArray reply = kPassingReply;
    reply.replace(reply.lastIndexOf("3.0000E-04"), 10, "4.3000E-02");
    record.result.reply.line = QString::fromLatin1(reply);
    record.choice = {ProductClass::A, {}, 10};
    record.result.judgement.productClass = ProductClass::A;
    record.result.judgement.guardBandPct = 10;
    FakeToolkit toolkit;
    JudgeAgainDialog dialog(record, toolkit);
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Judge"))
            button->click();
    QStringList verdicts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->wordWrap())
            verdicts << label->text();
    QCOMPARE(verdicts, QStringList{"Fail"});
    QCOMPARE(dialog.findChild<QTreeWidget*>()->topLevelItem(38)->text(3), QStringLiteral("Fail"));
}

void TestWindowRecords::productDialogRemembersTheLabFields()
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ProductInfo given;
    given.lab = QStringLiteral("EMC lab 2");
    given.instrument = QStringLiteral("Zento PA-1, SN 4711");
    given.conditions = QStringLiteral("230 V 50 Hz, 23 °C");
    QTimer::singleShot(0,
                       [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->accept(); });
    const std::optional<ProductInfo> asked = ProductDialog::ask(given, nullptr);
    QVERIFY(asked);
    QCOMPARE(asked->conditions, given.conditions);

    // Offered again to the next report that names none.
    const ProductInfo next = ProductDialog(ProductInfo()).product();
    QCOMPARE(QStringList({next.lab, next.instrument, next.conditions}),
             QStringList({given.lab, given.instrument, given.conditions}));
}

// A timed observation is listed by its record id with its own verdict and
// kind, its stored texts escaped as the text output escapes them; it is
// judged again on the command line, not through Judge Again.
void TestWindowRecords::historyListsATimedObservation()
{
    FakeToolkit toolkit;
    RecordKeeper keeper(toolkit);
    keeper.setStoreName(m_dir.filePath(QStringLiteral("observation.sqlite")));
    ObservationRecord observation =
        newObservationRecord({}, {}, {ProductClass::A, {}}, 0, QDateTime::currentDateTime());
    observation.result.verdict = ObservationVerdict::IncompleteObservation;
    // A right-to-left override would show "Lamp" and the rest reversed.
    observation.product.product = QStringLiteral("Lamp \u202eA-11");
    RecordStore* store = keeper.store();
    QVERIFY(store && store->beginObservation(observation).succeeded());
    QVERIFY(store->finishObservation(observation).succeeded());

    HistoryDialog dialog(keeper, toolkit);
    auto* list = dialog.findChild<QTreeWidget*>();
    QCOMPARE(list->topLevelItemCount(), 1);
    QTreeWidgetItem* row = list->topLevelItem(0);
    QVERIFY(observation.id > 0);
    QCOMPARE(QStringList({row->text(0), row->text(3), row->text(4), row->text(6)}),
             QStringList({QString::number(observation.id), "Incomplete observation",
                          "Lamp \\u202eA-11", "Timed observation"}));
    list->setCurrentItem(row);
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("Judge Again..."))
            QVERIFY(!button->isEnabled());
        if (button->text() == QLatin1String("Save Report..."))
            QVERIFY(button->isEnabled());
    }
}

// A record made on the simulated analyzer says so in its kind.
void TestWindowRecords::historyMarksSimulatedRecords()
{
    FakeToolkit toolkit;
    RecordKeeper keeper(toolkit);
    keeper.setStoreName(m_dir.filePath(QStringLiteral("simulated.sqlite")));
    RecordStore* store = keeper.store();
    QVERIFY(store);
    MeasurementRecord simulated =
        newRecord({}, QStringLiteral("Com 1"), simulatedDevice(QStringLiteral("/dev/pts/7")));
    QVERIFY(store->add(simulated).succeeded());
    HistoryDialog dialog(keeper, toolkit);
    auto* list = dialog.findChild<QTreeWidget*>();
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(6), "Measurement (simulated)");
}

QTEST_MAIN(TestWindowRecords)
#include "tst_window_records.moc"

void TestWindowRecords::ctrlTOpensTheObservationWindowWhichNeedsTheSession()
{
    Bench bench;
    QVERIFY(bench.action(QStringLiteral("Timed Observation...")));
    ObservationWindow* observation = bench.openObservation();
    QVERIFY(observation && observation->isVisible());
    QCOMPARE(observation->duration->value(), 150);
    QVERIFY(observation->verdict->fontMetrics().horizontalAdvance("Incomplete observation") <
            observation->verdict->contentsRect().width());
    QVERIFY(!observation->saveReport->isEnabled()); // nothing observed yet
    // What it judges by follows the main window.
    QCOMPARE(observation->judgedBy->text(),
             QStringLiteral("Judges by no class chosen yet (not logged on)"));
    bench.window->PowerD->setText(QStringLiteral("75"));
    bench.window->Dopt->setChecked(true);
    QCOMPARE(observation->judgedBy->text(),
             QStringLiteral("Judges by Class D at 75 W (not logged on)"));
    // The edition, once another is chosen in the main window's menu.
    bench.action(QStringLiteral("Judge by IEC 61000-3-2:2018+A1:2020"))->trigger();
    {
        // Back to 1995 however the check ends: the choice is kept in the settings.
        const auto back = qScopeGuard(
            [&] { bench.action(QStringLiteral("Judge by IEC 1000-3-2 (1995)"))->trigger(); });
        QCOMPARE(observation->judgedBy->text(),
                 QStringLiteral("Judges by Class D at 75 W under IEC 61000-3-2:2018+A1:2020 "
                                "(not logged on)"));
    }

    observation->startStop->click();
    QCOMPARE(bench.toolkit.messages,
             QStringList{"Log on to the analyzer in the main window first: the observation "
                         "uses its session."});
    QVERIFY(bench.port.wire.isEmpty());
}

void TestWindowRecords::observationRunsCyclesUntilItsDurationHasPassed_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<double>("guardBand");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("firstNote");
    QTest::newRow("pass") << kPassingReply << 0.0 << "Pass" << QColor(0, 255, 0)
                          << "sampled every ";
    // Why it failed, beside the verdict: the reply's 3rd harmonic, 3.5 A
    // against 2.3 A.
    QTest::newRow("fail") << kFailingReply << 0.0 << "Fail" << QColor(255, 0, 0)
                          << "3rd: average at 152 %, one sample at 152 % of its limit\n";
    QTest::newRow("fail, 10 % guard band")
        << kFailingReply << 10.0 << "Fail (10 % guard band)" << QColor(255, 0, 0) << "3rd: ";
}

void TestWindowRecords::observationRunsCyclesUntilItsDurationHasPassed()
{
    QFETCH(QByteArray, reply);
    QFETCH(double, guardBand);
    QFETCH(QString, verdict);
    QFETCH(QColor, colour);
    Bench bench;
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            bench.port.deliver("1\r\n", 100);
        else if (line == ":FRD?")
            bench.port.deliver(reply, 50);
    };
    bench.logOnClassA();
    ObservationWindow* observation = bench.openObservation();
    QVERIFY(observation);
    QCOMPARE(observation->judgedBy->text(),
             QStringLiteral("Judges by Class A on Com 2 (/dev/fake2)"));
    observation->duration->setValue(30);
    QCOMPARE(observation->guardBand->value(), 0.0);
    observation->guardBand->setValue(guardBand);
    int dispatchesWithRunOrLogEnabled = 0;
    bench.toolkit.onDispatch = [&](int) {
        if (bench.window->Run->isEnabled() || bench.window->Log->isEnabled())
            ++dispatchesWithRunOrLogEnabled;
    };
    const qint64 startedMs = bench.clock.nowMs();

    observation->startStop->click();

    // A cycle takes about 8 s: cycles start at about 0, 8, 16 and 24 s; the
    // one under way at 30 s completes and counts.
    QList<QByteArray> cycles;
    for (int n = 0; n < 4; ++n)
        cycles << "*TRG"
               << "*STB?"
               << ":FRD?";
    QCOMPARE(sentAfterLogOn(bench), cycles);
    QVERIFY(bench.clock.nowMs() - startedMs >= 30000);
    QVERIFY(bench.toolkit.dispatches > 0);
    QCOMPARE(dispatchesWithRunOrLogEnabled, 0);
    QVERIFY(bench.window->Run->isEnabled() && bench.window->Log->isEnabled());
    QCOMPARE(observation->verdict->text(), verdict);
    QCOMPARE(observation->verdict->palette().color(QPalette::Base), colour);
    QFETCH(QString, firstNote);
    QVERIFY2(observation->sampling->text().startsWith(firstNote),
             qPrintable(observation->sampling->text()));
    QCOMPARE(observation->samples->text(), QStringLiteral("Samples: 4 judged, 0 not judged"));
    QVERIFY(!observation->chart->worstOrders().empty());
    QVERIFY(observation->saveReport->isEnabled());
    QVERIFY(bench.toolkit.messages.isEmpty());
    QCOMPARE(observation->last()->result.choice.guardBandPct, guardBand);
}

// The fields typed in the observation window's Save Report are kept with the
// observation's record, as a measurement's are.
void TestWindowRecords::observationSaveReportStoresTheFields()
{
    Bench bench;
    const QString store = m_dir.filePath(QStringLiteral("observation-fields.sqlite"));
    bench.window->setRecordStore(store);
    bench.logOnClassA();
    ObservationWindow* observation = bench.openObservation();
    QVERIFY(observation);
    observation->duration->setValue(30);
    observation->startStop->click();
    QVERIFY(observation->saveReport->isEnabled());

    const QString path = m_dir.filePath(QStringLiteral("observation-fields.csv"));
    answerSaveReport(path, {QStringLiteral("Fan F1 typed"), QStringLiteral("SN-31")});
    observation->saveReport->click();
    QCOMPARE(bench.toolkit.messages, QStringList{"The report was saved as " + path});

    RecordStore reader;
    QVERIFY(reader.open(store, StoreAccess::Read).succeeded());
    const QList<RecordSummary> found = reader.history(0, QStringLiteral("Fan F1 typed"));
    QCOMPARE(found.size(), 1);
    const std::optional<ObservationRecord> stored = reader.observation(found.first().id);
    QVERIFY(stored);
    QCOMPARE(QStringList({stored->product.product, stored->product.serial}),
             QStringList({"Fan F1 typed", "SN-31"}));
}

// `iec1000 --demo` points Com 1 at the built-in simulated analyzer: the
// records made there name it, the other ports' their device.
void TestWindowRecords::recordsOfTheSimulatedAnalyzerSaySo()
{
    ComDevices devices;
    devices.setDevice(1, QStringLiteral("/dev/pts/7"));
    devices.setSimulated(1);
    QCOMPARE(recordedDevice(devices, devices.device(1)),
             QStringLiteral("simulated analyzer at /dev/pts/7"));
    QVERIFY(isSimulatedDevice(recordedDevice(devices, devices.device(1))));
    QCOMPARE(recordedDevice(devices, devices.device(2)), devices.device(2));
}

void TestWindowRecords::observationStoppedOrEndedByExitIsRecordedStopped_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("lastSent");
    // The click is taken at the dispatch point after the second "*STB?":
    // Stop and closing the observation's window send nothing more; EXIT
    // sends what it always sends.
    QTest::newRow("Stop") << "Stop" << QByteArray("*TRG\r\n*STB?\r\n");
    QTest::newRow("close") << "close" << QByteArray("*TRG\r\n*STB?\r\n");
    QTest::newRow("EXIT") << "EXIT" << QByteArray("*STB?\r\n*RST\r\n:DVC\r\n");
}

void TestWindowRecords::observationStoppedOrEndedByExitIsRecordedStopped()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, lastSent);
    const bool exit = how == "EXIT";
    const QString path = m_dir.filePath("observation-" + how + ".sqlite");
    Bench bench;
    bench.window->setRecordStore(path);
    bench.logOnClassA();
    ObservationWindow* observation = bench.openObservation();
    QVERIFY(observation);
    RecordStore reader;
    QVERIFY(reader.open(path).succeeded());
    int triggers = 0;
    qsizetype storedBeforeTheSecondSample = -1;
    const auto responder = bench.port.responder;
    bench.port.responder = [&](const QByteArray& line) {
        responder(line);
        if (line == "*TRG" && ++triggers == 2) {
            // Each sample is in the store as soon as it was taken.
            if (const auto kept = reader.observation(reader.history(0).value(0).id))
                storedBeforeTheSecondSample = kept->result.samples.size();
            bench.toolkit.queueClick([&] {
                if (how == "close")
                    observation->close();
                else
                    exit ? bench.window->Exit_Click() : observation->startStop->click();
            });
        }
    };

    observation->startStop->click();

    QVERIFY(bench.port.wire.endsWith(lastSent));
    QCOMPARE(storedBeforeTheSecondSample, 1);
    const QList<RecordSummary> history = reader.history(0);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().kind, QStringLiteral("observation"));
    QCOMPARE(history.first().observationVerdict, QStringLiteral("Stopped"));
    const std::optional<ObservationRecord> kept = reader.observation(history.first().id);
    QVERIFY(kept);
    QCOMPARE(kept->port, QStringLiteral("Com 2"));
    QCOMPARE(kept->result.samples.size(), 1);
    QCOMPARE(kept->result.samples.first().line, QByteArray(kFailingReply));
    QVERIFY(bench.toolkit.messages.isEmpty());
    QCOMPARE(bench.port.portOpen(), !exit);
    QCOMPARE(observation->isVisible(), how == "Stop");
    if (exit)
        return;
    QCOMPARE(observation->verdict->text(), QStringLiteral("Stopped"));
    QCOMPARE(observation->verdict->palette().color(QPalette::Base),
             IEC1000::colourOf(Colour::Neutral));
    QVERIFY(bench.window->Run->isEnabled() && bench.window->Log->isEnabled());
}

// Class D typed 90 W, measured 75 W, 3rd 280 mA: within the 306 mA of
// 90 W, over the 255 mA of 75 W. The verdict is 1995's; the line below the
// legend says the lab's.
void TestWindowRecords::judgementNoteGivesTheLabsBasis()
{
    Bench bench;
    bench.frdReply = passingReplyWith("7.5000E+01", "2.8000E-01");
    bench.window->com2->setChecked(true);
    bench.window->com2_Click();
    bench.window->Log_Click();
    bench.window->PowerD->setText(QStringLiteral("90"));
    bench.window->Dopt->setChecked(true);
    bench.window->Dopt_Click();
    bench.window->Run_Click();
    QCOMPARE(bench.window->Reslbl->text(), QStringLiteral("Pass"));
    QVERIFY(!bench.window->judgementNote->isHidden());
    QCOMPARE(bench.window->judgementNote->toolTip(),
             QStringLiteral("Measured 75 W is outside 90-110 % of the typed 90 W: at the lab's "
                            "basis the product fails (3rd 280 mA against 255 mA)"));
}

// 2018 chosen in the context menu: a 60 W Class A product is not limited,
// the line says why, and the title names the edition.
void TestWindowRecords::editionChosenInTheMenuJudgesAndTitles()
{
    ForgetsTheJudgingChoice forgets;
    Bench bench;
    bench.frdReply = passingReplyWith("6.0000E+01");
    QCOMPARE(bench.window->windowTitle(), QStringLiteral("Zento IEC1000-3-2(Pre-Compliance)"));
    QAction* edition2018 = bench.action(QStringLiteral("Judge by IEC 61000-3-2:2018+A1:2020"));
    QVERIFY(edition2018);
    edition2018->trigger();
    QCOMPARE(bench.window->windowTitle(),
             QStringLiteral("Zento IEC1000-3-2(Pre-Compliance) - IEC 61000-3-2:2018+A1:2020"));
    bench.measure();
    QCOMPARE(bench.window->Reslbl->text(), QStringLiteral("Not limited"));
    QVERIFY(bench.window->judgementNote->toolTip().startsWith(
        QStringLiteral("Not limited under IEC 61000-3-2:2018+A1:2020")));
}

// The edition and the category chosen are those of the next start.
void TestWindowRecords::judgingChoiceIsRemembered()
{
    ForgetsTheJudgingChoice forgets;
    {
        Bench bench;
        bench.action(QStringLiteral("Judge by IEC 61000-3-2:2018+A1:2020"))->trigger();
        bench.action(QStringLiteral("Professional equipment"))->trigger();
    }
    const QSettings settings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
    QCOMPARE(settings.value(QLatin1String(kEditionSetting)).toString(), QStringLiteral("2018"));
    Bench next;
    QVERIFY(next.action(QStringLiteral("Judge by IEC 61000-3-2:2018+A1:2020"))->isChecked());
    QVERIFY(!next.action(QStringLiteral("Judge by IEC 1000-3-2 (1995)"))->isChecked());
    QVERIFY(next.action(QStringLiteral("Professional equipment"))->isChecked());
    QVERIFY(next.window->windowTitle().endsWith(QStringLiteral(" - IEC 61000-3-2:2018+A1:2020")));
}

void TestWindowRecords::observationNotesBesideTheVerdict_data()
{
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<QString>("notes");
    QTest::newRow("A") << ProductClass::A
                       << "sampled every 8.3 s from analyzer snapshots, not the standard's 1.5 s "
                          "smoothing\nPOHC 40.0 mA, limit 50.5 mA: orders 21 to 39 may average "
                          "up to 150 %";
    QTest::newRow("notes") << ProductClass::B
                           << "sampled every 8.3 s from analyzer snapshots, not the standard's "
                              "1.5 s smoothing\nPOHC 40.0 mA, limit 50.5 mA: orders 21 to 39 may "
                              "average up to 150 %\nthe edition's own rule";
    QTest::newRow("D") << ProductClass::D
                       << "sampled every 8.3 s from analyzer snapshots, not the standard's 1.5 s "
                          "smoothing\nPOHC 40.0 mA, limit 50.5 mA: orders 21 to 39 may average "
                          "up to 150 %\nhighest power 90.0 W, typed 75 W: more than 10 % apart, "
                          "limits from the measured power";
}

void TestWindowRecords::observationNotesBesideTheVerdict()
{
    QFETCH(ProductClass, productClass);
    QFETCH(QString, notes);
    ObservationResult result;
    result.samples.resize(2);
    result.sampleIntervalS = 8.26;
    result.judgement.productClass = productClass;
    result.judgement.samplesJudged = 2;
    result.judgement.pohc = Pohc{40, 50.5, true};
    result.judgement.basis.typedPower = QStringLiteral("75");
    result.judgement.basis.highestPowerW = 90;
    result.judgement.basis.powerDiffers = true;
    if (productClass == ProductClass::B)
        result.judgement.notes = QStringList{QStringLiteral("the edition's own rule")};
    QCOMPARE(observationNotes(result), notes);
}

// The chart's worst orders come from the observation's ranking: a not-tested
// order, however high its average, has no rank.
void TestWindowRecords::chartRanksJudgedOrdersOnly()
{
    ObservationJudgement running;
    const auto set = [&](int order, double pct, CellState state) {
        OrderJudgement& o = running.orders[std::size_t(order - 2)];
        o.limitMa = 100;
        o.averagePct = pct;
        o.state = state;
    };
    set(35, 5.4, CellState::NotTested);
    set(19, 4.4, CellState::Pass);
    set(3, 3.5, CellState::Pass);
    const std::vector<OrderPoint> points = chartPoints(running, ObservedSample{});
    QCOMPARE(points[33].rank, std::nullopt);
    QCOMPARE(points[17].rank, std::optional<int>(0));
    QCOMPARE(points[1].rank, std::optional<int>(1));
}

// A recording opened from the menu is judged away from the window's thread,
// shown as an observation and kept as a record of kind waveform.
void TestWindowRecords::openedRecordingIsShownAndKept()
{
    const QString recording = m_dir.filePath(QStringLiteral("fan.csv"));
    writeRecording(recording, 2.5);
    const QString path = m_dir.filePath(QStringLiteral("recording.sqlite"));
    Bench bench;
    bench.window->setRecordStore(path);
    bench.window->Aopt->setChecked(true);
    QAction* open = bench.action(QStringLiteral("Open Recording..."));
    QVERIFY(open);

    answerOpenRecording(recording);
    open->trigger();
    ObservationWindow* observation = bench.window->observationWindow();
    QVERIFY(observation && observation->isVisible());
    QCOMPARE(observation->verdict->text(), QStringLiteral("Judging fan.csv..."));
    QVERIFY(!observation->startStop->isEnabled());
    open->trigger(); // refused while the first is judged
    QCOMPARE(bench.toolkit.messages,
             QStringList{"fan.csv is still being judged: open the next recording when it has "
                         "ended."});

    QTRY_COMPARE_WITH_TIMEOUT(observation->verdict->text(), QStringLiteral("Fail"), 20000);
    QCOMPARE(observation->windowTitle(), QStringLiteral("Timed Observation - fan.csv"));
    QVERIFY2(observation->sampling->text().startsWith(QStringLiteral("3rd: average at 109 %")),
             qPrintable(observation->sampling->text()));
    QVERIFY(!observation->chart->worstOrders().empty());
    QVERIFY(observation->startStop->isEnabled());
    QCOMPARE(bench.toolkit.messages.size(), 1);

    RecordStore reader;
    QVERIFY(reader.open(path, StoreAccess::Read).succeeded());
    const QList<RecordSummary> history = reader.history(0);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().kind, QStringLiteral("waveform"));
    QCOMPARE(history.first().id, observation->last()->id);
}

void TestWindowRecords::recordingThatCannotBeJudgedIsToldAndNotKept()
{
    const QString recording = m_dir.filePath(QStringLiteral("no-current.csv"));
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,voltage\n0,0\n0.000125,1\n");
    file.close();
    const QString path = m_dir.filePath(QStringLiteral("no-recording.sqlite"));
    Bench bench;
    bench.window->setRecordStore(path);
    bench.window->Aopt->setChecked(true);

    answerOpenRecording(recording);
    bench.action(QStringLiteral("Open Recording..."))->trigger();
    ObservationWindow* observation = bench.window->observationWindow();
    QTRY_VERIFY(!observation->judging());
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY2(bench.toolkit.messages.first().startsWith(QStringLiteral("no-current.csv: line 1: ")),
             qPrintable(bench.toolkit.messages.first()));
    QCOMPARE(observation->verdict->text(), QString());
    QVERIFY(!observation->last());
    RecordStore reader;
    QVERIFY(reader.open(path).succeeded());
    QVERIFY(reader.history(0).isEmpty());
}
