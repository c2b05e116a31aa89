// A stored measurement judged again under another class comes to what a live
// cycle would have shown for the same reply line under that class.

#include "analyzer_lines.h"
#include "measurement_cycle.h"
#include "rejudge.h"
#include "sort_out.h"

#include <QTest>

Q_DECLARE_METATYPE(ProductClass)
Q_DECLARE_METATYPE(Verdict)

namespace {

// What a live Class A cycle stored for `line`.
CycleResult storedClassA(const QString& line)
{
    CycleResult stored;
    stored.reply = SortOut(line);
    stored.judgement = Limits(ClassChoice{ProductClass::A, QString()}, measuredValues(stored.reply));
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
    QTest::addColumn<QByteArray>("bytes");
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
    QFETCH(QByteArray, bytes);
    const QString line = QString::fromLatin1(bytes);
    QFETCH(ProductClass, productClass);
    QFETCH(QString, power);
    QFETCH(Verdict, verdict);
    const CycleResult stored = storedClassA(line);

    const CycleResult again = judgeAgain(stored, ClassChoice{productClass, power});

    QCOMPARE(again.verdict, verdict);
    QCOMPARE(again.measuredAt, stored.measuredAt);
    QCOMPARE(again.reply.line, line);
    const Judgement live = Limits(ClassChoice{productClass, power}, measuredValues(SortOut(line)));
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
