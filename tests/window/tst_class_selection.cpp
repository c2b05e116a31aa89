#include "class_evaluation.h"
#include "class_selection.h"
#include "fake_form.h"
#include "fake_toolkit.h"

#include <QtTest>

Q_DECLARE_METATYPE(Option)

class ClassSelection : public QObject
{
    Q_OBJECT

private slots:
    void click_data();
    void click();
    void limitsRunsSelectedClassOnly_data();
    void limitsRunsSelectedClassOnly();
    void limitsWithoutClass();
    void judgementShown();
};

void ClassSelection::click_data()
{
    QTest::addColumn<Option>("option");
    QTest::addColumn<QString>("power");
    QTest::addColumn<bool>("runEnabled");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    QTest::newRow("Class A") << Option::Aopt << "" << true << none;
    QTest::newRow("Class B") << Option::Bopt << "" << true << none;
    QTest::newRow("Class C") << Option::Copt << "" << true << none;
    QTest::newRow("Class D, 75") << Option::Dopt << "75" << true << none;
    QTest::newRow("Class D, blank is not empty") << Option::Dopt << " " << true << none;
    QTest::newRow("Class D, out of range") << Option::Dopt << "9000" << true << none;
    QTest::newRow("Class D, empty")
        << Option::Dopt << "" << true << QStringList{"Please enter the Power for Class D"};
    QTest::newRow("not a class option") << Option::com2 << "" << false << none;
}

void ClassSelection::click()
{
    QFETCH(Option, option);
    QFETCH(QString, power);
    QFETCH(bool, runEnabled);
    QFETCH(QStringList, messages);

    FakeForm form;
    FakeToolkit toolkit;
    form.setText(Field::PowerD, power);
    form.setHrmLim(0, QStringLiteral("1080mA"));
    form.select(option);
    classOptionClicked(option, form, toolkit);

    QCOMPARE(form.enabled(Button::Run), runEnabled);
    QCOMPARE(toolkit.messages, messages);
    // A click shows no limits and writes nothing.
    QCOMPARE(form.text(Field::PowerD), power);
    QCOMPARE(form.lim[0].text, QStringLiteral("1080mA"));
    QCOMPARE(form.lim[1].text, QString());
}

void ClassSelection::limitsRunsSelectedClassOnly_data()
{
    QTest::addColumn<Option>("option");
    QTest::addColumn<QString>("secondLimit");
    QTest::addColumn<QString>("thirdLimit");

    QTest::newRow("Class A") << Option::Aopt << "1080mA"
                             << "2300mA";
    QTest::newRow("Class B") << Option::Bopt << "1620mA"
                             << "3450mA";
    QTest::newRow("Class C") << Option::Copt << "40mA"
                             << "540mA";
    QTest::newRow("Class D") << Option::Dopt << ""
                             << "255mA";
}

void ClassSelection::limitsRunsSelectedClassOnly()
{
    QFETCH(Option, option);
    QFETCH(QString, secondLimit);
    QFETCH(QString, thirdLimit);

    FakeForm form;
    form.select(option);
    const ProductClass productClass = selectedClass(form);
    MeasuredValues measured;
    measured.powerFactor = QStringLiteral("0.9");
    measured.fundAmp = QStringLiteral("2");
    const Judgement judgement = Limits(ClassChoice{productClass, form.text(Field::PowerD)}, measured);

    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QCOMPARE(judgement.limits[0], secondLimit);
    QCOMPARE(judgement.limits[1], thirdLimit);
}

void ClassSelection::limitsWithoutClass()
{
    FakeForm form;
    QCOMPARE(selectedClass(form), ProductClass::None);
    MeasuredValues measured;
    measured.amps = QStringLiteral("1");
    measured.harmonics[0] = QStringLiteral("99999");
    measured.fundAmp = QStringLiteral("1");
    const Judgement judgement = Limits(ClassChoice{ProductClass::None, QStringLiteral("75")}, measured);

    QCOMPARE(judgement.evaluation.status, Evaluation::NoClass);
    QVERIFY(!judgement.anyFailed);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        QCOMPARE(judgement.limits[cell], QString());
        QCOMPARE(judgement.states[cell], CellState::NotJudged);
    }
    // Nothing of a judgement without a class reaches the window.
    form.setHrmNo(0, QStringLiteral("99999"));
    showJudgement(form, judgement);
    QCOMPARE(form.no[0].text, QStringLiteral("99999"));
    QCOMPARE(form.no[0].back, Colour::Neutral);
}

void ClassSelection::judgementShown()
{
    FakeForm form;
    for (int cell = 0; cell < 4; ++cell)
        form.setHrmNo(cell, QStringLiteral("50"));
    Judgement judgement;
    judgement.evaluation.status = Evaluation::Judged;
    judgement.limits[0] = QStringLiteral("40mA");
    judgement.limits[1] = QStringLiteral("300mA");
    judgement.limits[2] = QStringLiteral("100mA");
    judgement.currents = {QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("50")};
    judgement.states[0] = CellState::Fail;
    judgement.states[1] = CellState::Pass;
    judgement.states[2] = CellState::NotTested;
    showJudgement(form, judgement);

    const std::array<Colour, 4> back{Colour::Fail, Colour::Neutral, Colour::NotTested,
                                     Colour::Neutral};
    const std::array<Colour, 4> fore{Colour::White, Colour::WindowText, Colour::White,
                                     Colour::WindowText};
    for (int cell = 0; cell < 4; ++cell) {
        QCOMPARE(form.no[cell].back, back[cell]);
        QCOMPARE(form.no[cell].fore, fore[cell]);
        QCOMPARE(form.lim[cell].text, judgement.limits[cell]);
    }
    // A harmonic the class does not judge is emptied.
    QCOMPARE(form.no[2].text, QStringLiteral("50"));
    QCOMPARE(form.no[3].text, QString());
}

QTEST_GUILESS_MAIN(ClassSelection)
#include "tst_class_selection.moc"
