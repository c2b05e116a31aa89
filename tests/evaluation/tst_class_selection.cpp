#include "class_evaluation.h"
#include "class_selection.h"
#include "fake_form.h"
#include "form_adapters.h"
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
    form.setText(Field::PfTxt, QStringLiteral("0.9"));
    form.select(option);
    qint16 testFailed = 0;
    const Evaluation evaluation = Limits(form, QStringLiteral("2"), testFailed);

    QCOMPARE(evaluation.status, Evaluation::Judged);
    QCOMPARE(form.lim[0].text, secondLimit);
    QCOMPARE(form.lim[1].text, thirdLimit);
}

void ClassSelection::limitsWithoutClass()
{
    FakeForm form;
    form.setText(Field::AmpTxt, QStringLiteral("1"));
    form.setHrmNo(0, QStringLiteral("99999"));
    qint16 testFailed = 0;

    QCOMPARE(Limits(form, QStringLiteral("1"), testFailed).status, Evaluation::NoClass);
    QCOMPARE(testFailed, qint16(0));
    QCOMPARE(form.no[0].text, QStringLiteral("99999"));
    QCOMPARE(form.no[0].back, Colour::Neutral);
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        QCOMPARE(form.lim[cell].text, QString());
}

QTEST_GUILESS_MAIN(ClassSelection)
#include "tst_class_selection.moc"
