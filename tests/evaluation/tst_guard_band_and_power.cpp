// The guard band on a single measurement's judgement, and what is said of a
// Class D measurement whose measured power is far from the typed one. The
// limits and lines below are worked out by hand.

#include "class_evaluation.h"
#include "guard_band.h"
#include "power_basis.h"

#include <QtTest>

Q_DECLARE_METATYPE(ProductClass)
Q_DECLARE_METATYPE(CellState)

class GuardBandAndPower : public QObject
{
    Q_OBJECT

private slots:
    void guardBand_data();
    void guardBand();
    void guardBandOption_data();
    void guardBandOption();
    void powerDiffersLine_data();
    void powerDiffersLine();
};

void GuardBandAndPower::guardBand_data()
{
    // Every order at 10 mA, tested (1 A rms: the threshold is 6 mA), but
    // the 3rd.
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<QString>("power");
    QTest::addColumn<QString>("third");
    QTest::addColumn<double>("guardBand");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("guarded");
    QTest::addColumn<CellState>("state");
    QTest::newRow("A, none") << ProductClass::A << ""
                             << "2100" << 0.0 << "2300mA"
                             << "2300mA" << CellState::Pass;
    QTest::newRow("A, 10 %") << ProductClass::A << ""
                             << "2100" << 10.0 << "2300mA"
                             << "2070mA" << CellState::Fail;
    QTest::newRow("A, 10 %, at the guarded limit") << ProductClass::A << ""
                                                   << "2070" << 10.0 << "2300mA"
                                                   << "2070mA" << CellState::Pass;
    QTest::newRow("D 75 W, 10 %") << ProductClass::D << "75"
                                  << "240" << 10.0 << "255mA"
                                  << "229.5mA" << CellState::Fail;
    QTest::newRow("B, 50 %") << ProductClass::B << ""
                             << "1800" << 50.0 << "3450mA"
                             << "1725mA" << CellState::Fail;
}

void GuardBandAndPower::guardBand()
{
    QFETCH(ProductClass, productClass);
    QFETCH(QString, power);
    QFETCH(QString, third);
    QFETCH(double, guardBand);
    QFETCH(QString, limit);
    QFETCH(CellState, state);
    MeasuredValues measured;
    // Below every Class D limit at 75 W (the 39th: 7.4 mA) and tested.
    measured.harmonics.fill(QStringLiteral("7"));
    measured.harmonics[1] = third;
    measured.amps = QStringLiteral("1");
    const Judgement judgement = Limits(ClassChoice{productClass, power, guardBand}, measured);
    QCOMPARE(judgement.limits[1], limit); // the limit column stays the class's
    QTEST(guardedLimitText(judgement.limits[1], guardBand), "guarded");
    QCOMPARE(judgement.states[1], state);
    QCOMPARE(judgement.anyFailed, state == CellState::Fail);
    QCOMPARE(judgement.guardBandPct, guardBand);
    QCOMPARE(withGuardBand(QStringLiteral("Fail"), guardBand),
             guardBand > 0 ? QStringLiteral("Fail (%1 % guard band)").arg(guardBand)
                           : QStringLiteral("Fail"));
}

void GuardBandAndPower::guardBandOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("pct"); // -1: refused
    QTest::newRow("0") << "0" << 0.0;
    QTest::newRow("50") << "50" << 50.0;
    QTest::newRow("2.5 with blanks") << " 2.5 " << 2.5;
    QTest::newRow("over 50") << "50.1" << -1.0;
    QTest::newRow("negative") << "-1" << -1.0;
    QTest::newRow("with a sign") << "10%" << -1.0;
    QTest::newRow("empty") << "" << -1.0;
}

void GuardBandAndPower::guardBandOption()
{
    QFETCH(QString, text);
    QTEST(guardBandOf(text).value_or(-1), "pct");
}

void GuardBandAndPower::powerDiffersLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("measured");
    QTest::addColumn<QString>("line");
    const QString judge = QStringLiteral(": the lab will judge by the measured power");
    QTest::newRow("17 % below") << "90"
                                << "7.5000E+01"
                                << "The measured power 75 W is 17 % below the typed 90 W" + judge;
    QTest::newRow("30 % above") << "100"
                                << "130"
                                << "The measured power 130 W is 30 % above the typed 100 W" + judge;
    QTest::newRow("just over 10 %")
        << "90"
        << "80.9"
        << "The measured power 80.9 W is 10.1 % below the typed 90 W" + judge;
    QTest::newRow("exactly 10 % above") << "90"
                                        << "99"
                                        << "";
    QTest::newRow("exactly 10 % below") << "90"
                                        << "81"
                                        << "";
    QTest::newRow("no measured power") << "90"
                                       << ""
                                       << "";
}

void GuardBandAndPower::powerDiffersLine()
{
    QFETCH(QString, typed);
    QFETCH(QString, measured);
    QTEST(::powerDiffersLine(typed, measured), "line");
}

QTEST_GUILESS_MAIN(GuardBandAndPower)
#include "tst_guard_band_and_power.moc"
