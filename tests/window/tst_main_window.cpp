// The window IEC1000: its elements as the design places them, its start-up
// state, EXIT, closing, and the printout, with the platform faked.

#include "class_evaluation.h"
#include "fake_printer.h"
#include "fake_serial_port.h"
#include "fake_toolkit.h"
#include "history_dialog.h"
#include "judge_again_dialog.h"
#include "main_window.h"
#include "printout.h"
#include "product_dialog.h"
#include "qt_toolkit.h"
#include "record_keeper.h"
#include "save_report_dialog.h"
#include "sort_out.h"
#include "virtual_clock.h"
#include "window_layout.h"
#include "zento_measurement.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cmath>
#include <memory>

namespace {

struct Bench
{
    Bench() : port(clock)
    {
        window = std::make_unique<IEC1000>(session, fakeComDevices(), toolkit, printer);
        // The test's own store, as CTest names it.
        window->setRecordStore(qEnvironmentVariable("IEC1000_DB"));
    }

    VirtualClock clock;
    FakeSerialPort port;
    AnalyzerSession session{port, clock};
    FakeToolkit toolkit;
    FakePrinter printer;
    std::unique_ptr<IEC1000> window;
};

QColor base(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}
QColor textColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::Text);
}
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The width a line edit gives its text: the contents of its frame less its
// text margins and the 2 pixels it keeps inside them on either side. A text
// needs one pixel more than its advance (the cursor's), or the field scrolls
// it to its end and hides its first characters.
int textWidth(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    option.state |= QStyle::State_Sunken;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.marginsRemoved(edit->textMargins()).width() - 2 * 2;
}

// The first number field of the window (a measured value, a harmonic or a
// limit cell) whose text does not fit whole, described; empty when all fit.
QString firstCutText(const IEC1000& w)
{
    QList<const QLineEdit*> fields{w.Vlttxt, w.AmpTxt, w.FreqTxt, w.Wattxt, w.PfTxt};
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        fields << w.HrmNo[cell] << w.HrmLim[cell];
    for (const QLineEdit* field : fields) {
        const int needed = QFontMetrics(field->font()).horizontalAdvance(field->text()) + 1;
        if (needed > textWidth(field))
            return QStringLiteral("%1 \"%2\" needs %3 px of %4 (%5)")
                .arg(field->objectName(), field->text())
                .arg(needed)
                .arg(textWidth(field))
                .arg(QFontInfo(field->font()).family());
    }
    return QString();
}

// The analyzer writes every number with five significant digits
// (2.3010E+02): a number of each digit pattern for every power of ten from
// `lowest` to `highest`, with the given sign.
QStringList analyzerNumbers(int lowest, int highest, int sign = 1)
{
    QStringList numbers;
    for (int exponent = lowest; exponent <= highest; ++exponent)
        for (double mantissa : {1.0, 1.2345, 4.4444, 5.0505, 6.789, 8.8888, 9.9999})
            numbers << QString::asprintf("%.4E", sign * mantissa * std::pow(10.0, exponent));
    return numbers;
}

// A complete result reply: `value` in fields 1 to 5 but the power factor,
// `fundamental` in field 8 and `harmonic` in every harmonic field.
ParsedReply reply(const QString& value, const QString& powerFactor, const QString& fundamental,
                  const QString& harmonic)
{
    QStringList fields(kReplyFields, harmonic);
    fields[0] = fields[1] = fields[2] = fields[4] = value;
    fields[3] = powerFactor;
    fields[5] = fields[6] = QStringLiteral("0");
    fields[7] = fundamental;
    return SortOut(fields.join(QLatin1Char(',')) + QStringLiteral("\r\n"));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void windowAndClientArea();
    void elementsStandWhereTheDesignPlacesThem_data();
    void elementsStandWhereTheDesignPlacesThem();
    void harmonicCellsFormFourColumnPairs();
    void theWindowIsBuiltFromItsLayoutTable();
    void everyNamedElementIsInTheLayoutTable();
    void captionsAndToolTips_data();
    void captionsAndToolTips();
    void staticCaptions_data();
    void staticCaptions();
    void harmonicToolTips();
    void startUpState();
    void startUpColours();
    void formWritesReachTheWidgets();
    void everyNumberShowsWhole_data();
    void everyNumberShowsWhole();
    void exitWhileLoggedOffWritesNothing();
    void exitWithThePortOpenSendsDvcWaitsAndCloses();
    void exitOnADeadLineDoesNotWait();
    void exitAtADispatchPointOfLogOnIsTheLastThingSent();
    void closingTheWindowSendsNothingAndReleasesThePort();
    void printWithoutResultsSaysSo();
    void printWithResultsPrintsTheWindowInLandscape();
    void printerFailureIsReported();
    void markupIsShownAsText();
    void clickTimesComeFromTheInputEvents();
};

void TestMainWindow::windowAndClientArea()
{
    Bench bench;
    QCOMPARE(bench.window->windowTitle(), QStringLiteral("Zento IEC1000-3-2(Pre-Compliance)"));
    QCOMPARE(bench.window->size(), QSize(792, 524));
    QCOMPARE(bench.window->minimumSize(), bench.window->maximumSize());
}

void TestMainWindow::elementsStandWhereTheDesignPlacesThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Image1") << "Image1" << twips(360, 120, 2130, 750);
    QTest::newRow("Reslbl") << "Reslbl" << twips(3840, 960, 7695, 495);
    QTest::newRow("ProgressBar1") << "ProgressBar1" << twips(3840, 1560, 7695, 255);
    QTest::newRow("Vlttxt") << "Vlttxt" << twips(4320, 1920, 735, 285);
    QTest::newRow("AmpTxt") << "AmpTxt" << twips(5880, 1920, 735, 285);
    QTest::newRow("FreqTxt") << "FreqTxt" << twips(7560, 1920, 735, 285);
    QTest::newRow("Wattxt") << "Wattxt" << twips(9240, 1920, 735, 285);
    QTest::newRow("PfTxt") << "PfTxt" << twips(10800, 1920, 735, 285);
    QTest::newRow("CommSet") << "CommSet" << twips(360, 1200, 2775, 1815);
    QTest::newRow("com1") << "com1" << twips(240, 480, 975, 255);
    QTest::newRow("com2") << "com2" << twips(240, 840, 855, 255);
    QTest::newRow("com3") << "com3" << twips(1560, 480, 975, 195);
    QTest::newRow("com4") << "com4" << twips(1560, 840, 855, 195);
    QTest::newRow("Log") << "Log" << twips(240, 1320, 2295, 375);
    QTest::newRow("Product") << "Product" << twips(360, 3360, 2775, 975);
    QTest::newRow("Aopt") << "Aopt" << twips(240, 240, 975, 255);
    QTest::newRow("Bopt") << "Bopt" << twips(240, 600, 975, 195);
    QTest::newRow("Copt") << "Copt" << twips(1560, 240, 975, 255);
    QTest::newRow("Dopt") << "Dopt" << twips(1560, 600, 975, 195);
    QTest::newRow("PowerD") << "PowerD" << twips(2280, 4560, 855, 285);
    QTest::newRow("Run") << "Run" << twips(480, 5040, 2775, 615);
    QTest::newRow("PrntFrm") << "PrntFrm" << twips(840, 6480, 1695, 495);
    QTest::newRow("Exit") << "Exit" << twips(10800, 7440, 975, 375);
    QTest::newRow("Label1") << "Label1" << twips(2640, 360, 8295, 255);
    QTest::newRow("Label2") << "Label2" << twips(5880, 2400, 3615, 255);
    QTest::newRow("Label15") << "Label15" << twips(10680, 2760, 735, 255);
    QTest::newRow("Label17") << "Label17" << twips(360, 4560, 1575, 255);
    QTest::newRow("Label19") << "Label19" << twips(5760, 7320, 4815, 255);
}

void TestMainWindow::elementsStandWhereTheDesignPlacesThem()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    Bench bench;
    const QWidget* element = bench.window->findChild<QWidget*>(name);
    QVERIFY2(element, qPrintable(name));
    if (qobject_cast<const QLabel*>(element) && element != bench.window->Image1) {
        // A caption may stand taller than its box when the face needs it.
        QCOMPARE(element->geometry().topLeft(), place.topLeft());
        QCOMPARE(element->width(), place.width());
        QVERIFY(element->height() >= place.height());
        return;
    }
    QCOMPARE(element->geometry(), place);
}

void TestMainWindow::harmonicCellsFormFourColumnPairs()
{
    Bench bench;
    struct Pair
    {
        int measured, limit, first, last;
    };
    for (const Pair pair : {Pair{3960, 4920, 0, 8}, Pair{5880, 6840, 9, 18},
                            Pair{7800, 8760, 19, 28}, Pair{9720, 10680, 29, 38}}) {
        for (int cell = pair.first; cell <= pair.last; ++cell) {
            const int top = 3240 + (cell - pair.first) * 360;
            QCOMPARE(bench.window->HrmNo[cell]->geometry(), twips(pair.measured, top, 735, 285));
            QCOMPARE(bench.window->HrmLim[cell]->geometry(), twips(pair.limit, top, 735, 285));
        }
    }
}

// The layout table is checked against the design by the cases above; here
// the window is checked against the table, row by row.
void TestMainWindow::theWindowIsBuiltFromItsLayoutTable()
{
    Bench bench;
    for (const WindowElement& e : windowElements()) {
        const QWidget* element = bench.window->findChild<QWidget*>(e.name);
        QVERIFY2(element, qPrintable(e.name));
        const QString where = e.name + QStringLiteral(" in ") + element->parent()->objectName();
        QCOMPARE(element->parentWidget()->objectName(),
                 e.frame.isEmpty() ? QStringLiteral("IEC1000") : e.frame);
        QCOMPARE(element->pos(), pixels(e.place).topLeft());
        QCOMPARE(element->width(), pixels(e.place).width());
        if (e.kind == ElementKind::Label)
            QVERIFY2(element->height() >= pixels(e.place).height(), qPrintable(where));
        else
            QCOMPARE(element->height(), pixels(e.place).height());
        QString shown;
        if (auto* button = qobject_cast<const QAbstractButton*>(element))
            shown = button->text();
        else if (auto* edit = qobject_cast<const QLineEdit*>(element))
            shown = edit->text();
        else if (auto* frame = qobject_cast<const QGroupBox*>(element))
            shown = frame->title();
        else if (auto* text = qobject_cast<const QLabel*>(element))
            shown = text->text();
        QCOMPARE(shown, e.caption);
        QCOMPARE(element->toolTip(), e.toolTip);
        QCOMPARE(element->isEnabled(), !e.startsDisabled);
    }
}

void TestMainWindow::everyNamedElementIsInTheLayoutTable()
{
    Bench bench;
    QStringList table;
    for (const WindowElement& e : windowElements())
        table << e.name;
    QCOMPARE(QSet<QString>(table.begin(), table.end()).size(), table.size());
    QStringList made;
    for (const QWidget* element : bench.window->findChildren<QWidget*>())
        if (!element->objectName().isEmpty() && !element->objectName().startsWith("qt_"))
            made << element->objectName();
    made.sort();
    table.sort();
    QCOMPARE(made, table);
}

void TestMainWindow::captionsAndToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("Run") << "Run"
                         << "Start Test"
                         << "Start Test";
    QTest::newRow("Log") << "Log"
                         << "Log On"
                         << "Log On/Off Analyzer";
    QTest::newRow("PrntFrm") << "PrntFrm"
                             << "Print Result"
                             << "";
    QTest::newRow("Exit") << "Exit"
                          << "EXIT"
                          << "Exit Program";
    QTest::newRow("com1") << "com1"
                          << "Com 1"
                          << "Com Port 1";
    QTest::newRow("com2") << "com2"
                          << "Com 2"
                          << "Com Port 2";
    QTest::newRow("com3") << "com3"
                          << "Com 3"
                          << "Com Port 3";
    QTest::newRow("com4") << "com4"
                          << "Com 4"
                          << "Com Port 4";
    QTest::newRow("Aopt") << "Aopt"
                          << "Class A"
                          << "Anything that is not Class B,C or D and <=16A per phase";
    QTest::newRow("Bopt") << "Bopt"
                          << "Class B"
                          << "Portable Tool";
    QTest::newRow("Copt") << "Copt"
                          << "Class C"
                          << "Lighting Equipment";
    QTest::newRow("Dopt") << "Dopt"
                          << "Class D"
                          << "Equipment with special wave shape and Power <= 600 W";
    QTest::newRow("CommSet") << "CommSet"
                             << "Communications Set Up"
                             << "";
    QTest::newRow("Product") << "Product"
                             << "Product Specification"
                             << "";
    QTest::newRow("Vlttxt") << "Vlttxt"
                            << ""
                            << "rms Voltage";
    QTest::newRow("AmpTxt") << "AmpTxt"
                            << ""
                            << "rms Current";
    QTest::newRow("FreqTxt") << "FreqTxt"
                             << ""
                             << "fundamental frequency";
    QTest::newRow("Wattxt") << "Wattxt"
                            << ""
                            << "true Power";
    QTest::newRow("PfTxt") << "PfTxt"
                           << ""
                           << "True power factor (W/VA)";
    QTest::newRow("PowerD") << "PowerD"
                            << "75"
                            << "Class D Power";
    QTest::newRow("Reslbl") << "Reslbl"
                            << ""
                            << "";
}

void TestMainWindow::captionsAndToolTips()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    Bench bench;
    const QWidget* element = bench.window->findChild<QWidget*>(name);
    QVERIFY(element);
    QString shown;
    if (auto* button = qobject_cast<const QAbstractButton*>(element))
        shown = button->text();
    else if (auto* edit = qobject_cast<const QLineEdit*>(element))
        shown = edit->text();
    else if (auto* frame = qobject_cast<const QGroupBox*>(element))
        shown = frame->title();
    QCOMPARE(shown, caption);
    QCOMPARE(element->toolTip(), toolTip);
}

void TestMainWindow::staticCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Label1") << "Label1"
                            << "IEC1000-3-2 Steady State Harmonics Test";
    QTest::newRow("Label7") << "Label7"
                            << "Volts";
    QTest::newRow("Label8") << "Label8"
                            << "Amps";
    QTest::newRow("Label11") << "Label11"
                             << "Freq.";
    QTest::newRow("Label9") << "Label9"
                            << "Watts";
    QTest::newRow("Label10") << "Label10"
                             << "P.F.";
    QTest::newRow("Label2") << "Label2"
                            << "Harmonics Table(mA)";
    QTest::newRow("Label3") << "Label3"
                            << "2-10";
    QTest::newRow("Label4") << "Label4"
                            << "11-20";
    QTest::newRow("Label5") << "Label5"
                            << "21-30";
    QTest::newRow("Label6") << "Label6"
                            << "31-40";
    QTest::newRow("Label12") << "Label12"
                             << "Limits";
    QTest::newRow("Label13") << "Label13"
                             << "Limits";
    QTest::newRow("Label14") << "Label14"
                             << "Limits";
    QTest::newRow("Label15") << "Label15"
                             << "Limits";
    QTest::newRow("Label17") << "Label17"
                             << "Class D Power:";
    QTest::newRow("Label20") << "Label20"
                             << "Legend:";
    QTest::newRow("Label18") << "Label18"
                             << "Fail due to limits";
    QTest::newRow("Label19")
        << "Label19"
        << "Value is less then 0.6% of rated current or less then 5mA(not tested)";
}

void TestMainWindow::staticCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Bench bench;
    const auto* text = bench.window->findChild<QLabel*>(name);
    QVERIFY(text);
    QCOMPARE(text->text(), caption);
    // The caption fits its box, descenders included.
    QVERIFY(text->fontMetrics().horizontalAdvance(caption) <= text->width());
    QVERIFY(text->fontMetrics().height() <= text->height());
}

void TestMainWindow::harmonicToolTips()
{
    Bench bench;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const int order = cell + 2;
        QCOMPARE(bench.window->HrmNo[cell]->toolTip(),
                 QStringLiteral("Harmonic %1(mA)").arg(order));
        const QString limit = cell == 20 ? QStringLiteral("Harmonic 22Limit")
                                         : QStringLiteral("Harmonic %1 Limit").arg(order);
        QCOMPARE(bench.window->HrmLim[cell]->toolTip(), limit);
    }
}

void TestMainWindow::startUpState()
{
    Bench bench;
    IEC1000& w = *bench.window;
    // Only Print Result, EXIT, PowerD and the port options respond.
    QVERIFY(!w.Run->isEnabled());
    QVERIFY(!w.Log->isEnabled());
    QVERIFY(w.PrntFrm->isEnabled());
    QVERIFY(w.Exit->isEnabled());
    QVERIFY(w.PowerD->isEnabled() && !w.PowerD->isReadOnly());
    for (QRadioButton* option : {w.com1, w.com2, w.com3, w.com4}) {
        QVERIFY(option->isEnabled());
        QVERIFY(!option->isChecked());
    }
    for (QRadioButton* option : {w.Aopt, w.Bopt, w.Copt, w.Dopt}) {
        QVERIFY(!option->isEnabled());
        QVERIFY(!option->isChecked());
    }
    QVERIFY(w.ProgressBar1->isHidden());
    QCOMPARE(w.ProgressBar1->value(), 0);
    QCOMPARE(w.ProgressBar1->minimum(), 0);
    QCOMPARE(w.ProgressBar1->maximum(), 100);
    for (QLineEdit* field : {w.Reslbl, w.Vlttxt, w.AmpTxt, w.FreqTxt, w.Wattxt, w.PfTxt}) {
        QVERIFY(field->text().isEmpty());
        QVERIFY(field->isReadOnly());
    }
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        QVERIFY(w.HrmNo[cell]->text().isEmpty() && w.HrmNo[cell]->isReadOnly());
        QVERIFY(w.HrmLim[cell]->text().isEmpty() && w.HrmLim[cell]->isReadOnly());
    }
    QVERIFY(w.Reslbl->font().bold());
    QCOMPARE(w.Reslbl->font().pointSizeF(), 18.0);
    // Start-up opens nothing and sends nothing.
    QVERIFY(bench.port.events.isEmpty());
    QCOMPARE(w.members().PortNumber, qint16(0));
    QCOMPARE(w.members().TestFailed, qint16(0));
    QVERIFY(w.members().result.isEmpty() && w.members().FundAmp.isEmpty());
    QVERIFY(bench.toolkit.pointerHistory.isEmpty());
}

void TestMainWindow::startUpColours()
{
    Bench bench;
    IEC1000& w = *bench.window;
    const QColor neutral = QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase);
    QCOMPARE(IEC1000::colourOf(Colour::Neutral), neutral);
    for (QLineEdit* field : {w.Reslbl, w.Vlttxt, w.AmpTxt, w.FreqTxt, w.Wattxt, w.PfTxt})
        QCOMPARE(base(field), neutral);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        QCOMPARE(base(w.HrmNo[cell]), neutral);
        QCOMPARE(base(w.HrmLim[cell]), QColor(255, 224, 192));
    }
    QCOMPARE(base(w.PowerD), QApplication::palette().color(QPalette::Base));
    QVERIFY(base(w.PowerD) != neutral);
}

void TestMainWindow::formWritesReachTheWidgets()
{
    Bench bench;
    IEC1000& w = *bench.window;
    Form& form = w;
    form.setText(Field::Wattxt, QStringLiteral("75"));
    QCOMPARE(w.Wattxt->text(), QStringLiteral("75"));
    form.setHrmNo(38, QStringLiteral("3.1"));
    form.setHrmLim(38, QStringLiteral("46mA"));
    QCOMPARE(w.HrmNo[38]->text(), QStringLiteral("3.1"));
    QCOMPARE(form.hrmLim(38), QStringLiteral("46mA"));
    form.setHrmNoBackColor(5, Colour::Fail);
    form.setHrmNoForeColor(5, Colour::White);
    QCOMPARE(base(w.HrmNo[5]), QColor(255, 0, 0));
    QCOMPARE(textColour(w.HrmNo[5]), QColor(255, 255, 255));
    form.setHrmNoBackColor(6, Colour::NotTested);
    QCOMPARE(base(w.HrmNo[6]), QColor(0, 0, 255));
    form.setBackColor(Field::Reslbl, Colour::Pass);
    QCOMPARE(base(w.Reslbl), QColor(0, 255, 0));
    form.setHrmNoForeColor(5, Colour::Black);
    QCOMPARE(textColour(w.HrmNo[5]), QColor(0, 0, 0));
    form.setCaption(Button::Run, QStringLiteral("Stop Test"));
    QCOMPARE(w.Run->text(), QStringLiteral("Stop Test"));
    form.setEnabled(Option::Copt, true);
    QVERIFY(w.Copt->isEnabled());
    w.Copt->setChecked(true);
    QVERIFY(form.selected(Option::Copt) && !form.selected(Option::Aopt));
    form.setProgressVisible(true);
    form.setProgress(35);
    QVERIFY(!w.ProgressBar1->isHidden());
    QCOMPARE(w.ProgressBar1->value(), 35);
}

void TestMainWindow::everyNumberShowsWhole_data()
{
    QTest::addColumn<QString>("source");
    for (const char* source : {"reply", "A", "B", "C", "D"})
        QTest::newRow(source) << QString::fromLatin1(source);
}

// Each text the parse or a class can write into a number field, on the fonts
// the package depends on (CTest gives this test a font configuration of those
// alone): measured values from 0.01 to 99999 of either sign, harmonics from
// 0.001 mA to 99999 mA, the limits of Classes A and B, of Class C for
// fundamentals from 1 mA to 99.999 A at power factors from -1 to 1, and of
// Class D for every whole power from 50 to 600 W.
void TestMainWindow::everyNumberShowsWhole()
{
    QFETCH(QString, source);
    Bench bench;
    IEC1000& w = *bench.window;
    const QString typical = QStringLiteral("1.0000E+00");
    const MeasuredValues measured = measuredValues(reply(typical, typical, typical, typical));
    QString cut;
    int shown = 0;
    const auto show = [&](const Judgement& judgement) {
        QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
        showJudgement(w, judgement);
        if (cut.isEmpty())
            cut = firstCutText(w);
        ++shown;
    };

    if (source == "reply") {
        const QStringList values = analyzerNumbers(-2, 4, 1) + analyzerNumbers(-2, 4, -1);
        const QStringList harmonics = analyzerNumbers(-6, 1);
        for (qsizetype n = 0; n < std::max(values.size(), harmonics.size()); ++n) {
            const QString& value = values[n % values.size()];
            showReply(
                w, zentoMeasurement(reply(value, value, typical, harmonics[n % harmonics.size()])));
            if (cut.isEmpty())
                cut = firstCutText(w);
            ++shown;
        }
    } else if (source == "A") {
        show(ClassA(measured));
    } else if (source == "B") {
        show(ClassB(measured));
    } else if (source == "C") {
        for (const QString& fundamental : analyzerNumbers(-3, 1))
            for (const char* powerFactor :
                 {"-1", "-0.98765", "-0.5", "0", "0.012345", "0.5", "0.98765", "1"})
                // The rms current is the fundamental's: a fundamental above
                // the rms current is no measurement to judge.
                show(ClassC(measuredValues(
                    reply(fundamental, QLatin1String(powerFactor), fundamental, typical))));
    } else {
        for (int watts = 50; watts <= 600; ++watts)
            show(ClassD(measured, QString::number(watts)));
    }
    QVERIFY(shown > 0);
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
}

void TestMainWindow::exitWhileLoggedOffWritesNothing()
{
    Bench bench;
    bench.window->show();
    const qint64 before = bench.clock.nowMs();
    QTest::mouseClick(bench.window->Exit, Qt::LeftButton);
    QVERIFY(bench.port.events.isEmpty());
    QCOMPARE(bench.clock.nowMs(), before);
    QVERIFY(bench.window->activity().ending);
    QVERIFY(!bench.window->isVisible());
}

void TestMainWindow::exitWithThePortOpenSendsDvcWaitsAndCloses()
{
    Bench bench;
    bench.window->show();
    bench.port.setDevice(fakeComDevice(1));
    QVERIFY(bench.port.open().succeeded());
    const qint64 before = bench.clock.nowMs();
    QTest::mouseClick(bench.window->Exit, Qt::LeftButton);
    QCOMPARE(bench.port.wire, QByteArray(":DVC\r\n"));
    QCOMPARE(bench.port.events.last(), QStringLiteral("close"));
    // Delay "2": between one and two seconds on the whole-second clock.
    const qint64 waited = bench.clock.nowMs() - before;
    QVERIFY2(waited > 1000 && waited <= 2001, qPrintable(QString::number(waited)));
    QVERIFY(!bench.window->isVisible());
}

void TestMainWindow::exitOnADeadLineDoesNotWait()
{
    Bench bench;
    bench.window->show();
    bench.port.setDevice(fakeComDevice(1));
    QVERIFY(bench.port.open().succeeded());
    bench.port.breakLine(QStringLiteral("the device was removed"));
    const qint64 before = bench.clock.nowMs();
    QTest::mouseClick(bench.window->Exit, Qt::LeftButton);
    QCOMPARE(bench.clock.nowMs(), before);
    QVERIFY(!bench.port.portOpen());
    QVERIFY(!bench.window->isVisible());
    QVERIFY(bench.toolkit.messages.isEmpty());
}

void TestMainWindow::exitAtADispatchPointOfLogOnIsTheLastThingSent()
{
    Bench bench;
    IEC1000& w = *bench.window;
    w.show();
    QTest::mouseClick(w.com2, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w.Log->isEnabled());
    // EXIT is clicked while log on waits at the start of the configuration.
    bench.toolkit.onDispatch = [&](int n) {
        if (n == 3)
            w.Exit_Click();
    };
    QTest::mouseClick(w.Log, Qt::LeftButton);
    QCOMPARE(bench.port.events, (QStringList{"open 2", "out :DVC\r\n", "close"}));
    QVERIFY(!w.isVisible());
}

void TestMainWindow::closingTheWindowSendsNothingAndReleasesThePort()
{
    Bench bench;
    bench.window->show();
    bench.port.setDevice(fakeComDevice(1));
    QVERIFY(bench.port.open().succeeded());
    bench.port.events.clear();
    QVERIFY(bench.window->close());
    QCOMPARE(bench.port.events, QStringList{"close"});
    QVERIFY(bench.port.wire.isEmpty());
    QVERIFY(bench.window->activity().ending);
}

void TestMainWindow::printWithoutResultsSaysSo()
{
    Bench bench;
    // The verdict field alone does not count as a result.
    bench.window->setText(Field::Reslbl, QStringLiteral("Pass"));
    QTest::mouseClick(bench.window->PrntFrm, Qt::LeftButton);
    QCOMPARE(bench.toolkit.messages, QStringList{"No results available for printing"});
    QVERIFY(bench.printer.printed.isEmpty());
}

void TestMainWindow::printWithResultsPrintsTheWindowInLandscape()
{
    Bench bench;
    bench.window->show();
    // A harmonic-2 text of 0 is a result.
    bench.window->setHrmNo(0, QStringLiteral("0"));
    QTest::mouseClick(bench.window->PrntFrm, Qt::LeftButton);
    QVERIFY(bench.toolkit.messages.isEmpty());
    QCOMPARE(bench.printer.orientation, int(Printer::Landscape));
    QCOMPARE(bench.printer.printed.size(), 1);
    const QImage& page = bench.printer.printed.first();
    // Rendered at four times the window's pixels, so that it prints sharp.
    QCOMPARE(page.size(), QSize(792, 524) * kPrintPixelRatio);
    // The verdict colours come out: a red cell is red in the image.
    bench.window->setHrmNoBackColor(0, Colour::Fail);
    QTest::mouseClick(bench.window->PrntFrm, Qt::LeftButton);
    const QImage& second = bench.printer.printed.last();
    const QRect cell = bench.window->HrmNo[0]->geometry();
    const QPoint inside =
        (cell.topLeft() + QPoint(cell.width() - 6, cell.height() / 2)) * kPrintPixelRatio;
    QCOMPARE(second.pixelColor(inside), QColor(255, 0, 0));
}

void TestMainWindow::printerFailureIsReported()
{
    Bench bench;
    bench.window->setHrmNo(0, QStringLiteral("3.1"));
    bench.printer.failure = QStringLiteral("This computer has no default printer");
    QTest::mouseClick(bench.window->PrntFrm, Qt::LeftButton);
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY(bench.toolkit.messages.first().contains(QLatin1String("no default printer")));
    QCOMPARE(bench.window->HrmNo[0]->text(), QStringLiteral("3.1"));
}

void TestMainWindow::markupIsShownAsText()
{
    Bench bench;
    RecordKeeper records(bench.toolkit);
    records.setStoreName(recordStoreName(QString())); // the test's own store
    HistoryDialog history(records, bench.toolkit);
    JudgeAgainDialog judgeAgain(MeasurementRecord(), bench.toolkit);
    ProductDialog product(ProductInfo{});
    for (const QWidget* shown :
         std::initializer_list<const QWidget*>{bench.window.get(), &history, &judgeAgain, &product})
        for (const QLabel* text : shown->findChildren<QLabel*>())
            QVERIFY2(text->textFormat() == Qt::PlainText, qPrintable(text->text()));

    // A message quoting a reply field that holds markup.
    QtToolkit toolkit;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            box->close();
        }
    });
    toolkit.messageBox(QStringLiteral("<h1 style=\"color:green\">PASS</h1>"));
    QCOMPARE(format, Qt::PlainText);
}

void TestMainWindow::clickTimesComeFromTheInputEvents()
{
    QtToolkit toolkit;
    QPushButton button;
    toolkit.setWindow(&button);
    QList<qint64> madeAt;
    connect(&button, &QPushButton::clicked, [&] { madeAt << toolkit.clickMadeAtMs(); });
    // The stamp the window system gave the release (QTest moves its stamps
    // on by 500 ms after each release).
    QTest::lastMouseTimestamp = 100000;
    QTest::mouseClick(&button, Qt::LeftButton);
    // A click made by a queued call has no input event.
    QMetaObject::invokeMethod(&button, "click", Qt::QueuedConnection);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(madeAt,
             (QList<qint64>{QTest::lastMouseTimestamp - QTest::mouseDoubleClickInterval, -1}));
    QVERIFY(madeAt[0] > 100000);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
