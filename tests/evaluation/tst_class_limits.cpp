#include "class_evaluation.h"
#include "guard_band.h"

#include <QtTest>

Q_DECLARE_METATYPE(CellState)

namespace {

// A measurement: every harmonic `measuredMa`, the rms current 1 A, the
// power factor `powerFactor` and the fundamental current `fundAmp` (Class C).
MeasuredValues measurement(const QString& measuredMa, const QString& powerFactor = "1",
                           const QString& fundAmp = QString())
{
    MeasuredValues measured;
    measured.amps = QStringLiteral("1");
    measured.powerFactor = powerFactor;
    measured.fundAmp = fundAmp;
    measured.harmonics.fill(measuredMa);
    return measured;
}

// The evaluation of `cls`; Class D at the power `power`, in W.
Judgement evaluate(char cls, const MeasuredValues& measured, const QString& power = "75")
{
    switch (cls) {
    case 'A':
        return ClassA(measured);
    case 'B':
        return ClassB(measured);
    case 'C':
        return ClassC(measured);
    default:
        return ClassD(measured, power);
    }
}

} // namespace

class ClassLimits : public QObject
{
    Q_OBJECT

private slots:
    void classAAndBColumns_data();
    void classAAndBColumns();
    void relativeLimits_data();
    void relativeLimits();
    void judgedAgainstShownLimit_data();
    void judgedAgainstShownLimit();
    void unjudgedCellsBlanked_data();
    void unjudgedCellsBlanked();
    void inputRefused_data();
    void inputRefused();
    void classDPowerRange_data();
    void classDPowerRange();
    void closestOrderAmongTested();
};

void ClassLimits::classAAndBColumns_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("classA");
    QTest::addColumn<QString>("classB");

    const char* const rows[kHarmonicCells][2] = {
        {"1080mA", "1620mA"},   {"2300mA", "3450mA"},   {"430mA", "645mA"},
        {"1140mA", "1710mA"},   {"300mA", "450mA"},     {"770mA", "1155mA"},
        {"230mA", "345mA"},     {"400mA", "600mA"},     {"184mA", "276mA"},
        {"330mA", "495mA"},     {"153.3mA", "230mA"},   {"210mA", "315mA"},
        {"131.4mA", "197.1mA"}, {"150mA", "225mA"},     {"115mA", "172.5mA"},
        {"132.3mA", "198.5mA"}, {"102.2mA", "153.3mA"}, {"118.4mA", "177.6mA"},
        {"92mA", "138mA"},      {"107.1mA", "160.7mA"}, {"83.63mA", "125.4mA"},
        {"97.82mA", "146.7mA"}, {"76.66mA", "115mA"},   {"90mA", "135mA"},
        {"70.76mA", "106.1mA"}, {"83.33mA", "125mA"},   {"65.71mA", "98.57mA"},
        {"77.58mA", "116.3mA"}, {"61.33mA", "92mA"},    {"72.58mA", "108.8mA"},
        {"57.5mA", "86.25mA"},  {"68.18mA", "102.2mA"}, {"54.11mA", "81.17mA"},
        {"64.28mA", "96.42mA"}, {"51.11mA", "76.66mA"}, {"60.81mA", "91.21mA"},
        {"48.42mA", "72.63mA"}, {"57.69mA", "86.53mA"}, {"46mA", "69mA"},
    };
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        QTest::addRow("harmonic %d", harmonicOrder(cell))
            << cell << QString::fromLatin1(rows[cell][0]) << QString::fromLatin1(rows[cell][1]);
    }
}

void ClassLimits::classAAndBColumns()
{
    QFETCH(int, cell);
    QFETCH(QString, classA);
    QFETCH(QString, classB);

    for (char cls : {'A', 'B'}) {
        const Judgement judgement = evaluate(cls, measurement("10"));
        QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
        QCOMPARE(judgement.limits[cell], cls == 'A' ? classA : classB);
        // 10 mA is below every limit and above both thresholds: a pass.
        QCOMPARE(judgement.states[cell], CellState::Pass);
        QVERIFY(!judgement.anyFailed);
    }
}

void ClassLimits::relativeLimits_data()
{
    QTest::addColumn<char>("cls");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("powerFactor");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("text");

    // Class C: the input is the fundamental current in A.
    const QList<std::pair<int, const char*>> c1 = {{0, "20mA"}, {1, "300mA"}, {3, "100mA"},
                                                   {5, "70mA"}, {7, "50mA"},  {9, "30mA"},
                                                   {37, "30mA"}};
    for (const auto& [cell, text] : c1)
        QTest::addRow("C 1 A, pf 1, cell %d", cell) << 'C' << "1.0"
                                                    << "1" << cell << text;
    const QList<std::pair<int, const char*>> c2 = {{0, "2.469mA"}, {1, "33.33mA"}, {3, "12.34mA"},
                                                   {5, "8.641mA"}, {7, "6.172mA"}, {21, "3.703mA"}};
    for (const auto& [cell, text] : c2)
        QTest::addRow("C 0.123456 A, pf 0.9, cell %d", cell) << 'C' << "0.123456"
                                                             << "0.9" << cell << text;
    // The rms current is 2.5 A here: 1 % + 5 mA above it is 2.53 A.
    QTest::newRow("C 2.53 A: within 1 % + 5 mA of the rms current")
        << 'C' << "2.53"
        << "1" << 0 << "50.6mA";
    QTest::newRow("C 2.5 A, pf 0.95, 3rd") << 'C' << "2.5"
                                           << "0.95" << 1 << "712.5mA";
    QTest::newRow("C 2.5 A, 7th as 175") << 'C' << "2.5"
                                         << "0.95" << 5 << "175mA";
    QTest::newRow("C blanks around") << 'C' << " 1.0E+00 "
                                     << " 1 " << 3 << "100mA";
    QTest::newRow("C zero current") << 'C' << "0"
                                    << "1" << 1 << "0mA";
    // The magnitude of the power factor: 30 % x 0.9 of 1 A.
    QTest::newRow("C pf -0.9, 3rd") << 'C' << "1"
                                    << "-0.9" << 1 << "270mA";

    // Class D: the input is the power in W.
    const char* const d75[] = {"255mA",   "142.5mA", "75mA",    "37.5mA",  "26.25mA",
                               "22.21mA", "19.25mA", "16.98mA", "15.19mA", "13.75mA",
                               "12.55mA", "11.55mA", "10.69mA", "9.956mA", "9.314mA",
                               "8.75mA",  "8.25mA",  "7.804mA", "7.403mA"};
    for (int k = 0; k < 19; ++k)
        QTest::addRow("D 75 W, harmonic %d", 2 * k + 3)
            << 'D' << "75"
            << "" << 2 * k + 1 << QString::fromLatin1(d75[k]);
    const QList<std::pair<int, const char*>> d600 = {{1, "2040mA"}, {3, "1140mA"},  {5, "600mA"},
                                                     {7, "300mA"},  {9, "210mA"},   {11, "177.6mA"},
                                                     {13, "150mA"}, {37, "57.69mA"}};
    // Capped at Class A's: 154 mA and 59.23 mA per watt for the 15th and
    // the 39th.
    for (const auto& [cell, text] : d600)
        QTest::addRow("D 600 W, cell %d", cell) << 'D' << "600"
                                                << "" << cell << text;
    // 580 x 3.85 / 15 = 148.866...: below the cap of 150 mA.
    QTest::newRow("D 580 W, 15th under the cap") << 'D' << "580"
                                                 << "" << 13 << "148.8mA";
    QTest::newRow("D 77.7 W, 3rd in full") << 'D' << "77.7"
                                           << "" << 1 << "264.18mA";
    QTest::newRow("D 77.7 W, 11th in full") << 'D' << "77.7"
                                            << "" << 9 << "27.195mA";
    QTest::newRow("D 77.7 W, 13th cut") << 'D' << "77.7"
                                        << "" << 11 << "23.01mA";
    QTest::newRow("D 77.7 W, 23rd cut to 13") << 'D' << "77.7"
                                              << "" << 21 << "13mA";
    QTest::newRow("D 50 W, 3rd") << 'D' << "50"
                                 << "" << 1 << "170mA";
}

void ClassLimits::relativeLimits()
{
    QFETCH(char, cls);
    QFETCH(QString, input);
    QFETCH(QString, powerFactor);
    QFETCH(int, cell);
    QFETCH(QString, text);

    MeasuredValues measured = measurement("1", powerFactor, input);
    // A fundamental is part of the rms current: 2.5 A holds every one here.
    if (cls == 'C')
        measured.amps = QStringLiteral("2.5");
    const Judgement judgement = evaluate(cls, measured, input);
    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QCOMPARE(judgement.limits[cell], text);
}

void ClassLimits::judgedAgainstShownLimit_data()
{
    QTest::addColumn<char>("cls");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("measured");
    QTest::addColumn<QString>("rmsAmps");
    QTest::addColumn<CellState>("state");
    QTest::addColumn<bool>("anyFailed");

    const CellState pass = CellState::Pass, fail = CellState::Fail, blue = CellState::NotTested;
    QTest::newRow("A 12th at shown limit") << 'A' << "" << 10 << "153.3"
                                           << "1" << pass << false;
    QTest::newRow("A 12th above shown limit") << 'A' << "" << 10 << "153.31"
                                              << "1" << fail << true;
    QTest::newRow("A 2nd equal 1080") << 'A' << "" << 0 << "1080"
                                      << "1" << pass << false;
    // Disregarded currents never fail: 50 mA is below 0.6 % of 10 A (46 mA
    // limit); 4.95 mA is below 5 mA (50 W: 4.935 mA limit).
    QTest::newRow("A 40th over, below 0.6 %") << 'A' << "" << 38 << "50"
                                              << "10" << blue << false;
    QTest::newRow("D 50 W, 39th over, below 5 mA") << 'D' << "50" << 37 << "4.95"
                                                   << "0.3" << blue << false;
    // 600 W: the 15th's per-watt limit is 154 mA, Class A's 150 mA.
    QTest::newRow("D 600 W, 15th over the cap") << 'D' << "600" << 13 << "152"
                                                << "1" << fail << true;
    QTest::newRow("B 2nd over A, under B") << 'B' << "" << 0 << "1500"
                                           << "1" << pass << false;
    QTest::newRow("C 5th above cut limit") << 'C' << "0.123456" << 3 << "12.345"
                                           << "0.2" << fail << true;
    QTest::newRow("C 5th at cut limit") << 'C' << "0.123456" << 3 << "12.34"
                                        << "0.2" << pass << false;
    QTest::newRow("C 2nd judged") << 'C' << "1" << 0 << "20.5"
                                  << "1" << fail << true;
    QTest::newRow("C zero current") << 'C' << "0" << 5 << "6"
                                    << "0" << fail << true;
    QTest::newRow("D 13th above cut limit") << 'D' << "75" << 11 << "22.211"
                                            << "0.3" << fail << true;
    QTest::newRow("D 13th at cut limit") << 'D' << "75" << 11 << "22.21"
                                         << "0.3" << pass << false;
}

void ClassLimits::judgedAgainstShownLimit()
{
    QFETCH(char, cls);
    QFETCH(QString, input);
    QFETCH(int, cell);
    QFETCH(QString, measured);
    QFETCH(QString, rmsAmps);
    QFETCH(CellState, state);
    QFETCH(bool, anyFailed);

    // Every other harmonic at 0 mA: not tested, and never above a limit.
    MeasuredValues values = measurement("0", "1", input);
    values.amps = rmsAmps;
    values.harmonics[cell] = measured;
    const Judgement judgement = evaluate(cls, values, input);
    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QCOMPARE(judgement.states[cell], state);
    QCOMPARE(judgement.anyFailed, anyFailed);
}

void ClassLimits::unjudgedCellsBlanked_data()
{
    QTest::addColumn<char>("cls");
    QTest::addColumn<int>("firstBlank");

    QTest::newRow("Class C: 4th to 40th") << 'C' << 2;
    QTest::newRow("Class D: 2nd to 40th") << 'D' << 0;
}

void ClassLimits::unjudgedCellsBlanked()
{
    QFETCH(char, cls);
    QFETCH(int, firstBlank);

    // Every harmonic far above any limit.
    const Judgement judgement = evaluate(cls, measurement("99999", "1", "1"));
    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QVERIFY(judgement.anyFailed);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const bool blanked = cell >= firstBlank && cell % 2 == 0;
        QCOMPARE(judgement.limits[cell].isEmpty(), blanked);
        QCOMPARE(judgement.currents[cell], blanked ? QString() : QStringLiteral("99999"));
        QCOMPARE(judgement.states[cell], blanked ? CellState::NotJudged : CellState::Fail);
    }
}

void ClassLimits::inputRefused_data()
{
    QTest::addColumn<char>("cls");
    QTest::addColumn<QString>("fundAmp");
    QTest::addColumn<QString>("powerFactor");
    QTest::addColumn<QString>("power");
    QTest::addColumn<QStringList>("named");

    QTest::newRow("C current with unit") << 'C' << "1.2A"
                                         << "1"
                                         << "75" << QStringList{"fundamental current", "\"1.2A\""};
    QTest::newRow("C current empty") << 'C' << ""
                                     << "1"
                                     << "75" << QStringList{"fundamental current", "empty"};
    QTest::newRow("C power factor empty") << 'C' << "1"
                                          << ""
                                          << "75" << QStringList{"power factor", "empty"};
    QTest::newRow("C power factor above 1")
        << 'C' << "1"
        << "-1.05"
        << "75" << QStringList{"power factor (field 4", "-1.05", "above 1"};
    QTest::newRow("C both wrong") << 'C' << "x"
                                  << "0,9"
                                  << "75" << QStringList{"fundamental current", "\"x\"", "\"0,9\""};
    // The rms current is 1 A: 1 % + 5 mA above it is 1.015 A.
    QTest::newRow("C fundamental above the rms current")
        << 'C' << "1.0151"
        << "1"
        << "75" << QStringList{"field 8 of the result reply, 1.0151 A", "field 3, 1 A", "1 % + 5 mA"};
    QTest::newRow("D power with unit")
        << 'D' << "1"
        << "1"
        << "75 W" << QStringList{"Class D power", "\"75 W\"", "watts"};
    QTest::newRow("D power blank") << 'D' << "1"
                                   << "1"
                                   << " " << QStringList{"Class D power", "blanks"};
    QTest::newRow("D power empty") << 'D' << "1"
                                   << "1"
                                   << "" << QStringList{"Class D power", "empty"};
    // Zero, negative or huge limits would judge nothing.
    for (const char* power : {"0", "-75", "1e6", "49.9"})
        QTest::addRow("D power %s", power)
            << 'D' << "1"
            << "1" << power << QStringList{"Class D power", "50 to 600"};
}

void ClassLimits::inputRefused()
{
    QFETCH(char, cls);
    QFETCH(QString, fundAmp);
    QFETCH(QString, powerFactor);
    QFETCH(QString, power);
    QFETCH(QStringList, named);

    // Harmonics far above any limit: an invented value would fail them.
    const Judgement judgement = evaluate(cls, measurement("99999", powerFactor, fundAmp), power);
    const Evaluation& evaluation = judgement.evaluation;

    QCOMPARE(evaluation.status, Evaluation::NotJudged);
    for (const QString& part : named)
        QVERIFY2(evaluation.problem.contains(part), qPrintable(evaluation.problem));
    QVERIFY(!judgement.anyFailed);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        QCOMPARE(judgement.limits[cell], QString());
        QCOMPARE(judgement.states[cell], CellState::NotJudged);
    }
}

void ClassLimits::classDPowerRange_data()
{
    QTest::addColumn<QString>("power");
    QTest::addColumn<bool>("inRange");

    QTest::newRow("49.9") << "49.9" << false;
    QTest::newRow("50") << "50" << true;
    QTest::newRow("600") << "600" << true;
    QTest::newRow("600.1") << "600.1" << false;
    QTest::newRow("1e6") << "1e6" << false;
    QTest::newRow("-75") << "-75" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("abc") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks around") << " 75 " << true;
    QTest::newRow("75.0") << "75.0" << true;
    QTest::newRow("decimal comma") << "75,5" << false;
}

void ClassLimits::classDPowerRange()
{
    QFETCH(QString, power);
    QFETCH(bool, inRange);
    QCOMPARE(ClassDPower(power).inRange(), inRange);
}

void ClassLimits::closestOrderAmongTested()
{
    // Class A at 10 A rms: the 40th's 50 mA is 108.7 % of its 46 mA but
    // not tested; the 19th's 100 mA is 84.5 % of its 118.4 mA; the 3rd's
    // 230 mA 10 % of 2300 mA. Every other harmonic 0 mA: not tested.
    MeasuredValues values = measurement("0");
    values.amps = QStringLiteral("10");
    values.harmonics[38] = QStringLiteral("50");
    values.harmonics[17] = QStringLiteral("100");
    values.harmonics[1] = QStringLiteral("230");
    const Judgement judgement = ClassA(values);
    const std::optional<ClosestOrder> closest = closestOrder(judgement);
    QVERIFY(closest);
    QCOMPARE(closest->order, 19);
    QCOMPARE(closestLine(closest), QStringLiteral("Closest to its limit: 19th harmonic, 84.5 %"));
    QCOMPARE(closestLine(closestOrder(ClassA(measurement("0")))),
             QStringLiteral("Closest to its limit: no order judged"));
    QCOMPARE(harmonicName(2), QStringLiteral("2nd harmonic"));
    QCOMPARE(harmonicName(13), QStringLiteral("13th harmonic"));
    QCOMPARE(harmonicName(23), QStringLiteral("23rd harmonic"));
    QCOMPARE(harmonicName(31), QStringLiteral("31st harmonic"));
}

QTEST_GUILESS_MAIN(ClassLimits)
#include "tst_class_limits.moc"
