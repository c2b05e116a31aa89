// A stored measurement judged again under another class comes to what a live
// cycle would have shown for the same reply line under that class.

#include "measurement_cycle.h"
#include "rejudge.h"
#include "sort_out.h"

#include <QTest>

Q_DECLARE_METATYPE(ProductClass)
Q_DECLARE_METATYPE(Verdict)

namespace {

// A product that passes every class (Class D at 75 W).
const QString kPassingReply = QStringLiteral(
    "7.5000E+01,2.3010E+02,3.4300E-01,9.5000E-01,5.0000E+01,7.8920E+01,2.4580E+01,3.3000E-01,"
    "3.1000E-03,8.0200E-02,2.1000E-03,2.8400E-02,1.4000E-03,1.9600E-02,1.0000E-03,1.2100E-02,"
    "9.0000E-04,8.2000E-03,8.0000E-04,7.1000E-03,7.0000E-04,6.3000E-03,7.0000E-04,5.6000E-03,"
    "6.0000E-04,5.2000E-03,6.0000E-04,4.9000E-03,5.0000E-04,4.7000E-03,5.0000E-04,4.5000E-03,"
    "5.0000E-04,4.3000E-03,4.0000E-04,4.1000E-03,4.0000E-04,3.9000E-03,4.0000E-04,3.7000E-03,"
    "3.0000E-04,3.5000E-03,3.0000E-04,3.3000E-03,3.0000E-04,3.1000E-03,3.0000E-04\r\n");

// The 3rd harmonic at 3.5 A: above the limit of every class.
QString failingReply()
{
    QStringList fields = kPassingReply.trimmed().split(QLatin1Char(','));
    fields[9] = QStringLiteral("3.5000E+00");
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

// What a live Class A cycle stored for `line`.
CycleResult storedClassA(const QString& line)
{
    CycleResult stored;
    stored.reply = SortOut(line);
    stored.judgement = Limits(ProductClass::A, measuredValues(stored.reply), QString());
    stored.verdict = stored.judgement.anyFailed ? Verdict::Fail : Verdict::Pass;
    stored.measuredAt = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
    return stored;
}

} // namespace

class TestRejudge : public QObject
{
    Q_OBJECT

private slots:
    void judgedAgainAsALiveCycleWould_data();
    void judgedAgainAsALiveCycleWould();
};

void TestRejudge::judgedAgainAsALiveCycleWould_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<QString>("power");
    QTest::addColumn<Verdict>("verdict");
    QTest::newRow("fail, Class B") << failingReply() << ProductClass::B << "" << Verdict::Fail;
    QTest::newRow("fail, Class D") << failingReply() << ProductClass::D << "75" << Verdict::Fail;
    QTest::newRow("pass, Class D") << kPassingReply << ProductClass::D << "75" << Verdict::Pass;
    QTest::newRow("Class D, power not a number")
        << kPassingReply << ProductClass::D << "abc" << Verdict::NoVerdict;
    QTest::newRow("line without its end")
        << kPassingReply.trimmed() << ProductClass::B << "" << Verdict::IncompleteResult;
}

void TestRejudge::judgedAgainAsALiveCycleWould()
{
    QFETCH(QString, line);
    QFETCH(ProductClass, productClass);
    QFETCH(QString, power);
    QFETCH(Verdict, verdict);
    const CycleResult stored = storedClassA(line);

    const CycleResult again = judgeAgain(stored, productClass, power);

    QCOMPARE(again.verdict, verdict);
    QCOMPARE(again.measuredAt, stored.measuredAt);
    QCOMPARE(again.reply.line, line);
    const Judgement live = Limits(productClass, measuredValues(SortOut(line)), power);
    QCOMPARE(again.judgement.productClass, productClass);
    QCOMPARE(again.judgement.power, live.power);
    QCOMPARE(again.judgement.evaluation.status, live.evaluation.status);
    QCOMPARE(again.judgement.limits, live.limits);
    QCOMPARE(again.judgement.currents, live.currents);
    QCOMPARE(again.judgement.states, live.states);
    QCOMPARE(again.judgement.anyFailed, live.anyFailed);
    QCOMPARE(again.problem.isEmpty(), isJudged(verdict));
}

QTEST_GUILESS_MAIN(TestRejudge)
#include "tst_rejudge.moc"
