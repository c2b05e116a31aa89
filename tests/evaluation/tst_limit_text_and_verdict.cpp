#include "conversions.h"
#include "limit_text.h"
#include "verdict_scheme.h"

#include <QtTest>

Q_DECLARE_METATYPE(CellState)

class LimitTextAndVerdict : public QObject
{
    Q_OBJECT

private slots:
    void limitText_data();
    void limitText();
    void verdict_data();
    void verdict();
};

void LimitTextAndVerdict::limitText_data()
{
    QTest::addColumn<double>("limitMa");
    QTest::addColumn<QString>("text");

    QTest::newRow("cut, not rounded") << 153.333333333333 << "153.3mA";
    QTest::newRow("two decimals") << 51.1111111111111 << "51.11mA";
    QTest::newRow("66 stays 66") << 76.6666666666667 << "76.66mA";
    QTest::newRow("whole") << 46.0 << "46mA";
    QTest::newRow("exactly five") << 172.5 << "172.5mA";
    QTest::newRow("point left standing") << 1080.4 << "1080mA";
    QTest::newRow("below 10 mA") << 3.70368 << "3.703mA";
    QTest::newRow("zero") << 0.0 << "0mA";
    // The cut never drops a digit before the point.
    QTest::newRow("six whole digits") << 123456.7 << "123456mA";
    QTest::newRow("five whole digits") << 12345.67 << "12345mA";
    QTest::newRow("negative") << -123456.7 << "-123456mA";
    // Exponent forms keep their exponent: only the mantissa is cut.
    QTest::newRow("small exponent") << 1.23456789e-5 << "1.234E-05mA";
    QTest::newRow("short small exponent") << 1e-5 << "1E-05mA";
    QTest::newRow("large exponent") << 1.5e15 << "1.5E+15mA";
    QTest::newRow("large cut") << 9.87654321e20 << "9.876E+20mA";
    QTest::newRow("negative exponent form") << -1.23456e-7 << "-1.23E-07mA";
}

void LimitTextAndVerdict::limitText()
{
    QFETCH(double, limitMa);
    QFETCH(QString, text);
    QCOMPARE(LimitText(limitMa), text);
}

void LimitTextAndVerdict::verdict_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("measured");
    QTest::addColumn<QString>("rmsAmps");
    QTest::addColumn<bool>("flagBefore");
    QTest::addColumn<CellState>("state");
    QTest::addColumn<bool>("flagAfter");

    const CellState pass = CellState::Pass, fail = CellState::Fail, blue = CellState::NotTested;
    QTest::newRow("equal passes") << "1080mA"
                                  << "1080"
                                  << "0.5" << false << pass << false;
    QTest::newRow("above fails") << "1080mA"
                                 << "1080.01"
                                 << "0.5" << false << fail << true;
    QTest::newRow("4.99 mA not tested") << "1080mA"
                                        << "4.99"
                                        << "0.5" << false << blue << false;
    QTest::newRow("exactly 5 mA tested") << "1080mA"
                                         << "5"
                                         << "0.5" << false << pass << false;
    QTest::newRow("below 0.6 %") << "1080mA"
                                 << "59"
                                 << "10" << false << blue << false;
    QTest::newRow("above 0.6 %") << "1080mA"
                                 << "61"
                                 << "10" << false << pass << false;
    QTest::newRow("exactly 0.6 % of 10 A") << "1080mA"
                                           << "60"
                                           << "10" << false << pass << false;
    // 0.006 * 0.85 * 1000 is 5.1000000000000005 in double.
    QTest::newRow("exactly 0.6 % of 0.85 A") << "1080mA"
                                             << "5.1"
                                             << "0.85" << false << pass << false;
    // A disregarded current never fails.
    QTest::newRow("over limit and below 0.6 %") << "46mA"
                                                << "50"
                                                << "10" << false << blue << false;
    QTest::newRow("empty cell") << "46mA"
                                << ""
                                << "10" << false << blue << false;
    QTest::newRow("empty rms current") << "46mA"
                                       << "5"
                                       << "" << false << pass << false;
    QTest::newRow("pass never clears the flag") << "46mA"
                                                << "20"
                                                << "1" << true << pass << true;
    QTest::newRow("zero limit") << "0mA"
                                << "0.001"
                                << "0" << false << blue << false;
    QTest::newRow("zero limit, tested") << "0mA"
                                        << "5"
                                        << "0" << false << fail << true;
}

void LimitTextAndVerdict::verdict()
{
    QFETCH(QString, limit);
    QFETCH(QString, measured);
    QFETCH(QString, rmsAmps);
    QFETCH(bool, flagBefore);
    QFETCH(CellState, state);
    QFETCH(bool, flagAfter);

    bool failed = flagBefore;
    QCOMPARE(evaluation::judgeHarmonic(NumericValue(measured), NumericValue(limit),
                                       evaluation::notTestedBelowMa(rmsAmps), failed),
             state);
    QCOMPARE(failed, flagAfter);
}

QTEST_GUILESS_MAIN(LimitTextAndVerdict)
#include "tst_limit_text_and_verdict.moc"
