// The observation's rule set on values. The limits and POHC below are worked
// out by hand from the class tables, not taken from the code.

#include "observation_rules.h"

#include <QTest>

Q_DECLARE_METATYPE(ProductClass)
Q_DECLARE_METATYPE(CellState)
Q_DECLARE_METATYPE(ObservationEnd)
Q_DECLARE_METATYPE(ObservationVerdict)

namespace {

// A sample with every order at 10 mA, tested; 1 A fundamental, PF 1, 100 W.
RuleSample quietSample()
{
    RuleSample sample;
    sample.currentsMa.fill(10);
    sample.fundamentalA = 1;
    sample.powerFactor = 1;
    sample.powerW = 100;
    return sample;
}

int cellOf(int order)
{
    return order - 2;
}

// Class A limits of the odd orders 21 to 39, mA, as the limit cells show them.
const QList<double> kClassAOdd21To39{107.1, 97.82, 90,    83.33, 77.58,
                                     72.58, 68.18, 64.28, 60.81, 57.69};

} // namespace

class ObservationRules : public QObject
{
    Q_OBJECT

private slots:
    void oneOrder_data();
    void oneOrder();
    void pohcAllowance_data();
    void pohcAllowance();
    void verdict_data();
    void verdict();
    void classAProvision_data();
    void classAProvision();
    void disregardedByTheAverageRmsCurrent();
    void closestRanksJudgedOrdersOnly();
    void classCLimitsFromTheHighestFundamental();
    void classDPower_data();
    void classDPower();
    void samplingSentence();
};

void ObservationRules::oneOrder_data()
{
    // Class A, order 2: limit 1080 mA, 150 % is 1620 mA; order 21: 107.1 mA,
    // 160.65 mA.
    QTest::addColumn<int>("order");
    QTest::addColumn<double>("limit");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<bool>>("notTested");
    QTest::addColumn<CellState>("state");
    QTest::addColumn<double>("averagePct");
    QTest::addColumn<double>("maximumPct");
    const QList<bool> tested{false, false};
    QTest::newRow("average 100 %")
        << 2 << 1080.0 << QList<double>{1080, 1080} << tested << CellState::Pass << 100.0 << 100.0;
    QTest::newRow("average just over") << 2 << 1080.0 << QList<double>{1080, 1080.02} << tested
                                       << CellState::Fail << 100.000925925926 << 100.001851851852;
    QTest::newRow("a sample 150 %")
        << 2 << 1080.0 << QList<double>{1620, 540} << tested << CellState::Pass << 100.0 << 150.0;
    QTest::newRow("a sample 150 % of 107.1 mA") << 21 << 107.1 << QList<double>{160.65, 53.55}
                                                << tested << CellState::Pass << 100.0 << 150.0;
    QTest::newRow("a sample just over 150 %")
        << 2 << 1080.0 << QList<double>{1620.1, 539.9} << tested << CellState::Fail << 100.0
        << 150.00925925926;
    QTest::newRow("every sample not tested")
        << 2 << 1080.0 << QList<double>{3, 4} << QList<bool>{true, true} << CellState::NotTested
        << 0.324074074074074 << 0.37037037037037;
    // Disregarded: the average below 5 mA, although one sample was tested.
    QTest::newRow("average below 5 mA")
        << 2 << 1080.0 << QList<double>{3, 6} << QList<bool>{true, false} << CellState::NotTested
        << 0.416666666666667 << 0.555555555555556;
    QTest::newRow("one sample tested")
        << 2 << 1080.0 << QList<double>{4, 7} << QList<bool>{true, false} << CellState::Pass
        << 0.509259259259259 << 0.648148148148148;
    // A sample the single-cycle rule did not test never fails the 150 % rule.
    QTest::newRow("not-tested sample over 150 %")
        << 2 << 1080.0 << QList<double>{1700, 100} << QList<bool>{true, false} << CellState::Pass
        << 83.3333333333333 << 157.407407407407;
}

void ObservationRules::oneOrder()
{
    QFETCH(int, order);
    QFETCH(QList<double>, values);
    QFETCH(QList<bool>, notTested);
    const auto cell = std::size_t(cellOf(order));
    QList<RuleSample> samples;
    for (qsizetype n = 0; n < values.size(); ++n) {
        RuleSample sample = quietSample();
        sample.currentsMa[cell] = values[n];
        sample.notTested[cell] = notTested[n];
        samples << sample;
    }
    const ObservationJudgement judgement =
        judgeObservation(ProductClass::A, {}, samples, 0, ObservationEnd::Completed);
    const OrderJudgement& judged = judgement.orders[cell];
    QFETCH(double, limit);
    QCOMPARE(judged.limitMa, std::optional<double>(limit));
    QTEST(judged.state, "state");
    QTEST(judged.averagePct.value_or(-1), "averagePct");
    QTEST(judged.maximumPct.value_or(-1), "maximumPct");
    QFETCH(CellState, state);
    QCOMPARE(judgement.verdict,
             state == CellState::Fail ? ObservationVerdict::Fail : ObservationVerdict::Pass);
}

void ObservationRules::pohcAllowance_data()
{
    // Class A, odd orders 21 to 39 at their limits but 21 and 23, which
    // average each other's limit: POHC equals its limit, and order 23
    // averages 107.1 mA, 109.5 % of its 97.82 mA (150 %: 146.73 mA).
    QTest::addColumn<QList<double>>("order23");
    QTest::addColumn<bool>("allowance");
    QTest::addColumn<CellState>("state23");
    QTest::addColumn<ObservationVerdict>("verdict");
    QTest::newRow("POHC at its limit")
        << QList<double>{107.1, 107.1} << true << CellState::Pass << ObservationVerdict::Pass;
    QTest::newRow("POHC over its limit")
        << QList<double>{107.2, 107.2} << false << CellState::Fail << ObservationVerdict::Fail;
    QTest::newRow("allowed, a sample over 150 %")
        << QList<double>{147.0, 67.2} << true << CellState::Fail << ObservationVerdict::Fail;
}

void ObservationRules::pohcAllowance()
{
    QFETCH(QList<double>, order23);
    QList<RuleSample> samples;
    for (double value : order23) {
        RuleSample sample = quietSample();
        for (int k = 0; k < kClassAOdd21To39.size(); ++k)
            sample.currentsMa[std::size_t(cellOf(21 + 2 * k))] = kClassAOdd21To39[k];
        sample.currentsMa[std::size_t(cellOf(21))] = 97.82;
        sample.currentsMa[std::size_t(cellOf(23))] = value;
        samples << sample;
    }
    const ObservationJudgement judgement =
        judgeObservation(ProductClass::A, {}, samples, 0, ObservationEnd::Completed);
    QVERIFY(judgement.pohc);
    QCOMPARE(judgement.pohc->limitMa, 251.348338168367);
    QTEST(judgement.pohc->allowanceApplied, "allowance");
    QTEST(judgement.orders[std::size_t(cellOf(23))].state, "state23");
    QTEST(judgement.verdict, "verdict");
}

void ObservationRules::verdict_data()
{
    QTest::addColumn<int>("judged");
    QTest::addColumn<int>("notJudged");
    QTest::addColumn<ObservationEnd>("end");
    QTest::addColumn<ObservationVerdict>("verdict");
    const auto completed = ObservationEnd::Completed;
    QTest::newRow("no sample") << 0 << 0 << completed << ObservationVerdict::IncompleteObservation;
    QTest::newRow("one judged") << 1 << 0 << completed << ObservationVerdict::IncompleteObservation;
    QTest::newRow("two judged") << 2 << 0 << completed << ObservationVerdict::Pass;
    QTest::newRow("10 % not judged") << 18 << 2 << completed << ObservationVerdict::Pass;
    QTest::newRow("over 10 % not judged")
        << 17 << 2 << completed << ObservationVerdict::IncompleteObservation;
    QTest::newRow("line failed") << 5 << 0 << ObservationEnd::LineFailed
                                 << ObservationVerdict::LineFailed;
    QTest::newRow("stopped") << 5 << 0 << ObservationEnd::Stopped << ObservationVerdict::Stopped;
}

void ObservationRules::verdict()
{
    QFETCH(int, judged);
    QFETCH(int, notJudged);
    QFETCH(ObservationEnd, end);
    const QList<RuleSample> samples(judged, quietSample());
    const ObservationJudgement judgement =
        judgeObservation(ProductClass::B, {}, samples, notJudged, end);
    QTEST(judgement.verdict, "verdict");
    QCOMPARE(judgement.samplesJudged, judged);
    QCOMPARE(judgement.samplesNotJudged, notJudged);
    QVERIFY(!judgement.pohc); // Class B has none
}

void ObservationRules::classAProvision_data()
{
    // Order 2: Class A limit 1080 mA; 150 % 1620 mA, 200 % 2160 mA, 90 %
    // 972 mA. Ten samples: `high` once or twice, `rest` the others.
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<double>("high");
    QTest::addColumn<int>("highCount");
    QTest::addColumn<double>("rest");
    QTest::addColumn<CellState>("state");
    QTest::addColumn<bool>("provisionUsed");
    const auto a = ProductClass::A;
    QTest::newRow("one in ten up to 200 %, average 85.2 %")
        << a << 2000.0 << 1 << 800.0 << CellState::Pass << true;
    QTest::newRow("exactly 200 %, average 90 %")
        << a << 2160.0 << 1 << 840.0 << CellState::Pass << true;
    QTest::newRow("over 200 %") << a << 2170.0 << 1 << 700.0 << CellState::Fail << false;
    QTest::newRow("two in ten") << a << 1700.0 << 2 << 700.0 << CellState::Fail << false;
    QTest::newRow("average over 90 %") << a << 2000.0 << 1 << 900.0 << CellState::Fail << false;
    // Class B (limit 1620 mA, 150 % 2430 mA) has no such provision.
    QTest::newRow("Class B") << ProductClass::B << 2500.0 << 1 << 1000.0 << CellState::Fail
                             << false;
}

void ObservationRules::classAProvision()
{
    QFETCH(ProductClass, productClass);
    QFETCH(double, high);
    QFETCH(int, highCount);
    QFETCH(double, rest);
    QList<RuleSample> samples(10, quietSample());
    for (int n = 0; n < samples.size(); ++n)
        samples[n].currentsMa[std::size_t(cellOf(2))] = n < highCount ? high : rest;
    const ObservationJudgement judgement =
        judgeObservation(productClass, {}, samples, 0, ObservationEnd::Completed);
    const OrderJudgement& order = judgement.orders[std::size_t(cellOf(2))];
    QTEST(order.state, "state");
    QTEST(order.provisionUsed, "provisionUsed");
    QFETCH(CellState, state);
    QCOMPARE(judgement.verdict,
             state == CellState::Fail ? ObservationVerdict::Fail : ObservationVerdict::Pass);
}

void ObservationRules::disregardedByTheAverageRmsCurrent()
{
    // Order 40, Class A limit 46 mA. 50 mA at 8 A is tested (0.6 %: 48 mA),
    // 68 mA at 12 A is not (72 mA); the average 59 mA is above the limit but
    // below 0.6 % of the average 10 A: disregarded, no fail.
    QList<RuleSample> samples(2, quietSample());
    const auto cell = std::size_t(cellOf(40));
    samples[0].rmsA = 8;
    samples[0].currentsMa[cell] = 50;
    samples[1].rmsA = 12;
    samples[1].currentsMa[cell] = 68;
    samples[1].notTested[cell] = true;
    const ObservationJudgement judgement =
        judgeObservation(ProductClass::A, {}, samples, 0, ObservationEnd::Completed);
    QCOMPARE(judgement.orders[cell].state, CellState::NotTested);
    QCOMPARE(judgement.verdict, ObservationVerdict::Pass);
}

void ObservationRules::closestRanksJudgedOrdersOnly()
{
    // Class A. Order 35 (limit 64.28 mA) averages 4 mA, 6.2 %, not tested;
    // order 19 (118.4 mA) 6 mA, 5.07 %; order 3 (2300 mA) 23 mA, 1 %.
    RuleSample sample = quietSample();
    sample.currentsMa.fill(0);
    sample.notTested.set();
    sample.currentsMa[std::size_t(cellOf(35))] = 4;
    sample.currentsMa[std::size_t(cellOf(19))] = 6;
    sample.notTested[std::size_t(cellOf(19))] = false;
    sample.currentsMa[std::size_t(cellOf(3))] = 23;
    sample.notTested[std::size_t(cellOf(3))] = false;
    const ObservationJudgement judgement = judgeObservation(
        ProductClass::A, {}, QList<RuleSample>(2, sample), 0, ObservationEnd::Completed);
    QCOMPARE(rankedOrderCells(judgement), (QList<int>{cellOf(19), cellOf(3)}));
    const std::optional<ClosestOrder> closest = closestOrder(judgement);
    QVERIFY(closest);
    QCOMPARE(closest->order, 19);
    QCOMPARE(closest->percentOfLimit, 5.06756756756757);
    QCOMPARE(closestLine(closest), QStringLiteral("Closest to its limit: 19th harmonic, 5.1 %"));
}

void ObservationRules::classCLimitsFromTheHighestFundamental()
{
    QList<RuleSample> samples(3, quietSample());
    samples[0].fundamentalA = 0.5;
    samples[0].powerFactor = 0.9;
    samples[1].fundamentalA = 1.2;
    samples[1].powerFactor = 0.5;
    samples[2].fundamentalA = 0.8;
    samples[2].powerFactor = 0.99;
    const ObservationJudgement judgement =
        judgeObservation(ProductClass::C, {}, samples, 0, ObservationEnd::Completed);
    QCOMPARE(judgement.basis.fundamentalSample, std::optional<int>(1));
    QCOMPARE(judgement.basis.fundamentalA, 1.2);
    QCOMPARE(judgement.basis.powerFactor, 0.5);
    // 2 %, 30 % x 0.5, 10 %, 7 %, 5 % and 3 % of 1.2 A.
    QCOMPARE(judgement.orders[std::size_t(cellOf(2))].limitMa, std::optional<double>(24));
    QCOMPARE(judgement.orders[std::size_t(cellOf(3))].limitMa, std::optional<double>(180));
    QCOMPARE(judgement.orders[std::size_t(cellOf(5))].limitMa, std::optional<double>(120));
    QCOMPARE(judgement.orders[std::size_t(cellOf(7))].limitMa, std::optional<double>(84));
    QCOMPARE(judgement.orders[std::size_t(cellOf(9))].limitMa, std::optional<double>(60));
    QCOMPARE(judgement.orders[std::size_t(cellOf(39))].limitMa, std::optional<double>(36));
    QCOMPARE(judgement.orders[std::size_t(cellOf(4))].limitMa, std::nullopt);
    QCOMPARE(judgement.orders[std::size_t(cellOf(4))].state, CellState::NotJudged);
    QVERIFY(!judgement.pohc);
}

void ObservationRules::classDPower_data()
{
    QTest::addColumn<QList<double>>("powers");
    QTest::addColumn<double>("highest");
    QTest::addColumn<bool>("differs");
    QTest::newRow("10 % above") << QList<double>{95, 110} << 110.0 << false;
    QTest::newRow("over 10 % above") << QList<double>{95, 110.1} << 110.1 << true;
    QTest::newRow("10 % below") << QList<double>{90, 88} << 90.0 << false;
    QTest::newRow("over 10 % below") << QList<double>{89.9, 60} << 89.9 << true;
}

void ObservationRules::classDPower()
{
    QFETCH(QList<double>, powers);
    QList<RuleSample> samples;
    for (double power : powers) {
        samples << quietSample();
        samples.last().powerW = power;
    }
    const ObservationJudgement judgement = judgeObservation(ProductClass::D, QStringLiteral("100"),
                                                            samples, 0, ObservationEnd::Completed);
    QCOMPARE(judgement.basis.typedPower, QStringLiteral("100"));
    QTEST(judgement.basis.highestPowerW.value_or(-1), "highest");
    QTEST(judgement.basis.powerDiffers, "differs");
    // The limits come from the typed power: 3.4 mA/W for order 3.
    QCOMPARE(judgement.orders[std::size_t(cellOf(3))].limitMa, std::optional<double>(340));
}

void ObservationRules::samplingSentence()
{
    QCOMPARE(
        ::samplingSentence(8.26),
        QStringLiteral(
            "sampled every 8.3 s from analyzer snapshots, not the standard's 1.5 s smoothing"));
    QCOMPARE(QString::fromLatin1(kObservationRules),
             QStringLiteral("observation rules, average 100 %, samples 150 % (Class A 200 % "
                            "provision), POHC"));
}

QTEST_GUILESS_MAIN(ObservationRules)
#include "tst_observation_rules.moc"
